// The work aids through the main window on every test database: the statement at the caret,
// the query history and its tab, completion from the connection's catalog, NULLs in the grid.
#include "app/command_bars_widget.h"
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "app/texts.h"
#include "app/toolbox_widget.h"
#include "db/completion_catalog.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_completion_widget.h"
#include "documents/sql_editor_widget.h"
#include "explorer/explorer_widget.h"
#include "results/result_grid_widget.h"
#include "results/result_model.h"
#include "session/query_history.h"
#include "session/query_history_widget.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace mv;

namespace {

struct Shown {
    QStringList headers;
    QStringList firstRow;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& s, std::ostream* os) {
    *os << '[' << s.headers.join(u',').toStdString() << "] [" << s.firstRow.join(u',').toStdString() << ']';
}

class WorkAids : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        m_db = mvtest::testDatabase(GetParam(), m_dir);
        MVTEST_REQUIRE(m_db);
        m_w.startup(QString());
        ASSERT_TRUE(m_w.connectionUi()->connecting().connect(m_db.connectionString, QString(), QString()))
            << m_port.lastText().toStdString();
    }

    SqlEditorWidget& editor() { return *m_w.queryPanes()->editor(); }
    QString quote() const { return GetParam() == "mariadb" ? QStringLiteral("`") : QStringLiteral("\""); }

    Shown shown() {
        Shown s;
        ResultGridWidget& g = *m_w.queryPanes()->grid();
        const ResultModel* m = g.model();
        for (int c = 0; c < m->columnCount(); ++c) {
            s.headers << m->headerData(c, Qt::Horizontal).toString();
            if (m->rowCount() > 0) s.firstRow << m->index(0, c).data().toString();
        }
        return s;
    }

    // Puts the caret before the first occurrence of marker (removed from the text).
    void setTextWithCaret(QString text, const QString& marker = QStringLiteral("^")) {
        const qsizetype at = text.indexOf(marker);
        text.remove(at, marker.size());
        editor().setText(text);
        const QString before = text.left(at);
        editor().SetCaret(int(before.count(u'\n')), int(at - before.lastIndexOf(u'\n') - 1), true);
    }

    void runQuietly(const QString& sql) {
        editor().setText(sql);
        m_w.dispatcher().dispatch(QStringLiteral("kStart"));
    }

    void waitForCatalog() {
        for (int i = 0; i < 600 && m_w.queryPanes()->catalogLoader()->loading(); ++i) QTest::qWait(50);
        ASSERT_FALSE(m_w.queryPanes()->catalogLoader()->loading());
        QApplication::processEvents();
    }

    mvtest::TempFolder m_dir;
    mvtest::ScriptedUserPort m_port;
    frmMain m_w{AppPaths{m_dir.path()}};
    mvtest::TestDatabase m_db;
};

