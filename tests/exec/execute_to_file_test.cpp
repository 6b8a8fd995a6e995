// Execute to File against the three databases: the streamed file is the CSV export of the same
// rows, a stop or a failure mid-way keeps the earlier file, and the run is logged as Execute logs.
#include "app/clock.h"
#include "app/formats.h"
#include "app/texts.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "exec/execute_command.h"
#include "exec/run_settings.h"
#include "results/export_commands.h"
#include "results/type_matrix_rows.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Inputs : ParameterInputs {
    QString parameterInput(const QString&) const override { return {}; }
};

struct Host : ExecuteHost {
    QString text;
    std::optional<Recordset> bound;
    QMap<QString, QString> panels;
    Inputs inputs;
    QString editorSelectedText() const override { return {}; }
    QString editorText() const override { return text; }
    void unbindGrid() override { bound.reset(); }
    void bindGrid(const Recordset& rows) override { bound = rows; }
    int gridColumnsShown() const override { return bound ? bound->fieldCount() : 0; }
    void refreshGrid() override {}
    void setGridBusy(bool) override {}
    void setPanelText(const QString& key, const QString& t) override { panels[key] = t; }
    void SetGridState(int) override {}
    void showParameters(const ParameterSet&) override {}
    const ParameterInputs& parameterInputs() const override { return inputs; }
    bool sessionTabSelected() const override { return false; }
    void showSessionText(const QString&) override {}
    void setExecuteEnabled(bool) override {}
};

const QDateTime kNow(QDate(2026, 12, 7), QTime(22, 5, 0));

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Rows 1..n of a counter as a table s(n) in front of a query (MariaDB stops a recursive query
// after 1000 rounds: it has a sequence table for it).
QString counter(const std::string& dialect, int n) {
    if (dialect == "mariadb") return QStringLiteral("WITH s(n) AS (SELECT seq FROM seq_1_to_%1) ").arg(n);
    return QStringLiteral("WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < %1) ").arg(n);
}

class ExecuteToFile : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        setClock([] { return kNow; });
        setSteadyClock([] { return 0; });
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
        out.reset(new QTemporaryDir(QStringLiteral("/tmp/mvtest-out-XXXXXX")));
    }
    void TearDown() override {
        if (!created.isEmpty() && cn.hasConnection()) {
            Recordset rs;
            cn.Execute("DROP TABLE " + created, rs, true, 0, false);
        }
        setClock({});
        setSteadyClock({});
        setLanguage(2);
    }
    bool connect() { return db.usable() && cn.Init(db.connectionString, "", "", true); }
    QString table() const { return QString("mv_tofile_%1").arg(QCoreApplication::applicationPid()); }
    bool sql(const QString& text) {
        Recordset rs;
        return cn.Execute(text, rs, true, 0, false) == C_DbConnect::ExecSucceeded;
    }
    // Runs Execute to File with the dialog answered by `path`.
    void toFile(const QString& statement, const QString& path) {
        port.files.push_back(path);
        command.cmdExecuteToFile(statement);
    }
    // The type matrix of this database as one table: a column per type, a row per literal (the
    // half-megabyte values left out: the table is multiplied below).
    int fillMatrixTable() {
        const QString name = QString::fromStdString(GetParam());
        QStringList columns{"id INTEGER NOT NULL"};
        std::vector<std::vector<QString>> literals;
        for (const auto& row : mvtest::matrix::rows()) {
            if (name != QLatin1String(row.dialect)) continue;
            std::vector<QString> kept;
            for (const char* l : row.literals)
                if (!QByteArray(l).contains("524288")) kept.push_back(QString::fromUtf8(l));
            if (kept.empty()) continue;
            columns << QString("c%1 %2").arg(literals.size()).arg(QString::fromUtf8(row.type));
            literals.push_back(kept);
        }
        if (!sql("CREATE TABLE " + table() + " (" + columns.join(", ") + ")")) return -1;
        created = table();
        size_t rows = 0;
        for (const auto& l : literals) rows = std::max(rows, l.size());
        for (size_t r = 0; r < rows; ++r) {
            QStringList values{QString::number(r)};
            for (const auto& l : literals) values << (r < l.size() ? l[r] : QStringLiteral("NULL"));
            if (!sql("INSERT INTO " + table() + " VALUES (" + values.join(", ") + ")")) return -1;
        }
        return int(rows);
    }

    mvtest::TempFolder folder;
    std::unique_ptr<QTemporaryDir> out;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    RunSettings run;
    QueryParameters parameters;
    Host host;
    ExecuteCommand command{cn, session, parameters, run, host};
    QString created;
};

