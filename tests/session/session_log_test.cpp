#include "app/clock.h"
#include "app/formats.h"
#include "app/globals.h"
#include "app/texts.h"
#include "db/recordset_xml.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace mv;

namespace {

class SessionLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setClock([this] { return pinned; });
        log.setProgramFolder(folder.path());
    }
    void TearDown() override {
        setClock({});
        setLanguage(2);
    }
    QDateTime pinned{QDate(2026, 12, 6), QTime(11, 47, 28)};
    mvtest::TempFolder folder;
    mvtest::ScriptedUserPort port;
    SessionLog log;
};

TEST_F(SessionLogTest, StartWritesHeaderStartLineAndThreeEmptyLines) {
    log.StartSession(false);
    const QString header = "// { Morvenda " + getVersion() + SessionLog::headerNotice() + "\r\n";
    EXPECT_EQ(log.SessionText(), header + "// { '" + generalDate(pinned) + "' Session start!\r\n\r\n\r\n\r\n");
    EXPECT_EQ(log.SessionHeaderLength(), header.size());
    ASSERT_EQ(log.records().recordCount(), 1);
    EXPECT_EQ(log.records().value(0, 0).toInt(), 30);
    EXPECT_EQ(log.records().value(0, 1), log.records().value(0, 2));
    EXPECT_EQ(log.records().text(0, 3), "Morvenda " + getVersion() + SessionLog::headerNotice());
    EXPECT_EQ(log.records().fieldCount(), 13);
    EXPECT_EQ(log.records().field(11).name, "Errotext");
}

TEST_F(SessionLogTest, GermanStartLine) {
    setLanguage(1);
    log.StartSession(false);
    EXPECT_TRUE(log.SessionText().contains("' Session gestartet!\r\n"));
}

TEST_F(SessionLogTest, DateMarkersFollowTheirRules) {
    log.StartSession(false);
    SessionLogRecord r;
    r.logType = LogSql;
    r.execStart = noDateMarker();
    r.execFinish = noDateMarker();
    ASSERT_TRUE(log.SessionLogInsert(r));
    const QDateTime given(QDate(2026, 1, 2), QTime(3, 4, 5));
    r.execStart = given;
    r.execFinish = QDateTime();
    ASSERT_TRUE(log.SessionLogInsert(r));
    const Recordset& rs = log.records();
    EXPECT_EQ(rs.value(1, 1).toDateTime().toString("yyyyMMddhhmmss"), pinned.toString("yyyyMMddhhmmss"));
    EXPECT_EQ(rs.value(1, 1), rs.value(1, 2));
    EXPECT_EQ(rs.value(2, 1).toDateTime().toString("yyyyMMddhhmmss"), "20260102030405");
    EXPECT_EQ(rs.value(2, 2), rs.value(2, 1));
}

TEST_F(SessionLogTest, LongTextsAreCutToTheirFields) {
    log.StartSession(false);
    SessionLogRecord r;
    r.sql = QString(1500, 'x');
    r.execTime = QString(30, '1');
    ASSERT_TRUE(log.SessionLogInsert(r));
    EXPECT_EQ(log.records().text(1, 3).size(), 1000);
    EXPECT_EQ(log.records().text(1, 9).size(), 20);
}

TEST_F(SessionLogTest, TemporaryFileIsReplacedEachTime) {
    log.StartSession(false);
    log.SaveSession(true);
    log.append("more\r\n");
    log.SaveSession(true);
    EXPECT_EQ(log.lastTextFile(), folder.file("MorvendaSession_temp.txt"));
    EXPECT_EQ(QString::fromUtf8(folder.read("MorvendaSession_temp.txt")), log.SessionText());
}

TEST_F(SessionLogTest, EndWritesClosingLineStampedFilesAndEndRecord) {
    log.StartSession(false);
    const QString started = log.SessionText();
    log.EndSession();
    const QString stamp = "2026_12_06__11_47_28";
    const QByteArray txt = folder.read("MorvendaSession_T" + stamp + ".txt");
    const QString expected = started + "// '" + generalDate(pinned) + "' Session end!\r\n" +
                             QString(log.SessionHeaderLength() - 1, '/');
    EXPECT_EQ(QString::fromUtf8(txt), expected);
    EXPECT_TRUE(log.SessionText().isEmpty());
    ASSERT_EQ(log.records().recordCount(), 2);
    EXPECT_EQ(log.records().value(1, 0).toInt(), 31);
    const auto back = loadXml(folder.file("MorvendaSession_T" + stamp + ".xml"));
    ASSERT_EQ(back.recordCount(), 2);
    EXPECT_EQ(back.field(12).name, "ConnectionString");
    EXPECT_EQ(back.value(1, 0).toInt(), 31);
}

TEST_F(SessionLogTest, ClearStartsAfreshKeepingNoEarlierRecord) {
    log.StartSession(false);
    SessionLogRecord r;
    r.logType = LogSelect;
    log.SessionLogInsert(r);
    log.append("select 1\r\n");
    ASSERT_TRUE(log.SessionlogClear());
    ASSERT_EQ(log.records().recordCount(), 1);
    EXPECT_EQ(log.records().value(0, 0).toInt(), 30);
    EXPECT_FALSE(log.SessionText().contains("select 1"));
    EXPECT_TRUE(log.SessionText().startsWith("// { Morvenda "));
}

TEST(SessionLogTypes, DisplayTexts) {
    const std::pair<int, const char*> cases[] = {{0, "Unknown"}, {1, "SELECT"}, {2, "SQL"}, {10, "Connection"},
                                                 {20, "Transaction start"}, {21, "Transaction commit"},
                                                 {22, "Transaction rollback"}, {30, "Session start"},
                                                 {31, "Session end"}, {40, "Batch start"}, {41, "Batch stop"}};
    for (const auto& [code, text] : cases) EXPECT_EQ(logTypeText(code), text);
}

} // namespace