TEST_P(WorkAids, CtrlEnterRunsTheStatementAtTheCaretAsF2RunsItsSelection) {
    const QString script = QStringLiteral(
        "SELECT 1 AS first_one;\n"
        "-- the second; this comment holds a semicolon\n"
        "SELECT 2 AS second_one,\n       'x;y' AS letters\n"
        "\n"
        "SELECT 3 AS third_one");
    struct Case {
        const char* caretBefore;
        QString statement;
    } cases[] = {
        {"1 AS first", "SELECT 1 AS first_one"},
        {"'x;y'", "SELECT 2 AS second_one,\n       'x;y' AS letters"},
        {"AS third", "SELECT 3 AS third_one"},
    };
    m_w.show();
    QApplication::setActiveWindow(&m_w);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caretBefore);
        QString text = script;
        text.insert(text.indexOf(QString::fromUtf8(c.caretBefore)), u'^');
        setTextWithCaret(text);
        QTest::keyClick(&editor(), Qt::Key_Return, Qt::ControlModifier);
        const Shown byCaret = shown();
        EXPECT_EQ(editor().text(), script); // Ctrl+Enter inserts no line break
        const Recordset& log = m_w.session().records();
        ASSERT_GT(log.recordCount(), 0);
        EXPECT_EQ(log.text(log.recordCount() - 1, log.fieldIndex("SQL")), c.statement);
        // The statement run is marked for a moment.
        const long start = long(script.left(script.indexOf(c.statement)).toUtf8().size());
        EXPECT_NE(editor().SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, SqlEditorWidget::FlashIndicator,
                                         start),
                  0);
        // The same text selected and run with F2 shows the same.
        const qsizetype at = script.indexOf(c.statement);
        const QString before = script.left(at);
        const QString through = script.left(at + c.statement.size());
        editor().setSelection(int(before.count(u'\n')), int(at - before.lastIndexOf(u'\n') - 1),
                              int(through.count(u'\n')),
                              int(through.size() - through.lastIndexOf(u'\n') - 1));
        ASSERT_EQ(editor().selectedText(), c.statement);
        m_w.dispatcher().dispatch(QStringLiteral("kStart"));
        EXPECT_EQ(shown(), byCaret);
        EXPECT_EQ(byCaret.headers.size(), c.statement.count(QLatin1String(" AS ")));
    }
    // A caret on the blank line runs nothing.
    const int before = m_w.session().records().recordCount();
    setTextWithCaret(QString(script).insert(script.indexOf(QLatin1String("\n\n")) + 1, u'^'));
    m_w.dispatcher().dispatch(QStringLiteral("kStartStatement"));
    EXPECT_EQ(m_w.session().records().recordCount(), before);
    QTest::qWait(1000);
    EXPECT_EQ(editor().SendScintilla(QsciScintillaBase::SCI_INDICATOREND, SqlEditorWidget::FlashIndicator, 0L), 0);
    EXPECT_TRUE(m_port.messages.isEmpty()) << m_port.lastText().toStdString();
}

TEST_P(WorkAids, ADollarQuotedBodyWithBlankLinesIsOneStatement) {
    if (GetParam() != "postgresql") GTEST_SKIP() << "dollar quoting is PostgreSQL's";
    const QString script = QStringLiteral(
        "CREATE OR REPLACE FUNCTION mv_h18_answer() RETURNS int AS $body$\n"
        "BEGIN\n"
        "  PERFORM 1;\n"
        "\n"
        "  RETURN ^42;\n"
        "END;\n"
        "$body$ LANGUAGE plpgsql;\n"
        "\n"
        "SELECT mv_h18_answer() AS answer;");
    setTextWithCaret(script);
    m_w.dispatcher().dispatch(QStringLiteral("kStartStatement"));
    setTextWithCaret(QString(script).remove(u'^').replace(QLatin1String("SELECT mv_h18"), QLatin1String("SELECT ^mv_h18")));
    m_w.dispatcher().dispatch(QStringLiteral("kStartStatement"));
    EXPECT_EQ(shown(), (Shown{{"answer"}, {"42"}}));
    runQuietly(QStringLiteral("DROP FUNCTION mv_h18_answer()"));
    EXPECT_TRUE(m_port.messages.isEmpty()) << m_port.lastText().toStdString();
}

