#include "app/texts.h"
#include "exec/sql_text.h"
#include "support/scripted_user_port.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <gtest/gtest.h>

// Readable failure output for Qt values.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
static void PrintTo(const QVariant& v, std::ostream* os) {
    *os << v.metaType().name() << ' ' << v.toString().toStdString();
}

using namespace mv;

namespace {

struct TextCase {
    const char* input;
    const char* expected;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << '"' << c.input << '"';
}

class StripCommentCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(StripCommentCases, RemovesOnlyRealComments) {
    mvtest::ScriptedUserPort port;
    EXPECT_EQ(StripComment(QString::fromUtf8(GetParam().input)), QString::fromUtf8(GetParam().expected));
    EXPECT_TRUE(port.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Comments, StripCommentCases,
    ::testing::Values(
        TextCase{"a /* x */ b", "a  b"}, TextCase{"/* a */ b /* c", " b "}, TextCase{"a/* x */b", "a b"},
        TextCase{"a/*x*//*y*/b", "a b"}, TextCase{"a/*x*/ b", "a b"}, TextCase{"'a'/*x*/'b'", "'a' 'b'"},
        // "/*/" opens a comment; it does not close it.
        TextCase{"/*/ x */y", "y"},
        // Block comments do not nest: the first "*/" ends the comment.
        TextCase{"/* a /* b */ c */ d", " c */ d"},
        // Line comments end before their line break, which stays.
        TextCase{"a -- x\r\nb", "a \r\nb"}, TextCase{"a--x\r\nb", "a\r\nb"}, TextCase{"a -- x\nb", "a \nb"},
        TextCase{"select id -- key\r\nfrom t", "select id \r\nfrom t"}, TextCase{"a // x\r\nb", "a \r\nb"},
        TextCase{"a --\r\nb", "a \r\nb"}, TextCase{"a --\nb", "a \nb"}, TextCase{"x -- c", "x "},
        TextCase{"-- only", ""}, TextCase{"a -- c\rb", "a "}, TextCase{"a\r\n-- c\r\nb", "a\r\n\r\nb"},
        TextCase{"a -- /* x\r\nb */ c", "a \r\nb */ c"}, TextCase{"a /* -- x */ b", "a  b"},
        // Markers inside literals, identifiers and dollar-quoted bodies are text.
        TextCase{"select 'a//b'", "select 'a//b'"}, TextCase{"select 'http://x'", "select 'http://x'"},
        TextCase{"select '--'", "select '--'"}, TextCase{"select '/*' || '*/'", "select '/*' || '*/'"},
        TextCase{"select 'it''s -- no' -- yes\nx", "select 'it''s -- no' \nx"},
        TextCase{"select \"a--b\" from t", "select \"a--b\" from t"},
        TextCase{"select \"a\"\"--\" -- c", "select \"a\"\"--\" "},
        TextCase{"select $$ -- no /* a */ $$ x", "select $$ -- no /* a */ $$ x"},
        TextCase{"select $fn$ a -- b $x$ c $fn$ -- c", "select $fn$ a -- b $x$ c $fn$ "},
        // A "$" inside a word opens no body.
        TextCase{"select a$b -- c", "select a$b "}, TextCase{"select $1 -- c", "select $1 "},
        // An unclosed span holds the rest of the text.
        TextCase{"select 'abc -- x", "select 'abc -- x"}, TextCase{"select $q$ -- x", "select $q$ -- x"},
        TextCase{"", ""}));

class TrimStrCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(TrimStrCases, TrimsTheTrimSet) {
    EXPECT_EQ(TrimStr(QString::fromUtf8(GetParam().input)), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Blanks, TrimStrCases,
                         ::testing::Values(TextCase{"\t\u00A0x\v", "x"}, TextCase{" \r\n\t\v\u00A0", ""},
                                           TextCase{"", ""}, TextCase{" a b ", "a b"},
                                           TextCase{"\fx\f", "\fx\f"}));

struct SplitCase {
    const char* input;
    std::vector<const char*> expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << '"' << c.input << '"';
}

class SplitStmtsCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitStmtsCases, CutsAtSemicolonsOutsideSpans) {
    QStringList expected;
    for (const char* s : GetParam().expected)
        expected << QString::fromUtf8(s);
    EXPECT_EQ(SplitStmts(QString::fromUtf8(GetParam().input)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, SplitStmtsCases,
    ::testing::Values(SplitCase{"select 1", {"select 1"}}, SplitCase{"select 1;", {"select 1"}},
                      SplitCase{"", {""}}, SplitCase{"select 1;  select 2 ;", {"select 1", "select 2"}},
                      SplitCase{"select 1; select 'a;b'", {"select 1", "select 'a;b'"}},
                      SplitCase{"select 1; select 'x'", {"select 1", "select 'x'"}},
                      SplitCase{"select 1; select 'abc", {"select 1", "select 'abc"}},
                      SplitCase{"a;b", {"a", "b"}}, SplitCase{"x", {"x"}}, SplitCase{"x;y", {"x", "y"}},
                      SplitCase{"select 'it''s'; select 2", {"select 'it''s'", "select 2"}},
                      SplitCase{"a;;b", {"a", "b"}}, SplitCase{";;;", {""}}, SplitCase{" \r\n ; \t", {""}},
                      SplitCase{";a", {"a"}}, SplitCase{"'a;b';c", {"'a;b'", "c"}},
                      SplitCase{"select 1;\r\nselect 2\r\n", {"select 1", "select 2"}},
                      SplitCase{"select \"x;y\" from t; select 2", {"select \"x;y\" from t", "select 2"}},
                      SplitCase{"do $$ begin x; y; end $$; select 1",
                                {"do $$ begin x; y; end $$", "select 1"}},
                      SplitCase{"as $body$ select 1; $body$ language sql; select 2",
                                {"as $body$ select 1; $body$ language sql", "select 2"}},
                      SplitCase{"$a$ x; $b$ y; $a$; z", {"$a$ x; $b$ y; $a$", "z"}},
                      SplitCase{"select a$b; select $1; c", {"select a$b", "select $1", "c"}},
                      SplitCase{"select \"a; b", {"select \"a; b"}},
                      SplitCase{"select $$ a; b", {"select $$ a; b"}}, SplitCase{"a; 'b;c", {"a", "'b;c"}}));

TEST(SplitStmts, UnclosedQuoteInLongTextMakesOneStatement) {
    QString text = QStringLiteral("select 1; select '");
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("a;");
    const QStringList list = SplitStmts(text);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1].size(), 400000 + 8);
}

TEST(SplitStmts, ManyDollarSignsAndQuotesStillSplit) {
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("x$y$'';");
    EXPECT_EQ(SplitStmts(text).size(), 20000);
}

TEST(SplitStmts, MoreThan32767StatementsIsReportedError) {
    mvtest::ScriptedUserPort port;
    const QString most = QStringLiteral("s;").repeated(MaxStatements);
    EXPECT_EQ(SplitStmts(most).size(), MaxStatements);
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_TRUE(SplitStmts(most + QStringLiteral("s")).isEmpty());
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().endsWith("[6]\r\nin Module {Globals}\r\nin Function {SplitStmts}"));
}

struct QuoteCase {
    QVariant value;
    int kind;
    QVariant expected;
};

void PrintTo(const QuoteCase& c, std::ostream* os) {
    *os << c.value.toString().toStdString() << " kind " << c.kind;
}

class QuoteCases : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteCases, WritesLiteralForDatabaseKind) {
    mvtest::ScriptedUserPort port;
    bool ok = false;
    const QVariant got = Quote(GetParam().value, GetParam().kind, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(got.metaType().id(), GetParam().expected.metaType().id());
    EXPECT_EQ(got, GetParam().expected);
    EXPECT_TRUE(port.messages.isEmpty());
}

const QDate Jan31(2024, 1, 31);
const QDateTime Jan31At(Jan31, QTime(13, 45, 6));
const QTime At(13, 45, 6);
QVariant s(const char* t) {
    return QString::fromUtf8(t);
}

INSTANTIATE_TEST_SUITE_P(
    Literals, QuoteCases,
    ::testing::Values(QuoteCase{5, 1, 5}, QuoteCase{1.5, 0, 1.5}, QuoteCase{QVariant(), 0, QVariant()},
                      QuoteCase{s("5"), 0, s(" '5' ")}, QuoteCase{s("#5"), 0, 5.0},
                      QuoteCase{s("#-2.5e1"), 3, -25.0}, QuoteCase{s("O'Neil"), 0, s(" 'O''Neil' ")},
                      QuoteCase{s("a\\b"), 5, s(" 'a\\b' ")}, QuoteCase{s("a\\'b"), 6, s(" 'a\\\\''b' ")},
                      QuoteCase{s("C:\\x\\"), 6, s(" 'C:\\\\x\\\\' ")}, QuoteCase{s(""), 0, s(" '' ")},
                      // Dates: Jet and Oracle/DB2 forms, ODBC escapes for the ODBC kinds and for 99 (a bare
                      // 2024-01-31 would be read as arithmetic).
                      QuoteCase{Jan31, 1, s("#01-31-2024#")}, QuoteCase{Jan31, 3, s(" '31.01.2024' ")},
                      QuoteCase{Jan31, 4, s(" '31.01.2024' ")}, QuoteCase{Jan31, 0, s("{d '2024-01-31'}")},
                      QuoteCase{Jan31, 2, s("{d '2024-01-31'}")}, QuoteCase{Jan31, 5, s("{d '2024-01-31'}")},
                      QuoteCase{Jan31, 6, s("{d '2024-01-31'}")}, QuoteCase{Jan31, 99, s("{d '2024-01-31'}")},
                      QuoteCase{Jan31, 7, QVariant()}, QuoteCase{Jan31At, 0, s("{ts '2024-01-31 13:45:06'}")},
                      QuoteCase{Jan31At, 1, s("#01-31-2024 13:45:06#")},
                      QuoteCase{Jan31At, 3, s(" '31.01.2024' ")}, QuoteCase{At, 5, s("{t '13:45:06'}")},
                      QuoteCase{At, 1, s("#12-30-1899 13:45:06#")},
                      // Texts that read as dates are dates.
                      QuoteCase{s("2024-01-31"), 2, s("{d '2024-01-31'}")},
                      QuoteCase{s("31.01.2024 08:00"), 5, s("{ts '2024-01-31 08:00:00'}")},
                      QuoteCase{s("2024-01-31"), 1, s("#01-31-2024#")},
                      QuoteCase{s("12:30"), 6, s("{t '12:30:00'}")},
                      QuoteCase{s("2024-02-30"), 0, s(" '2024-02-30' ")}));

TEST(Quote, HashTextThatIsNoNumberIsReportedAndEmpty) {
    mvtest::ScriptedUserPort port;
    bool ok = true;
    EXPECT_FALSE(Quote(s("#abc"), 0, &ok).isValid());
    EXPECT_FALSE(ok);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(), "Type mismatch: 'abc' is not a number [13]\r\nin Module {Globals}\r\n"
                               "in Function {Quote}");
}