// Every type of the matrix, multiplied past one block of rows: the streamed file and the CSV
// export of the same query's grid are the same bytes.
TEST_P(ExecuteToFile, TheStreamedFileIsTheCsvExportOfTheSameRows) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    const int matrixRows = fillMatrixTable();
    ASSERT_GT(matrixRows, 0) << port.lastText().toStdString();
    const int copies = 10000 / matrixRows + 2;
    const QString query = counter(GetParam(), copies) + "SELECT s.n, t.* FROM s CROSS JOIN " + table() + " t ORDER BY s.n, t.id";
    const int expectedRows = copies * matrixRows;
    ASSERT_GT(expectedRows, 10000);

    const QString streamed = out->filePath("streamed.csv");
    toFile(query, streamed);
    ASSERT_EQ(port.fileRequests.size(), 1);
    const FileDialogRequest asked = port.fileRequests.first();
    const FileDialogRequest exportDialog = ResultExporter::csvFileDialog();
    EXPECT_EQ(asked.title, exportDialog.title);
    EXPECT_EQ(asked.filter, exportDialog.filter);
    EXPECT_EQ(asked.mode, FileDialogRequest::Save);
    EXPECT_EQ(port.opened, QStringList{streamed}) << port.lastText().toStdString();
    EXPECT_FALSE(host.bound.has_value()) << "the rows went to the grid";
    EXPECT_EQ(host.panels["kRecords"], ExecuteCommand::recordsText(expectedRows));

    // The same query to the grid (no row limit), then Export As CSV.
    run.maxRecords = 0;
    command.cmdExecuteText(query);
    ASSERT_TRUE(host.bound.has_value()) << port.lastText().toStdString();
    ASSERT_EQ(host.bound->recordCount(), expectedRows);
    const QString exported = out->filePath("exported.csv");
    port.files.push_back(exported);
    ASSERT_TRUE(ResultExporter().ExportRecordsetAsCSVFile(*host.bound));
    const QByteArray a = readAll(streamed), b = readAll(exported);
    EXPECT_GT(a.size(), 100000);
    EXPECT_TRUE(a == b) << "streamed " << a.size() << " bytes, exported " << b.size() << " bytes";
    EXPECT_EQ(filesIn(out->path()), (QStringList{"exported.csv", "streamed.csv"}));
}

// The protocol block and the log record are those of Execute, with the file named and no row
// limit (the file gets the whole result).
TEST_P(ExecuteToFile, TheRunIsLoggedAsAnExecuteOfTheWholeResult) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    run.maxRecords = 2;
    const QString path = out->filePath("three.csv");
    const QString statement = "select customer_id, 'x' as mark from customers where customer_id <= 3 order by customer_id";
    const int logBefore = session.records().recordCount();
    const qsizetype textBefore = session.SessionText().size();
    QList<bool> stoppedFlags;
    command.statementLogged = [&](const SessionLogRecord&, bool stopped) { stoppedFlags << stopped; };
    toFile("-- the first three\n" + statement, path);
    EXPECT_EQ(session.SessionText().mid(textBefore),
              "//-{ '" + generalDate(kNow) + "'execution start! }" + QString(35, '-') + "\r\n\r\n" + statement +
                  "\r\n\r\n// { The Query delivered  2 Columns and  3 Rows!\r\n// { Written to file: " + path +
                  "\r\n// { 00:00:00.00\r\n// { Query OK\r\n\r\n");
    const Recordset& log = session.records();
    ASSERT_EQ(log.recordCount(), logBefore + 1);
    const int r = log.recordCount() - 1;
    EXPECT_EQ(log.value(r, 0).toInt(), 1);
    EXPECT_EQ(log.text(r, 3), statement);
    EXPECT_FALSE(log.value(r, 4).toBool());
    EXPECT_EQ(log.value(r, 5).toDouble(), 3.0);
    EXPECT_EQ(log.value(r, 6).toDouble(), 0.0); // no row limit applied
    EXPECT_EQ(stoppedFlags, QList<bool>{false});
    EXPECT_EQ(host.panels["kRecords"], "3 Records");
    EXPECT_EQ(readAll(path), QByteArray("\"customer_id\";\"mark\"\r\n\"1\";\"x\"\r\n\"2\";\"x\"\r\n\"3\";\"x\"\r\n"));
    EXPECT_EQ(QString::fromUtf8(folder.read("MorvendaSession_temp.txt")), session.SessionText());
    EXPECT_EQ(run.maxRecords, 2);
}

TEST_P(ExecuteToFile, StopWhileRowsAreWrittenKeepsTheEarlierFileAndLeavesNoTemporaryFile) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    const QString path = out->filePath("earlier.csv");
    const QByteArray earlier = "\"an\";\"earlier\"\r\n\"export\";\"kept\"\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(earlier);
    }
    // Stop once the temporary file beside it has rows in it: the stop comes mid-way.
    bool sawRows = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (const QFileInfo& f : QDir(out->path()).entryInfoList(QDir::Files | QDir::Hidden))
            if (f.fileName() != QLatin1String("earlier.csv") && f.size() > 0) sawRows = true;
        if (sawRows) {
            poll.stop();
            cn.ExecuteStop();
        }
    });
    poll.start();
    const int logBefore = session.records().recordCount();
    toFile(counter(GetParam(), 1000) + "SELECT a.n, b.n, 'a fairly long text to make the lines longer' FROM s a CROSS JOIN s b",
           path);
    poll.stop();
    EXPECT_TRUE(sawRows) << "the statement ended before any row was written: " << port.lastText().toStdString();
    EXPECT_EQ(port.lastText(), "Execution canceled by user!");
    EXPECT_EQ(readAll(path), earlier);
    EXPECT_EQ(filesIn(out->path()), QStringList{"earlier.csv"});
    EXPECT_TRUE(port.opened.isEmpty());
    EXPECT_TRUE(session.SessionText().endsWith("// Execution canceled by user!\r\n"));
    ASSERT_EQ(session.records().recordCount(), logBefore + 1);
    EXPECT_EQ(session.records().value(logBefore, 0).toInt(), 0);
    // The connection is usable again.
    toFile("select 1 as one", out->filePath("after.csv"));
    EXPECT_EQ(readAll(out->filePath("after.csv")), QByteArray("\"one\"\r\n\"1\"\r\n"));
}