TEST_P(WorkAids, EveryStatementSentGoesToTheHistoryWhichSearchesOpensAndRunsAgain) {
    runQuietly(QStringLiteral("SELECT 11 AS eleven"));
    runQuietly(QStringLiteral("SELECT 21 AS twenty_one;\nSELECT * FROM mv_h18_no_such_table"));
    m_port.messages.clear(); // the script's error box
    QueryHistory& h = m_w.queryPanes()->history();
    ASSERT_TRUE(h.isOpen());
    const QList<HistoryEntry> all = h.search(QString());
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].sql, "SELECT * FROM mv_h18_no_such_table");
    EXPECT_FALSE(all[0].ok);
    EXPECT_FALSE(all[0].error.isEmpty());
    EXPECT_EQ(all[1].sql, "SELECT 21 AS twenty_one");
    EXPECT_TRUE(all[2].ok);
    EXPECT_EQ(all[2].rows, 1);
    for (const HistoryEntry& e : all) {
        EXPECT_FALSE(e.connection.contains(QLatin1String("Pwd=morvenda"))) << e.connection.toStdString();
        EXPECT_GE(e.durationMs, 0);
    }

    // The History tab: typing filters, Run again runs, Open opens a new document.
    m_w.queryPanes()->toolbox()->showTab(ToolboxWidget::History);
    QueryHistoryWidget* panel = m_w.queryPanes()->historyPanel();
    EXPECT_EQ(panel->lstHistory()->topLevelItemCount(), 3);
    QTest::keyClicks(panel->txtSearch(), "eleve");
    QTest::qWait(300);
    ASSERT_EQ(panel->lstHistory()->topLevelItemCount(), 1);
    EXPECT_EQ(panel->lstHistory()->topLevelItem(0)->text(5), "SELECT 11 AS eleven");
    editor().setText(QStringLiteral("SELECT 'untouched'"));
    panel->cmdRun()->click();
    EXPECT_EQ(shown(), (Shown{{"eleven"}, {"11"}}));
    EXPECT_EQ(editor().text(), "SELECT 'untouched'");
    EXPECT_EQ(h.count(), 4);
    EXPECT_EQ(panel->lstHistory()->topLevelItemCount(), 2); // the tab follows the new entry
    panel->cmdOpen()->click();
    EXPECT_EQ(editor().text(), "SELECT 11 AS eleven");
    QTabBar* tabs = m_w.documents()->docTabs();
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "NewSQL_02*");
    EXPECT_TRUE(m_port.messages.isEmpty()) << m_port.lastText().toStdString();
    // The duration is the statement's own, measured.
    if (GetParam() == "postgresql") {
        runQuietly(QStringLiteral("SELECT pg_sleep(0.3)"));
        const qint64 ms = h.search(QStringLiteral("pg_sleep")).value(0).durationMs;
        EXPECT_GE(ms, 290);
        EXPECT_LT(ms, 5000);
    }
}

TEST_P(WorkAids, NullFromTheServerIsMarkedEmptyTextAndTheWordAreNot) {
    runQuietly(QStringLiteral("SELECT NULL AS n, '' AS e, 'NULL' AS t, 5 AS v"));
    const ResultModel* m = m_w.queryPanes()->grid()->model();
    ASSERT_EQ(m->rowCount(), 1);
    QList<bool> nulls;
    for (int c = 0; c < 4; ++c) nulls << m->index(0, c).data(ResultModel::NullRole).toBool();
    EXPECT_EQ(nulls, (QList<bool>{true, false, false, false}));
    EXPECT_EQ(m->index(0, 0).data().toString(), "");
}

