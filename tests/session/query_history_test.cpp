// The query history file, checked from outside with the sqlite3 client where it matters: what it
// holds, its schema version, its full-text index after pruning, and what happens to damaged files.
#include "app/texts.h"
#include "session/query_history.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <limits>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace mv;

namespace {

// Runs one statement through the sqlite3 client; its output without the last line break.
QString sqlite3(const QString& file, const QString& sql) {
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file, sql});
    if (!p.waitForFinished(20000)) return QStringLiteral("<timeout>");
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

bool haveSqlite3() {
    return !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty();
}

HistoryEntry entry(const QString& sql, bool ok = true, const QString& error = {}) {
    HistoryEntry e;
    e.started = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53, 589));
    e.connection = QStringLiteral("Driver={PostgreSQL Unicode};Server=db;Uid=anna;Pwd=******");
    e.sql = sql;
    e.durationMs = 42;
    e.rows = 7;
    e.ok = ok;
    e.error = error;
    return e;
}

QStringList sqlOf(const QList<HistoryEntry>& list) {
    QStringList out;
    for (const HistoryEntry& e : list) out << e.sql;
    return out;
}

TEST(QueryHistory, RecordsEntriesThatOutliveTheProgramAndTheSqlite3ClientReads) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.file("MorvendaHistory.sqlite");
    {
        QueryHistory h(file, 1000);
        ASSERT_TRUE(h.open());
        HistoryEntry a = entry("SELECT * FROM customers WHERE city = 'Köln'");
        HistoryEntry b = entry("UPDATE orders SET shipped = 1", false, "ERROR: permission denied for table orders");
        ASSERT_TRUE(h.add(a)) << port.lastText().toStdString();
        ASSERT_TRUE(h.add(b));
        EXPECT_LT(a.id, b.id);
    }
    QueryHistory again(file, 1000);
    ASSERT_TRUE(again.open());
    const QList<HistoryEntry> all = again.search(QString());
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].sql, "UPDATE orders SET shipped = 1"); // newest first
    EXPECT_FALSE(all[0].ok);
    EXPECT_EQ(all[0].error, "ERROR: permission denied for table orders");
    EXPECT_EQ(all[1].started, QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53, 589)));
    EXPECT_EQ(all[1].durationMs, 42);
    EXPECT_EQ(all[1].rows, 7);
    EXPECT_TRUE(all[1].ok);
    EXPECT_TRUE(port.messages.isEmpty());
    if (!haveSqlite3()) GTEST_SKIP() << "sqlite3 client missing";
    EXPECT_EQ(sqlite3(file, "PRAGMA user_version"), QString::number(QueryHistory::SchemaVersion));
    EXPECT_EQ(sqlite3(file, "SELECT sql FROM history WHERE ok = 1"), "SELECT * FROM customers WHERE city = 'Köln'");
    // Never a password in the file.
    EXPECT_EQ(sqlite3(file, "SELECT count(*) FROM history WHERE connection LIKE '%Pwd=******%'"), "2");
}

// A script's entries are committed together: the window finds them at once, another program
// (the sqlite3 client, a second instance) once the run has flushed them, or the program has ended;
// the size limit holds across the waiting entries too.
TEST(QueryHistory, EntriesOfARunAreCommittedTogetherAndFlushedAtItsEnd) {
    if (!haveSqlite3()) GTEST_SKIP() << "sqlite3 client missing";
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.file("MorvendaHistory.sqlite");
    QueryHistory h(file, 50);
    ASSERT_TRUE(h.open());
    for (int i = 1; i <= 120; ++i) {
        HistoryEntry e = entry(QStringLiteral("INSERT INTO orders VALUES (%1)").arg(i));
        ASSERT_TRUE(h.add(e)) << port.lastText().toStdString();
    }
    EXPECT_EQ(h.search(QStringLiteral("orders"), 1).value(0).sql, "INSERT INTO orders VALUES (120)");
    h.flush();
    EXPECT_EQ(sqlite3(file, "SELECT count(*), min(sql), max(id) - min(id) FROM history"),
              "50|INSERT INTO orders VALUES (100)|49");
    EXPECT_EQ(sqlite3(file, "SELECT count(*) FROM history_fts WHERE history_fts MATCH 'orders'"), "50");
    // The next run's entry waits for its own flush or the end of the program.
    HistoryEntry last = entry(QStringLiteral("DELETE FROM orders"));
    ASSERT_TRUE(h.add(last));
    h.flush();
    EXPECT_EQ(sqlite3(file, "SELECT sql FROM history ORDER BY id DESC LIMIT 1"), "DELETE FROM orders");
    {
        QueryHistory second(file, 50);
        ASSERT_TRUE(second.open());
        HistoryEntry other = entry(QStringLiteral("SELECT 'second instance'"));
        ASSERT_TRUE(second.add(other)) << "the first program holds no lock between runs";
    }
    EXPECT_EQ(sqlite3(file, "SELECT count(*) FROM history WHERE sql LIKE '%second instance%'"), "1");
    // Without a flush the entry is committed a moment later all the same, while events are processed.
    HistoryEntry alone = entry(QStringLiteral("VACUUM"));
    ASSERT_TRUE(h.add(alone));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 2000 && sqlite3(file, "SELECT count(*) FROM history WHERE sql = 'VACUUM'") != "1")
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(sqlite3(file, "SELECT count(*) FROM history WHERE sql = 'VACUUM'"), "1");
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