// A statement that fails after rows were written: the earlier file stays and the error is shown
// and logged as Execute shows and logs it.
TEST_P(ExecuteToFile, AnErrorMidWayKeepsTheEarlierFile) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    const QString name = QString::fromStdString(GetParam());
    // A value that fails to compute only at row 25,000, after two blocks were handed over.
    const QString failing = name == "sqlite"       ? "abs(-9223372036854775807 + 24999 - n)"
                            : name == "postgresql" ? "1 / (n - 25000)"
                                                   : "(SELECT 1 UNION SELECT 2 FROM dual WHERE n >= 25000)";
    const QString path = out->filePath("kept.csv");
    const QByteArray earlier = "\"kept\"\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(earlier);
    }
    const int logBefore = session.records().recordCount();
    toFile(counter(GetParam(), 30000) + "SELECT n, " + failing + " AS v FROM s", path);
    EXPECT_EQ(readAll(path), earlier);
    EXPECT_EQ(filesIn(out->path()), QStringList{"kept.csv"});
    ASSERT_FALSE(port.messages.isEmpty());
    EXPECT_TRUE(port.lastText().startsWith("// { Error Number: ")) << port.lastText().toStdString();
    EXPECT_TRUE(port.opened.isEmpty());
    ASSERT_EQ(session.records().recordCount(), logBefore + 1);
    EXPECT_TRUE(session.records().value(logBefore, 4).toBool());
    EXPECT_TRUE(session.SessionText().contains("// { The query caused errors\r\n// { Error Number: "));
}

TEST_P(ExecuteToFile, SeveralStatementsAreRefusedBeforeTheDialog) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    const int logBefore = session.records().recordCount();
    command.cmdExecuteToFile("select 1; select 2");
    EXPECT_TRUE(port.fileRequests.isEmpty());
    EXPECT_EQ(port.lastText(), "Execute to File runs a single statement: select it or place the cursor in it.");
    EXPECT_EQ(session.records().recordCount(), logBefore);
    // A cancelled dialog runs nothing.
    port.files.push_back(std::nullopt);
    command.cmdExecuteToFile("select 1");
    EXPECT_EQ(port.fileRequests.size(), 1);
    EXPECT_EQ(session.records().recordCount(), logBefore);
}

// A statement without a result set runs as Execute runs it; the file is not touched.
TEST_P(ExecuteToFile, AStatementWithoutRowsLeavesTheFileAlone) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    const QString path = out->filePath("untouched.csv");
    toFile("CREATE TABLE " + table() + " (id INTEGER)", path);
    created = table();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(filesIn(out->path()).isEmpty());
    EXPECT_TRUE(session.SessionText().contains("// { No rows: the file was left as it was\r\n"));
    EXPECT_EQ(session.records().value(session.records().recordCount() - 1, 0).toInt(), 2);
}

TEST_P(ExecuteToFile, GermanProtocolAndAFileThatCannotBeCreated) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    setLanguage(1);
    const QString path = out->filePath("zwei.csv");
    const qsizetype textBefore = session.SessionText().size();
    toFile("select 1 as a union all select 2 order by 1", path);
    EXPECT_EQ(session.SessionText().mid(textBefore),
              "//-{ '" + generalDate(kNow) + "'Ausführung gestartet! }" + QString(35, '-') +
                  "\r\n\r\nselect 1 as a union all select 2 order by 1\r\n\r\n"
                  "// { Die Abfrage lieferte  1 Spalten und  2 Zeilen!\r\n// { In Datei geschrieben: " +
                  path + "\r\n// { 00:00:00.00\r\n// { Abfrage OK\r\n\r\n");
    EXPECT_EQ(host.panels["kRecords"], "2 Datensätze");
    // A folder that is not there: refused before anything is sent, nothing logged.
    const int logBefore = session.records().recordCount();
    const QString missing = out->filePath("fehlt/x.csv");
    toFile("select 1 as a", missing);
    ASSERT_FALSE(port.messages.isEmpty());
    EXPECT_TRUE(port.lastText().contains(missing)) << port.lastText().toStdString();
    EXPECT_EQ(session.records().recordCount(), logBefore);
    EXPECT_EQ(filesIn(out->path()), QStringList{"zwei.csv"});
}

INSTANTIATE_TEST_SUITE_P(Targets, ExecuteToFile, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
