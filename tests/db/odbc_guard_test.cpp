// Which statements the MariaDB guard wraps or refuses, without a server.
#include "db/odbc/odbc_session.h"
#include "db/odbc/odbc_statement_guard.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using mv::odbc::guardForMariaDb;
using mv::odbc::leadingWords;

namespace {

TEST(OdbcGuard, LeadingWordsSkipBlanksCommentsAndParentheses) {
    EXPECT_EQ(leadingWords(u"  -- x\n /* y */ ((values (1))", 2), (QStringList{"VALUES"}));
    EXPECT_EQ(leadingWords(u"# note\nset   statement x=1 for select 1", 2),
              (QStringList{"SET", "STATEMENT"}));
    EXPECT_EQ(leadingWords(u"/* never closed", 1), QStringList());
    EXPECT_EQ(leadingWords(u"", 1), QStringList());
}

struct GuardCase {
    const char* sql;
    bool wrapped;
};

class OdbcGuardCases : public ::testing::TestWithParam<GuardCase> {};

TEST_P(OdbcGuardCases, MisreadStatementsAreWrappedOthersPassUnchanged) {
    const QString sql = QString::fromUtf8(GetParam().sql);
    const mv::odbc::GuardedStatement g = guardForMariaDb(sql);
    EXPECT_TRUE(g.refusal.isEmpty());
    EXPECT_EQ(g.rewritten, GetParam().wrapped);
    if (GetParam().wrapped) {
        EXPECT_TRUE(g.sql.startsWith(QLatin1String("BEGIN NOT ATOMIC\n")));
        EXPECT_TRUE(g.sql.endsWith(QLatin1String("\n; END")));
        EXPECT_TRUE(g.sql.contains(sql.trimmed().remove(QRegularExpression(QStringLiteral(";+$")))));
    } else {
        EXPECT_EQ(g.sql, sql);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, OdbcGuardCases,
    ::testing::Values(GuardCase{"VALUES (1, 2)", true}, GuardCase{" /*c*/ (VALUES (1)) -- t", true},
                      GuardCase{"set statement max_statement_time=1 for select 1;", true},
                      GuardCase{"OPTIMIZE TABLE t", true}, GuardCase{"repair table t", true},
                      GuardCase{"XA RECOVER", true}, GuardCase{"XA START 'x'", false},
                      GuardCase{"CACHE INDEX t IN hot", true}, GuardCase{"LOAD INDEX INTO CACHE t", true},
                      GuardCase{"LOAD DATA INFILE 'x' INTO TABLE t", false},
                      GuardCase{"HANDLER `my t` READ FIRST", true}, GuardCase{"HANDLER t OPEN", false},
                      GuardCase{"SET @a = 1", false}, GuardCase{"SELECT 1", false},
                      GuardCase{"INSERT INTO t VALUES (1)", false},
                      GuardCase{"WITH x AS (VALUES (1)) SELECT 1", false}));

TEST(OdbcGuard, HelpIsRefusedWithAReason) {
    const mv::odbc::GuardedStatement g = guardForMariaDb(QStringLiteral("help 'select'"));
    EXPECT_FALSE(g.refusal.isEmpty());
}

TEST(OdbcGuard, PasswordsAreMaskedInConnectionStrings) {
    EXPECT_EQ(mv::odbc::maskPasswords(QStringLiteral("Driver={X};UID=u;PWD={se;cret};Server=s")),
              QStringLiteral("Driver={X};UID=u;PWD=##########;Server=s"));
    EXPECT_EQ(mv::odbc::maskPasswords(QStringLiteral("DSN=d;Password=p")),
              QStringLiteral("DSN=d;Password=##########"));
    EXPECT_EQ(mv::odbc::maskPasswords(QStringLiteral("DSN=d;User=p")), QStringLiteral("DSN=d;User=p"));
}

} // namespace