// Entries go into the file together in one statement: every text comes back exactly as it was
// given, whatever characters it holds, and the sqlite3 client reads the same text.
TEST(QueryHistory, EveryCharacterOfAnEntryArrivesUnchanged) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.file("MorvendaHistory.sqlite");
    struct Case {
        QString sql;
        QString connection;
        QString error;
        qint64 durationMs;
        qint64 rows;
    };
    const QList<Case> cases = {
        {"SELECT 'it''s', \"quoted\" FROM t WHERE a = 'C:\\temp\\new'", "DSN=Lager;Uid=anna;Pwd=******", "", 0, 0},
        {"SELECT 1\r\n\t-- Zeile 2\r\nFROM dual", "Driver={SQLite3};Database=/tmp/ä ö ü.db", "", 12, -1},
        {QString("SELECT '") + QChar(1) + QChar(31) + QChar(127) + "'", "x", "ERROR:  syntax error at or near \"\\\"", 5, 3},
        {"INSERT INTO emoji VALUES ('\U0001F600 \u00DF \u20AC \u65E5\u672C')", "", "Überlauf: \"x\" > 9\u00B2", 1, 1},
        {"", "", "", std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min()},
        {QString(5000, QChar(u'x')) + "]\",[\"", "{\"json\":[1,2]}", "\\u0041", 7, 8},
    };
    QList<qint64> ids;
    {
        QueryHistory h(file, 1000);
        ASSERT_TRUE(h.open());
        for (const Case& c : cases) {
            HistoryEntry e = entry(c.sql, c.error.isEmpty(), c.error);
            e.connection = c.connection;
            e.durationMs = c.durationMs;
            e.rows = c.rows;
            ASSERT_TRUE(h.add(e));
            ids << e.id;
        }
    }
    QueryHistory again(file, 1000);
    ASSERT_TRUE(again.open());
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const std::optional<HistoryEntry> e = again.entry(ids[i]);
        ASSERT_TRUE(e) << "case " << i;
        EXPECT_EQ(e->sql, cases[i].sql) << "case " << i;
        EXPECT_EQ(e->connection, cases[i].connection) << "case " << i;
        EXPECT_EQ(e->error, cases[i].error) << "case " << i;
        EXPECT_EQ(e->durationMs, cases[i].durationMs) << "case " << i;
        EXPECT_EQ(e->rows, cases[i].rows) << "case " << i;
        EXPECT_EQ(e->ok, cases[i].error.isEmpty()) << "case " << i;
        EXPECT_EQ(e->started, QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53, 589))) << "case " << i;
    }
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
    if (!haveSqlite3()) GTEST_SKIP() << "sqlite3 client missing";
    EXPECT_EQ(sqlite3(file, QString("SELECT hex(sql) FROM history WHERE id = %1").arg(ids[3])),
              QString::fromLatin1(cases[3].sql.toUtf8().toHex().toUpper()));
    EXPECT_EQ(sqlite3(file, QString("SELECT started, typeof(duration_ms), typeof(ok) FROM history WHERE id = %1").arg(ids[0])),
              "2026-03-14T09:26:53.589|integer|integer");
}