TEST(SqlLiteralText, NumbersAndDatesInSqlForm) {
    EXPECT_EQ(sqlLiteralText(1.5), "1.5");
    EXPECT_EQ(sqlLiteralText(5.0), "5");
    EXPECT_EQ(sqlLiteralText(qlonglong(-12)), "-12");
    EXPECT_EQ(sqlLiteralText(QVariant()), "");
    EXPECT_EQ(sqlLiteralText(Jan31At), "2024-01-31 13:45:06");
    EXPECT_EQ(sqlLiteralText(Jan31), "2024-01-31");
}

TEST(ReadDateText, RecognisesDatesTimesAndStampsOnly) {
    EXPECT_EQ(readDateText("2024-01-31"), QVariant(Jan31));
    EXPECT_EQ(readDateText(" 31.1.2024 "), QVariant(Jan31));
    EXPECT_EQ(readDateText("2024-01-31T13:45:06"), QVariant(Jan31At));
    EXPECT_EQ(readDateText("2024-01-31 13:45"), QVariant(QDateTime(Jan31, QTime(13, 45))));
    EXPECT_EQ(readDateText("13:45:06"), QVariant(At));
    for (const char* no : {"", "abc", "5", "1.5", "2024", "2024-02-30", "31.01.2024 x", "25:00"})
        EXPECT_FALSE(readDateText(QString::fromUtf8(no)).isValid()) << no;
}

} // namespace
