#include "exec/sql_lexer.h"
#include "exec/sql_statements.h"
#include "exec/sql_text.h"

#include <gtest/gtest.h>

#include <vector>

using namespace mv;

namespace {

const char* dialectName(SqlDialect d) {
    switch (d) {
    case SqlDialect::Generic: return "generic";
    case SqlDialect::SQLite: return "sqlite";
    case SqlDialect::PostgreSQL: return "postgresql";
    case SqlDialect::MariaDB: return "mariadb";
    case SqlDialect::SqlServer: return "sqlserver";
    case SqlDialect::Access: return "access";
    }
    return "?";
}

QStringList statementsOf(const QString& text, SqlDialect d) {
    QStringList out;
    for (const SqlStatementRange& r : sqlStatementRanges(text, d))
        out << text.mid(r.begin, r.end - r.begin);
    return out;
}

struct SplitCase {
    const char* name;
    SqlDialect dialect;
    const char* text;
    std::vector<const char*> statements;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << dialectName(c.dialect) << ": " << c.text;
}

class DialectSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(DialectSplit, CutsWhereTheNativeClientCuts) {
    const SplitCase& c = GetParam();
    QStringList expected;
    for (const char* s : c.statements)
        expected << QString::fromUtf8(s);
    EXPECT_EQ(statementsOf(QString::fromUtf8(c.text), c.dialect), expected);
}

using D = SqlDialect;

const SplitCase SplitCases[] = {
    // MariaDB strings read backslash escapes: nothing inside them is ever cut off and run.
    {"MariaBackslashQuote", D::MariaDB, "UPDATE a SET note = 'x\\'; DELETE FROM a; -- ' WHERE id = 1;",
     {"UPDATE a SET note = 'x\\'; DELETE FROM a; -- ' WHERE id = 1"}},
    {"MariaDumpName", D::MariaDB, "INSERT INTO c VALUES (1,'O\\'Neil; Ltd');INSERT INTO c VALUES (2,'x');",
     {"INSERT INTO c VALUES (1,'O\\'Neil; Ltd')", "INSERT INTO c VALUES (2,'x')"}},
    {"MariaDoubleQuotedString", D::MariaDB, "SELECT \"a\\\";b\"; SELECT 2", {"SELECT \"a\\\";b\"", "SELECT 2"}},
    {"MariaHashComment", D::MariaDB, "SELECT 1; # it's mine\nSELECT 2; SELECT 3",
     {"SELECT 1", "# it's mine\nSELECT 2", "SELECT 3"}},
    {"MariaDashesNeedBlank", D::MariaDB, "SELECT 1--1; SELECT 2", {"SELECT 1--1", "SELECT 2"}},
    {"MariaDashCommentHidesSemicolon", D::MariaDB, "SELECT 1 -- ; x\n; SELECT 2",
     {"SELECT 1 -- ; x", "SELECT 2"}},
    {"MariaDollarsAreNoQuote", D::MariaDB, "SELECT 1 AS $$a; SELECT 2 AS b$$", {"SELECT 1 AS $$a", "SELECT 2 AS b$$"}},
    {"MariaExecutableCommentIsCode", D::MariaDB, "/*!40101 SET NAMES utf8mb4 */;\n/*M!100316 SET x=1 */;",
     {"/*!40101 SET NAMES utf8mb4 */", "/*M!100316 SET x=1 */"}},
    {"MariaDelimiter", D::MariaDB,
     "DELIMITER ;;\nCREATE TRIGGER t BEFORE INSERT ON a FOR EACH ROW BEGIN SET NEW.x = 1; END ;;\nDELIMITER ;\nSELECT 1;",
     {"CREATE TRIGGER t BEFORE INSERT ON a FOR EACH ROW BEGIN SET NEW.x = 1; END", "SELECT 1"}},
    {"MariaDelimiterInsideWord", D::MariaDB, "delimiter $$\nCREATE PROCEDURE p() BEGIN SELECT 1; END$$\ndelimiter ;\nCALL p()",
     {"CREATE PROCEDURE p() BEGIN SELECT 1; END", "CALL p()"}},
    {"MariaDelimiterSlashes", D::MariaDB, "DELIMITER //\nCREATE FUNCTION f() RETURNS INT BEGIN RETURN 1; END //\nDELIMITER ;",
     {"CREATE FUNCTION f() RETURNS INT BEGIN RETURN 1; END"}},
    {"MariaBodyWithoutDelimiter", D::MariaDB,
     "CREATE PROCEDURE p(IN n INT)\nBEGIN\n  IF n > 0 THEN SELECT 1; ELSE SELECT 2; END IF;\n  "
     "WHILE n > 0 DO SET n = n - 1; END WHILE;\n  CASE n WHEN 0 THEN SELECT 0; END CASE;\nEND;\nCALL p(1);",
     {"CREATE PROCEDURE p(IN n INT)\nBEGIN\n  IF n > 0 THEN SELECT 1; ELSE SELECT 2; END IF;\n  "
      "WHILE n > 0 DO SET n = n - 1; END WHILE;\n  CASE n WHEN 0 THEN SELECT 0; END CASE;\nEND",
      "CALL p(1)"}},
    {"MariaTriggerNestedBlocks", D::MariaDB,
     "CREATE DEFINER=`root`@`%` TRIGGER t AFTER DELETE ON a FOR EACH ROW lbl: BEGIN BEGIN SET @x = CASE WHEN 1 THEN 2 END; END; END lbl; SELECT 1",
     {"CREATE DEFINER=`root`@`%` TRIGGER t AFTER DELETE ON a FOR EACH ROW lbl: BEGIN BEGIN SET @x = CASE WHEN 1 THEN 2 END; END; END lbl",
      "SELECT 1"}},
    {"MariaBeginIsATransaction", D::MariaDB, "BEGIN; INSERT INTO a VALUES (1); COMMIT; BEGIN WORK; ROLLBACK",
     {"BEGIN", "INSERT INTO a VALUES (1)", "COMMIT", "BEGIN WORK", "ROLLBACK"}},
    {"MariaAnonymousBlock", D::MariaDB, "BEGIN NOT ATOMIC SELECT 1; SELECT 2; END; SELECT 3",
     {"BEGIN NOT ATOMIC SELECT 1; SELECT 2; END", "SELECT 3"}},
    {"MariaNoLoneEnd", D::MariaDB, "CREATE TRIGGER t BEFORE UPDATE ON a FOR EACH ROW BEGIN SET NEW.u = 1; SET NEW.v = 2; END;",
     {"CREATE TRIGGER t BEFORE UPDATE ON a FOR EACH ROW BEGIN SET NEW.u = 1; SET NEW.v = 2; END"}},
    {"MariaTableNamedEvent", D::MariaDB, "CREATE TABLE e (event INT); BEGIN; SELECT 1",
     {"CREATE TABLE e (event INT)", "BEGIN", "SELECT 1"}},

    // PostgreSQL: backslashes escape only in E'' strings; dollar quotes; nested comments; parentheses.
    {"PgEscapeString", D::PostgreSQL, "SELECT E'a\\'b;c'; SELECT 2", {"SELECT E'a\\'b;c'", "SELECT 2"}},
    {"PgStandardStringBackslash", D::PostgreSQL, "SELECT 'C:\\'; SELECT 2", {"SELECT 'C:\\'", "SELECT 2"}},
    {"PgNestedComment", D::PostgreSQL, "SELECT /* a /* b; */ c; */ 1; SELECT 2", {"SELECT /* a /* b; */ c; */ 1", "SELECT 2"}},
    {"PgDollarBody", D::PostgreSQL,
     "CREATE FUNCTION f() RETURNS int AS $fn$ BEGIN RETURN 1; END $fn$ LANGUAGE plpgsql; SELECT f()",
     {"CREATE FUNCTION f() RETURNS int AS $fn$ BEGIN RETURN 1; END $fn$ LANGUAGE plpgsql", "SELECT f()"}},
    {"PgAtomicBody", D::PostgreSQL,
     "CREATE OR REPLACE FUNCTION g(a int) RETURNS int LANGUAGE sql BEGIN ATOMIC SELECT CASE WHEN a > 0 THEN 1 END; SELECT a; END; SELECT g(1)",
     {"CREATE OR REPLACE FUNCTION g(a int) RETURNS int LANGUAGE sql BEGIN ATOMIC SELECT CASE WHEN a > 0 THEN 1 END; SELECT a; END",
      "SELECT g(1)"}},
    {"PgBeginIsATransaction", D::PostgreSQL, "BEGIN; SELECT 1; END;", {"BEGIN", "SELECT 1", "END"}},
    {"PgSemicolonInParentheses", D::PostgreSQL, "SELECT (1; 2); SELECT 3", {"SELECT (1; 2)", "SELECT 3"}},
    {"PgHashIsOperator", D::PostgreSQL, "SELECT 5 # 3; SELECT 2", {"SELECT 5 # 3", "SELECT 2"}},
    {"PgDollarParameter", D::PostgreSQL, "SELECT $1; SELECT $2", {"SELECT $1", "SELECT $2"}},

    // SQLite: a trigger ends at the ";" after "; END".
    {"SqliteTrigger", D::SQLite,
     "CREATE TRIGGER t AFTER INSERT ON a BEGIN UPDATE b SET n = n + 1; INSERT INTO c VALUES (CASE WHEN 1 THEN 2 END); END; SELECT 1;",
     {"CREATE TRIGGER t AFTER INSERT ON a BEGIN UPDATE b SET n = n + 1; INSERT INTO c VALUES (CASE WHEN 1 THEN 2 END); END",
      "SELECT 1"}},
    {"SqliteTempTrigger", D::SQLite, "CREATE TEMP TRIGGER t AFTER DELETE ON a BEGIN DELETE FROM b; END;\nBEGIN; END;",
     {"CREATE TEMP TRIGGER t AFTER DELETE ON a BEGIN DELETE FROM b; END", "BEGIN", "END"}},
    // The keywords in any case, as sqlite3_complete reads them; a word that only looks like one
    // in upper case ("endß") is none.
    {"SqliteTriggerAnyCase", D::SQLite,
     "create Temporary trigger t after insert on a begin update b set n = n + 1; eNd; explain select 1; select endß;",
     {"create Temporary trigger t after insert on a begin update b set n = n + 1; eNd", "explain select 1",
      "select endß"}},
    {"SqliteBracketAndBacktick", D::SQLite, "SELECT [a;b], `c;d` FROM t; SELECT 2", {"SELECT [a;b], `c;d` FROM t", "SELECT 2"}},
    {"SqliteBackslashIsText", D::SQLite, "SELECT 'a\\'; SELECT 2", {"SELECT 'a\\'", "SELECT 2"}},

    // SQL Server: GO lines, bracketed names, nested comments.
    {"ServerGo", D::SqlServer, "CREATE TABLE [a;b] (x int)\nGO\nSELECT 1\ngo\n", {"CREATE TABLE [a;b] (x int)", "SELECT 1"}},
    {"ServerProcedureBody", D::SqlServer,
     "CREATE PROCEDURE p AS BEGIN BEGIN TRAN; SELECT 1; BEGIN TRY SELECT 2; END TRY BEGIN CATCH SELECT 3; END CATCH; COMMIT; END; EXEC p",
     {"CREATE PROCEDURE p AS BEGIN BEGIN TRAN; SELECT 1; BEGIN TRY SELECT 2; END TRY BEGIN CATCH SELECT 3; END CATCH; COMMIT; END",
      "EXEC p"}},

    // Generic: every quoting form any dialect has, so nothing is cut inside one of them.
    {"GenericBackslash", D::Generic, "SELECT 'x\\'; DELETE FROM a; --'; SELECT 2", {"SELECT 'x\\'; DELETE FROM a; --'", "SELECT 2"}},
    {"GenericDollar", D::Generic, "DO $$ BEGIN x; END $$; SELECT 2", {"DO $$ BEGIN x; END $$", "SELECT 2"}},
    {"CommentsOnlyAreNoStatement", D::Generic, "-- a;\n/* b; */\n;;", {}},
};

INSTANTIATE_TEST_SUITE_P(Dialects, DialectSplit, ::testing::ValuesIn(SplitCases),
                         [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

struct StripCase {
    SqlDialect dialect;
    const char* text;
    const char* expected;
};

TEST(StripComment, FollowsTheDialect) {
    const StripCase cases[] = {
        {D::MariaDB, "/*!40101 SET x=1 */; /* gone */ SELECT 1", "/*!40101 SET x=1 */;  SELECT 1"},
        {D::MariaDB, "/*M!100316 SET y=2*/", "/*M!100316 SET y=2*/"},
        {D::MariaDB, "SELECT 1 # it's\nFROM t", "SELECT 1 \nFROM t"},
        {D::MariaDB, "SELECT 2--1", "SELECT 2--1"},
        {D::MariaDB, "SELECT 'a\\' -- b'", "SELECT 'a\\' -- b'"},
        {D::MariaDB, "SELECT 1 // 2", "SELECT 1 "},
        {D::PostgreSQL, "SELECT 'a//b' // x\nFROM t", "SELECT 'a//b' \nFROM t"},
        {D::PostgreSQL, "SELECT /* a /* b */ c */ 1", "SELECT  1"},
        {D::PostgreSQL, "SELECT E'\\' -- x' -- y", "SELECT E'\\' -- x' "},
        {D::PostgreSQL, "SELECT '\\' -- x", "SELECT '\\' "},
        {D::PostgreSQL, "SELECT 5 # 3", "SELECT 5 # 3"},
        {D::SQLite, "SELECT '/*', \"--\", [//] -- c", "SELECT '/*', \"--\", [//] "},
        {D::Generic, "SELECT /*! hint */ 1", "SELECT  1"},
    };
    for (const StripCase& c : cases)
        EXPECT_EQ(StripComment(QString::fromUtf8(c.text), c.dialect), QString::fromUtf8(c.expected))
            << dialectName(c.dialect) << ": " << c.text;
}

struct TokenCase {
    SqlDialect dialect;
    const char* text;
    std::vector<const char*> tokens; // the code tokens in order
};

TEST(SqlLexer, ReadsOperatorsNumbersAndQuotesOfTheDialect) {
    const TokenCase cases[] = {
        {D::PostgreSQL, "data->>'x' != 1e-5", {"data", "->>", "'x'", "!=", "1e-5"}},
        {D::PostgreSQL, "a=-1", {"a", "=", "-", "1"}},
        {D::PostgreSQL, "x::int @> y", {"x", "::", "int", "@>", "y"}},
        {D::PostgreSQL, "2.5E+3||U&\"a\"", {"2.5E+3", "||", "U", "&", "\"a\""}},
        {D::PostgreSQL, "$tag$ a $x$ b $tag$ $1", {"$tag$ a $x$ b $tag$", "$1"}},
        {D::MariaDB, "a<=>b, @x := @@sql_mode, 1--1", {"a", "<=>", "b", ",", "@x", ":=", "@@sql_mode", ",", "1", "-", "-", "1"}},
        {D::MariaDB, "`a``b` \"c\\\"d\" 1st", {"`a``b`", "\"c\\\"d\"", "1st"}},
        {D::SQLite, "x->>'$.a' == :p AND ?2", {"x", "->>", "'$.a'", "==", ":p", "AND", "?2"}},
        {D::SqlServer, "[a]]b] += #tmp.x", {"[a]]b]", "+=", "#tmp", ".", "x"}},
        {D::Access, "#01/31/2024# & \"x\"", {"#01/31/2024#", "&", "\"x\""}},
        {D::Generic, "@p|Integer@ = x", {"@p|Integer@", "=", "x"}},
    };
    for (const TokenCase& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        QStringList got, expected;
        for (const SqlToken& t : sqlTokens(text, c.dialect))
            if (isCodeToken(t.kind)) got << text.mid(t.begin, t.size());
        for (const char* s : c.tokens)
            expected << QString::fromUtf8(s);
        EXPECT_EQ(got, expected) << dialectName(c.dialect) << ": " << c.text;
    }
}

TEST(SqlLexer, UnclosedSpansRunToTheEndAndSayWhy) {
    for (const char* text : {"'abc", "\"abc", "/* abc", "$q$ abc", "[abc"}) {
        const QList<SqlToken> tokens = sqlTokens(QString::fromUtf8(text), D::Generic);
        ASSERT_EQ(tokens.size(), 1) << text;
        EXPECT_FALSE(tokens[0].closed) << text;
        EXPECT_EQ(tokens[0].end, qsizetype(strlen(text))) << text;
    }
}

TEST(SqlLexer, DialectFromTheDataSource) {
    EXPECT_EQ(sqlDialectOf("PostgreSQL", 5), D::PostgreSQL);
    EXPECT_EQ(sqlDialectOf("MariaDB", 6), D::MariaDB);
    EXPECT_EQ(sqlDialectOf("MySQL", 6), D::MariaDB);
    EXPECT_EQ(sqlDialectOf("SQLite", 0), D::SQLite);
    EXPECT_EQ(sqlDialectOf("Microsoft SQL Server", 0), D::SqlServer);
    EXPECT_EQ(sqlDialectOf("", 1), D::Access);
    EXPECT_EQ(sqlDialectOf("", 2), D::SqlServer);
    EXPECT_EQ(sqlDialectOf("Oracle", 3), D::Generic);
    EXPECT_EQ(sqlDialectOf("", 0), D::Generic);
}

TEST(SqlStatementAt, FindsTheStatementAroundTheCaret) {
    const QString text = QStringLiteral("SELECT 1;\n\nSELECT 'a;b';\nSELECT 3");
    auto at = [&](qsizetype pos) {
        const auto r = sqlStatementAt(text, D::PostgreSQL, pos);
        return r ? text.mid(r->begin, r->end - r->begin) : QStringLiteral("<none>");
    };
    EXPECT_EQ(at(0), "SELECT 1");
    EXPECT_EQ(at(10), "SELECT 1");
    EXPECT_EQ(at(15), "SELECT 'a;b'");
    EXPECT_EQ(at(text.size()), "SELECT 3");
    EXPECT_FALSE(sqlStatementAt(QStringLiteral(" -- x"), D::PostgreSQL, 0).has_value());
}

// Random texts built from the characters that open and close spans: every cut lies outside any
// string, name or comment of the lexer, and no character is lost or doubled.
TEST(SqlStatements, RandomTextsCutOnlyAtDelimitersOutsideSpans) {
    const QString alphabet = QStringLiteral("ab ;'\"`[]$-#/*\\\nE(),");
    quint32 seed = 12345;
    auto rnd = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (const SqlDialect d : {D::Generic, D::SQLite, D::PostgreSQL, D::MariaDB, D::SqlServer, D::Access}) {
        for (int round = 0; round < 300; ++round) {
            QString text;
            const int len = int(rnd() % 60);
            for (int k = 0; k < len; ++k)
                text += alphabet[int(rnd() % alphabet.size())];
            const QList<SqlToken> tokens = sqlTokens(text, d);
            qsizetype expectBegin = 0;
            for (const SqlToken& t : tokens) {
                ASSERT_EQ(t.begin, expectBegin) << text.toStdString();
                ASSERT_GT(t.end, t.begin) << text.toStdString();
                expectBegin = t.end;
            }
            ASSERT_EQ(expectBegin, text.size());
            for (const SqlStatementRange& r : sqlStatementRanges(text, d)) {
                for (const SqlToken& t : tokens) {
                    if (t.kind == SqlTokenKind::Space) continue;
                    // A statement never starts or ends inside a token.
                    EXPECT_FALSE(r.begin > t.begin && r.begin < t.end) << text.toStdString();
                    EXPECT_FALSE(r.end > t.begin && r.end < t.end) << text.toStdString();
                }
            }
        }
    }
}

} // namespace