TEST_P(WorkAids, CompletionReadsTheCatalogInTheBackgroundAndQuotesWhatTheDialectNeeds) {
    const QString q = quote();
    // Of this process: the test runs under both engine prefixes at once.
    const QString name = QStringLiteral("H18 Order Lines %1").arg(QCoreApplication::applicationPid());
    const QString table = q + name + q;
    const QString quantity = GetParam() == "mariadb" ? QStringLiteral("Quantity") : QStringLiteral("\"Quantity\"");
    runQuietly(QStringLiteral("DROP TABLE IF EXISTS ") + table);
    runQuietly(QStringLiteral("CREATE TABLE %1 (%2 int, unit_price int)").arg(table, quantity));
    ASSERT_TRUE(m_port.messages.isEmpty()) << m_port.lastText().toStdString();
    m_w.show();
    // The explorer's Refresh reads the catalog anew.
    m_w.explorer()->cmdRefresh()->click();
    waitForCatalog();
    SqlCompletionWidget* completion = m_w.queryPanes()->completion();
    ASSERT_TRUE(completion->catalog());
    ASSERT_TRUE(completion->catalog()->find(QString(), name));

    // After "alias." the list opens on its own with the columns of the aliased table.
    editor().setText(QStringLiteral("SELECT  FROM %1 ol").arg(table));
    editor().SetCaret(0, 7, true);
    QTest::keyClicks(&editor(), "ol.");
    ASSERT_TRUE(completion->listShown());
    EXPECT_EQ(completion->shownLabels(), (QStringList{"Quantity", "unit_price"}));
    completion->choose("Quantity");
    // PostgreSQL folds unquoted names, so it gets quotes; MariaDB and SQLite keep the case.
    const QString expectedName = GetParam() == "postgresql" ? QStringLiteral("\"Quantity\"") : QStringLiteral("Quantity");
    EXPECT_EQ(editor().text(), QStringLiteral("SELECT ol.%1 FROM %2 ol").arg(expectedName, table));
    m_w.dispatcher().dispatch(QStringLiteral("kStart"));
    EXPECT_EQ(shown().headers, QStringList{"Quantity"});

    // Ctrl+Space offers the table by a prefix, quoted as it must be written.
    editor().setText(QStringLiteral("SELECT * FROM H18"));
    editor().SetCaret(0, 17, true);
    QTest::keyClick(&editor(), Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(completion->listShown());
    EXPECT_TRUE(completion->shownLabels().contains(name));
    completion->choose(name);
    EXPECT_EQ(editor().text(), QStringLiteral("SELECT * FROM ") + table);

    // A new connection drops the catalog and reads it again: the dropped table is gone.
    runQuietly(QStringLiteral("DROP TABLE ") + table);
    ASSERT_TRUE(m_w.connectionUi()->connecting().connect(m_db.connectionString, QString(), QString()));
    EXPECT_FALSE(completion->catalog() && completion->catalog()->find(QString(), name));
    waitForCatalog();
    ASSERT_TRUE(completion->catalog());
    EXPECT_FALSE(completion->catalog()->find(QString(), name));
    EXPECT_TRUE(m_port.messages.isEmpty()) << m_port.lastText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Targets, WorkAids, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

TEST(WorkAidsWindow, MenuEntryTabsAndSettingsInBothLanguages) {
    for (const int lang : {1, 2}) {
        mvtest::TempFolder dir;
        dir.write("Morvenda.ini", lang == 1 ? "[Settings]\nLanguage=1\n[Extras]\nShowNull=False\n" : "[Settings]\nLanguage=2\n");
        mvtest::ScriptedUserPort port;
        frmMain w(AppPaths{dir.path()});
        w.startup(QString());
        QAction* a = w.commandBars()->action("kStartStatement");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), lang == 1 ? "Anweisung am &Cursor ausführen" : "Execute S&tatement at Cursor");
        EXPECT_EQ(a->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
        EXPECT_EQ(w.queryPanes()->historyPanel()->cmdRun()->text(), lang == 1 ? "Erneut ausführen" : "Run again");
        EXPECT_EQ(w.queryPanes()->grid()->model()->nullMark(), lang != 1);
        EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
    }
    setLanguage(2);
}

TEST(WorkAidsWindow, ADamagedHistoryFileGivesAMessageAndTheProgramStarts) {
    mvtest::TempFolder dir;
    dir.write("MorvendaHistory.sqlite", QByteArray("SQLite format 3") + QByteArray(4000, '\x7f'));
    mvtest::ScriptedUserPort port;
    frmMain w(AppPaths{dir.path()});
    w.startup(QString());
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.messages[0].text.startsWith("The query history '" + dir.file("MorvendaHistory.sqlite")))
        << port.lastText().toStdString();
    EXPECT_TRUE(w.queryPanes()->history().isOpen());
    EXPECT_EQ(w.lifecycleTrace().last(), "ready");
}

} // namespace
