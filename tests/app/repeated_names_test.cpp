// A result whose columns repeat a name (in any case) keeps each column's own value in every export
// and in the detail window: columns are matched to fields by position, never by name.
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/recordset_xml.h"
#include "documents/sql_editor_widget.h"
#include "results/result_detail_window.h"
#include "results/grid_print_view.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace mv;

namespace {

class RepeatedNames : public ::testing::Test {
  protected:
    void SetUp() override {
        m_db = mvtest::testDatabase("sqlite", m_dir);
        MVTEST_REQUIRE(m_db);
        m_w.startup(QString());
        ASSERT_TRUE(m_w.connectionUi()->connecting().connect(m_db.connectionString, QString(), QString()))
            << m_port.lastText().toStdString();
        m_w.queryPanes()->editor()->setText(QStringLiteral("select 1 as id, 2 as id, 3 as ID, 'x' as name"));
        m_w.dispatcher().dispatch(QStringLiteral("kStart"));
        QApplication::processEvents();
        ASSERT_EQ(grid().recordCount(), 1) << m_port.lastText().toStdString();
    }

    ResultGridWidget& grid() const { return *m_w.queryPanes()->grid(); }

    QString exported(const char* key, const char* file) {
        const QString path = m_dir.file(QString::fromLatin1(file));
        m_port.files.push_back(path);
        m_w.dispatcher().dispatch(QString::fromLatin1(key));
        return QString::fromUtf8(m_dir.read(QString::fromLatin1(file)));
    }

    mvtest::TempFolder m_dir;
    mvtest::ScriptedUserPort m_port;
    frmMain m_w{AppPaths{m_dir.path()}};
    mvtest::TestDatabase m_db;
};

TEST_F(RepeatedNames, EveryExportWritesEachColumnsOwnValue) {
    EXPECT_EQ(exported("kExportCSV", "r.csv").toStdString(), "\"id\";\"id\";\"ID\";\"name\"\r\n\"1\";\"2\";\"3\";\"x\"\r\n");
    EXPECT_EQ(exported("kExportText", "r.txt").toStdString(), "id|id|ID|name\r\n1|2|3|x~");
    EXPECT_TRUE(exported("kExportXHTML", "r.html")
                    .contains(QStringLiteral("<td style=\"border:1px solid Black;\">1</td>"
                                             "<td style=\"border:1px solid Black;\">2</td>"
                                             "<td style=\"border:1px solid Black;\">3</td>")));
    EXPECT_TRUE(exported("kExportRTF", "r.rtf")
                    .contains(QStringLiteral("\\pard \\intbl 1\\cell ")
                              + QStringLiteral("\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx")));
    const QString rtf = QString::fromUtf8(m_dir.read(QStringLiteral("r.rtf")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\intbl 2\\cell ")) && rtf.contains(QStringLiteral("\\intbl 3\\cell ")))
        << rtf.toStdString();
    exported("kExportXML", "r.xml");
    const Recordset back = loadXml(m_dir.file(QStringLiteral("r.xml")));
    ASSERT_EQ(back.fieldCount(), 4);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(back.value(0, c).toLongLong(), c + 1);
}

TEST_F(RepeatedNames, DetailWindowShowsEachColumnsOwnValue) {
    grid().setCurrentPosition(0);
    frmResultDetail detail(grid(), &m_w);
    QStringList shown;
    for (const frmResultDetail::Item& item : detail.items())
        shown << static_cast<QLineEdit*>(item.editor)->text();
    EXPECT_EQ(shown, (QStringList{"1", "2", "3", "x"}));
}

TEST_F(RepeatedNames, PrintShowsEachColumnsOwnValue) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.file("r.pdf"));
    const GridPrintSettings settings = standardPrintSettings();
    applyPageSetup(printer, settings);
    GridPrintView(grid(), settings).print(printer);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), m_dir.file("r.pdf"), QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
    const QString printed = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(printed.contains(QRegularExpression("\\b1\\s+2\\s+3\\s*x\\b"))) << printed.toStdString();
}

} // namespace