// The entries are written on a thread of their own: a write that fails there (here the table is
// gone, taken by another program) is told once, on the window's side, and the history stops; the
// program goes on.
TEST(QueryHistory, AWriteThatFailsLaterIsToldOnceAndTheHistoryStops) {
    if (!haveSqlite3()) GTEST_SKIP() << "sqlite3 client missing";
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.file("MorvendaHistory.sqlite");
    QueryHistory h(file, 10000);
    ASSERT_TRUE(h.open());
    HistoryEntry first = entry("SELECT 1");
    ASSERT_TRUE(h.add(first));
    h.flush();
    EXPECT_EQ(sqlite3(file, "SELECT count(*) FROM history"), "1");
    EXPECT_EQ(sqlite3(file, "DROP TRIGGER history_ai; DROP TRIGGER history_ad; DROP TABLE history; SELECT 'gone'"),
              "gone");
    // More than wait together: handed to the writer without waiting for it.
    bool accepted = true;
    for (int i = 0; i < 600 && accepted; ++i) {
        HistoryEntry e = entry(QStringLiteral("INSERT INTO t VALUES (%1)").arg(i));
        accepted = h.add(e);
    }
    h.flush();
    EXPECT_FALSE(h.isOpen());
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().startsWith(historyUnavailableText(file, QString()).section(':', 0, 0)))
        << port.lastText().toStdString();
    EXPECT_TRUE(port.lastText().contains("history")) << port.lastText().toStdString();
    HistoryEntry after = entry("SELECT 2");
    EXPECT_FALSE(h.add(after));
    h.flush();
    EXPECT_TRUE(h.search(QString()).isEmpty());
    EXPECT_EQ(port.messages.size(), 1);
}

struct SearchCase {
    const char* typed;
    QStringList found; // newest first
};

TEST(QueryHistory, SearchFindsWordPrefixesNewestFirst) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    QueryHistory h(dir.file("h.sqlite"), 1000);
    ASSERT_TRUE(h.open());
    const char* statements[] = {
        "SELECT * FROM customers",
        "SELECT order_id, total FROM order_items WHERE total > 100",
        "DELETE FROM customers WHERE customer_id = 17",
        "select straße from adressen",
        "INSERT INTO \"Order Details\" VALUES (1, 'x')",
    };
    for (const char* s : statements) {
        HistoryEntry e = entry(QString::fromUtf8(s));
        ASSERT_TRUE(h.add(e));
    }
    const SearchCase cases[] = {
        {"cust", {"DELETE FROM customers WHERE customer_id = 17", "SELECT * FROM customers"}},
        {"CUSTOMERS sel", {"SELECT * FROM customers"}},
        {"order_it", {"SELECT order_id, total FROM order_items WHERE total > 100"}},
        {"stra", {"select straße from adressen"}},
        {"\"order det", {"INSERT INTO \"Order Details\" VALUES (1, 'x')"}},
        {"nothing", {}},
        // Punctuation alone is no word: the newest entries.
        {"*()", {"INSERT INTO \"Order Details\" VALUES (1, 'x')", "select straße from adressen",
                 "DELETE FROM customers WHERE customer_id = 17",
                 "SELECT order_id, total FROM order_items WHERE total > 100", "SELECT * FROM customers"}},
    };
    for (const SearchCase& c : cases)
        EXPECT_EQ(sqlOf(h.search(QString::fromUtf8(c.typed))), c.found) << c.typed;
    EXPECT_EQ(h.search(QString(), 2).size(), 2);
    // The connection and the error text are searched too.
    EXPECT_EQ(h.search("postgresql anna").size(), 5);
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(QueryHistory, MatchExpressionQuotesEveryWordAsAPrefix) {
    EXPECT_EQ(QueryHistory::matchExpression(""), "");
    EXPECT_EQ(QueryHistory::matchExpression("sel cust"), "\"sel\"* \"cust\"*");
    EXPECT_EQ(QueryHistory::matchExpression("a\"b OR c"), "\"a\"* \"b\"* \"OR\"* \"c\"*");
    EXPECT_EQ(QueryHistory::matchExpression("  größe*  "), "\"größe\"*");
}

TEST(QueryHistory, SizeLimitDropsTheOldestFromTableAndIndex) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.file("h.sqlite");
    QueryHistory h(file, 5);
    ASSERT_TRUE(h.open());
    for (int i = 1; i <= 8; ++i) {
        HistoryEntry e = entry(QStringLiteral("SELECT %1 AS marker%1").arg(i));
        ASSERT_TRUE(h.add(e));
    }
    EXPECT_EQ(h.count(), 5);
    EXPECT_TRUE(h.search("marker1").isEmpty());
    EXPECT_EQ(sqlOf(h.search("marker8")), QStringList{"SELECT 8 AS marker8"});
    h.setMaxEntries(2);
    EXPECT_EQ(sqlOf(h.search(QString())), (QStringList{"SELECT 8 AS marker8", "SELECT 7 AS marker7"}));
    if (!haveSqlite3()) GTEST_SKIP() << "sqlite3 client missing";
    // The index forgot the pruned rows as well: its integrity check against the table passes.
    EXPECT_EQ(sqlite3(file, "INSERT INTO history_fts(history_fts, rank) VALUES ('integrity-check', 1); "
                            "SELECT count(*) FROM history_fts WHERE history_fts MATCH 'select'"),
              "2");
}

