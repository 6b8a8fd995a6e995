// The result grid follows the document tabs in the main window: a document shows again exactly what
// its grid showed when it was left (rows and headers, headers without rows after a failed statement,
// or nothing), never another document's columns or rows from an earlier run.
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"
#include "documents/document_commands.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_editor_widget.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QApplication>
#include <QTabBar>
#include <gtest/gtest.h>

using namespace mv;

namespace {

// What the grid shows: the visible headers, whether rows are bound, and their count.
struct GridShows {
    QStringList headers;
    bool bound = false;
    int rows = 0;
    bool operator==(const GridShows&) const = default;
};

void PrintTo(const GridShows& g, std::ostream* os) {
    *os << "{headers [" << g.headers.join(u',').toStdString() << "], " << (g.bound ? "bound" : "unbound")
        << ", " << g.rows << " rows}";
}

class DocumentGrid : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        m_db = mvtest::testDatabase(GetParam(), m_dir);
        MVTEST_REQUIRE(m_db);
        m_w.startup(QString());
        ASSERT_TRUE(m_w.connectionUi()->connecting().connect(m_db.connectionString, QString(), QString()))
            << m_port.lastText().toStdString();
    }

    ResultGridWidget& grid() const { return *m_w.queryPanes()->grid(); }

    GridShows shows() const {
        GridShows g;
        for (const GridColumn& c : grid().columns())
            if (c.visible) g.headers << c.caption;
        g.bound = grid().hasRecordset();
        g.rows = grid().recordCount();
        return g;
    }

    void run(const QString& sql) {
        m_w.queryPanes()->editor()->setText(sql);
        m_w.dispatcher().dispatch(QStringLiteral("kStart"));
        QApplication::processEvents();
    }

    void select(const QString& caption) {
        QTabBar* tabs = m_w.documents()->docTabs();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == caption || tabs->tabText(i) == caption + u'*') tabs->setCurrentIndex(i);
        QApplication::processEvents();
    }

    mvtest::TempFolder m_dir;
    mvtest::ScriptedUserPort m_port;
    frmMain m_w{AppPaths{m_dir.path()}};
    mvtest::TestDatabase m_db;
};

const QString kThreeCustomers = QStringLiteral(
    "select customer_id, company_name from customers where customer_id <= 3 order by customer_id");
const GridShows kCustomerRows{{"customer_id", "company_name"}, true, 3};
const GridShows kCustomerHeaders{{"customer_id", "company_name"}, false, 0};
const GridShows kNothing{{}, false, 0};

TEST_P(DocumentGrid, ADocumentWhoseLastStatementFailedComesBackWithItsHeaders) {
    run(kThreeCustomers);
    ASSERT_EQ(shows(), kCustomerRows) << m_w.cn().LastError().toStdString();
    run(QStringLiteral("select * from no_such_table"));
    // The failed statement takes the rows; the headers of the last result stay.
    const GridShows failed = shows();
    ASSERT_EQ(failed, kCustomerHeaders);

    m_w.documents()->commands().NewSQLFile();
    EXPECT_EQ(shows(), kNothing);
    select(QStringLiteral("NewSQL_01"));
    EXPECT_EQ(shows(), failed);

    // Another document's result never stands in for it, and its own rows come back.
    select(QStringLiteral("NewSQL_02"));
    run(QStringLiteral("select 1 as x"));
    ASSERT_EQ(shows(), (GridShows{{"x"}, true, 1}));
    select(QStringLiteral("NewSQL_01"));
    EXPECT_EQ(shows(), failed);
    select(QStringLiteral("NewSQL_02"));
    EXPECT_EQ(shows(), (GridShows{{"x"}, true, 1}));

    // Rows shown once more are parked again; the old parked rows are gone after the next failure.
    select(QStringLiteral("NewSQL_01"));
    run(kThreeCustomers);
    select(QStringLiteral("NewSQL_02"));
    select(QStringLiteral("NewSQL_01"));
    EXPECT_EQ(shows(), kCustomerRows);
    run(QStringLiteral("select * from no_such_table"));
    select(QStringLiteral("Session"));
    select(QStringLiteral("NewSQL_01"));
    EXPECT_EQ(shows(), kCustomerHeaders);
    EXPECT_EQ(m_w.documents()->commands().documents().keys().size(), 2);
}

TEST_P(DocumentGrid, ADocumentThatNeverHadResultsStaysEmpty) {
    run(QStringLiteral("select * from no_such_table"));
    ASSERT_EQ(shows(), kNothing);
    m_w.documents()->commands().NewSQLFile();
    run(kThreeCustomers);
    ASSERT_EQ(shows(), kCustomerRows);
    select(QStringLiteral("NewSQL_01"));
    EXPECT_EQ(shows(), kNothing);
    select(QStringLiteral("NewSQL_02"));
    EXPECT_EQ(shows(), kCustomerRows);
}

INSTANTIATE_TEST_SUITE_P(Targets, DocumentGrid, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