TEST(QueryHistory, DamagedFilesAreMovedAsideAndAFreshHistoryStarts) {
    if (!haveSqlite3()) GTEST_SKIP() << "sqlite3 client missing";
    struct Damage {
        const char* name;
        std::function<void(const QString&)> apply;
    };
    const Damage damages[] = {
        {"not a database", [](const QString& f) {
             QFile out(f);
             ASSERT_TRUE(out.open(QIODevice::WriteOnly));
             out.write("these are not the rows you are looking for\n");
         }},
        {"cut in half", [](const QString& f) {
             QFile in(f);
             ASSERT_TRUE(in.open(QIODevice::ReadWrite));
             in.resize(in.size() / 2);
         }},
        {"table dropped", [](const QString& f) { sqlite3(f, "DROP TABLE history"); }},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        mvtest::TempFolder dir;
        mvtest::ScriptedUserPort port;
        const QString file = dir.file("MorvendaHistory.sqlite");
        {
            QueryHistory h(file, 1000);
            ASSERT_TRUE(h.open());
            for (int i = 0; i < 300; ++i) {
                HistoryEntry e = entry(QStringLiteral("SELECT %1, '%2'").arg(i).arg(QString(200, u'x')));
                ASSERT_TRUE(h.add(e));
            }
        }
        sqlite3(file, "PRAGMA wal_checkpoint(TRUNCATE)");
        d.apply(file);
        QFile damagedFile(file);
        ASSERT_TRUE(damagedFile.open(QIODevice::ReadOnly));
        const QByteArray damaged = damagedFile.readAll();
        damagedFile.close();
        QueryHistory h(file, 1000);
        ASSERT_TRUE(h.open());
        ASSERT_EQ(port.messages.size(), 1);
        const QStringList aside = QDir(dir.path()).entryList({"MorvendaHistory.sqlite.damaged-*"});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(port.messages[0].text, historyDamagedText(file, dir.file(aside[0])));
        EXPECT_EQ(dir.read(aside[0]).size(), damaged.size()); // nothing of it is lost
        EXPECT_EQ(h.count(), 0);
        HistoryEntry fresh = entry("SELECT 'after'");
        EXPECT_TRUE(h.add(fresh));
        EXPECT_EQ(sqlOf(h.search("after")), QStringList{"SELECT 'after'"});
    }
}

TEST(QueryHistory, AFileOfANewerVersionIsLeftAloneAndTheProgramGoesOnWithout) {
    if (!haveSqlite3()) GTEST_SKIP() << "sqlite3 client missing";
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.file("h.sqlite");
    {
        QueryHistory h(file, 10);
        ASSERT_TRUE(h.open());
    }
    sqlite3(file, QStringLiteral("PRAGMA user_version = %1").arg(QueryHistory::SchemaVersion + 1));
    QueryHistory h(file, 10);
    EXPECT_FALSE(h.open());
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.messages[0].text.contains("newer version")) << port.lastText().toStdString();
    HistoryEntry e = entry("SELECT 1");
    EXPECT_FALSE(h.add(e));
    EXPECT_TRUE(h.search("select").isEmpty());
    EXPECT_EQ(sqlite3(file, "PRAGMA user_version"), QString::number(QueryHistory::SchemaVersion + 1));
}

TEST(QueryHistory, AnUnwritableFolderGivesOneMessageInEitherLanguage) {
    for (const int lang : {1, 2}) {
        setLanguage(lang);
        mvtest::ScriptedUserPort port;
        QueryHistory h(QStringLiteral("/proc/mv-no-such-folder/h.sqlite"), 10);
        EXPECT_FALSE(h.open());
        ASSERT_GE(port.messages.size(), 1);
        EXPECT_TRUE(port.lastText().startsWith(lang == 1 ? "Der Abfrageverlauf '/proc/mv-no-such-folder/h.sqlite'"
                                                         : "The query history '/proc/mv-no-such-folder/h.sqlite'"))
            << port.lastText().toStdString();
        HistoryEntry e = entry("SELECT 1");
        EXPECT_FALSE(h.add(e));
    }
    setLanguage(2);
}

} // namespace
