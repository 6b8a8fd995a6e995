#include "documents/sql_formatter.h"
#include "support/scripted_user_port.h"

#include <gtest/gtest.h>

using namespace mv;

// Shows TAB, CR and LF in failure messages.
static void PrintTo(const QString& s, std::ostream* os) {
    QString shown = s;
    shown.replace(u'\t', QStringLiteral("<TAB>"))
        .replace(u'\r', QStringLiteral("<CR>"))
        .replace(u'\n', QStringLiteral("<LF>"));
    *os << '"' << shown.toStdString() << '"';
}

namespace {

struct FormatCase {
    const char* name;
    const char* input;
    const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class FormatSqlTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatSqlTest, LaysOutTheText) {
    mvtest::ScriptedUserPort port;
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatSQL(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected));
    EXPECT_TRUE(port.messages.isEmpty());
}

// Expected texts spell TAB as \t and the line break as \r\n.
const FormatCase Cases[] = {
    // The three worked examples.
    {"SelectWhereOrderBy", "select a, b from t where x = 1 and y <> 2 order by a desc",
     "SELECT\t a,\r\n\t\t b\r\nFROM\t\t t\r\nWHERE\t\t x = 1\r\nAND\t\t y <> 2\r\nORDER BY\t a desc"},
    {"UpdateSet", "update t set a = 1, b = -2 where id = 5",
     "UPDATE\t t\r\nSET\t\t a = 1,\r\n\t\t b = -2\r\nWHERE\t\t id = 5"},
    {"InsertValues", "insert into t (a, b) values (1, 'x')",
     "INSERT INTO\t t\r\n\t\t(a,\r\n\t\t b)\r\nVALUES\t (1,\r\n\t\t 'x')"},
    // Operators.
    {"Slash", "a/2", "a / 2"},
    {"LessOrEqual", "a<=b", "a<= b"},
    {"NotEqual", "a<>b", "a <> b"},
    {"GreaterOrEqual", "a>=b", "a>= b"},
    {"Greater", "a>b", "a > b"},
    {"SignStaysWithDigit", "x = -1", "x = -1"},
    {"MinusBeforeWord", "a-b", "a - b"},
    {"DoubleHyphenComment", "select price -- discount\r\nfrom t", "SELECT\t price -- discount\r\nFROM\t\t t"},
    {"CommentedOutWhereStaysAComment", "select a from t\r\n-- where id=5\r\n", "SELECT\t a\r\nFROM\t\t t\r\n -- where id=5\r\n"},
    {"NotEqualsStaysOneOperator", "a!=b", "a != b"},
    {"JsonOperatorsUnchanged", "data->>'x' = a#>>'{a}'", "data->>'x' = a#>>'{a}'"},
    {"ExponentsStayNumbers", "x = 1e-5 + 2.5E+3", "x = 1e-5 + 2.5E+3"},
    {"CastAndAssignmentUnchanged", "a::int := b => c", "a::int := b => c"},
    {"StarAfterDotStays", "select t.*, a from t", "SELECT\t t.*,\r\n\t\t a\r\nFROM\t\t t"},
    {"StartsWithEquals", "=1", " = 1"},
    {"PlusAndStar", "a+b*c", "a + b * c"},
    // Commas.
    {"CommaInFunctionCallKeepsLine", "select max(a,b), c from t",
     "SELECT\t MAX(a,b),\r\n\t\t c\r\nFROM\t\t t"},
    {"KeywordBeforeParenthesisAfterBlank", "select count (*) from t where x in (1)", "SELECT\t COUNT ( * )\r\nFROM\t\t t\r\nWHERE\t\t x IN (1)"},
    {"CommaInWhereKeepsLine", "select a from t where x in (1, 2)",
     "SELECT\t a\r\nFROM\t\t t\r\nWHERE\t\t x IN (1, 2)"},
    {"CommaLineBreakReplacesUsers", "select a,\r\nb from t", "SELECT\t a,\r\n\t\t b\r\nFROM\t\t t"},
    // AND / OR.
    {"BetweenAndStaysOnLine", "select a from t where x between 1 and 2 and y = 3 or z = 4",
     "SELECT\t a\r\nFROM\t\t t\r\nWHERE\t\t x BETWEEN 1 AND 2\r\nAND\t\t y = 3\r\nOR\t\t z = 4"},
    {"AndOutsideWhereIsInline", "select a and b from t", "SELECT\t a AND b\r\nFROM\t\t t"},
    // Keywords.
    {"LastKeywordKeepsCase", "order by a desc", "ORDER BY\t a desc"},
    {"LastTwoWordKeywordKeepsCase", "select a from t order by", "SELECT\t a\r\nFROM\t\t t order by"},
    {"InlineKeywordsInCapitals", "select distinct a as b from t", "SELECT\t DISTINCT a AS b\r\nFROM\t\t t"},
    {"TwoBlanksDoNotJoin", "select a from t group  by a", "SELECT\t a\r\nFROM\t\t t group by a"},
    {"LineBreakDoesNotJoin", "select a from t group\r\nby a", "SELECT\t a\r\nFROM\t\t t group\r\n by a"},
    {"JoiningWordAloneKeepsItsComma", "select group, b from t", "SELECT\t group,\r\n\t\t b\r\nFROM\t\t t"},
    {"JoiningWordBeforeParenthesis", "select order(1) from t", "SELECT\t order(1)\r\nFROM\t\t t"},
    {"DeleteFrom", "delete from t where a = 1", "DELETE\t\r\nFROM\t\t t\r\nWHERE\t\t a = 1"},
    // Spans and comments.
    {"NationalStringKeepsPrefix", "select N'abc' from t", "SELECT\t N'abc'\r\nFROM\t\t t"},
    {"BracketNameKeepsSchema", "select a from dbo.[x y]", "SELECT\t a\r\nFROM\t\t dbo.[x y]"},
    {"QuotedTextUnchanged", "select 'a  ,  from' from t", "SELECT\t 'a  ,  from'\r\nFROM\t\t t"},
    {"DateAndTagSpans", "where d = #1/2/2000# and p = @p|int@",
     "WHERE\t\t d = #1/2/2000#\r\nAND\t\t p = @p|int@"},
    {"UnclosedQuoteCopiesRest", "select 'a,  b from t", "SELECT\t 'a,  b from t"},
    {"UnclosedBracketCopiesRest", "select [a, b", "SELECT\t [a, b"},
    {"LineComment", "select a // note, here\r\nfrom t", "SELECT\t a // note, here\r\nFROM\t\t t"},
    {"LineCommentAtEnd", "select a // the end", "SELECT\t a // the end"},
    {"BlockComment", "select /* x */ a from t", "SELECT\t /* x */ a\r\nFROM\t\t t"},
    {"BlockCommentBeforeLineBreak", "/* head */\r\nselect a", "/* head */\r\nSELECT\t a"},
    {"UnclosedBlockComment", "select a /* open,  end", "SELECT\t a /* open,  end"},
    // Line breaks and indentation.
    {"KeywordAtLineStartGetsNoEmptyLine", "select a\r\nfrom t", "SELECT\t a\r\n FROM\t\t t"},
    {"IndentedKeywordGetsEmptyLine", "select a\r\n  from t", "SELECT\t a\r\n\r\nFROM\t\t t"},
    {"BareLineFeedIsLineBreak", "select a\nfrom t\nwhere b = 1",
     "SELECT\t a\r\n FROM\t\t t\r\n WHERE\t\t b = 1"},
    {"MixedLineBreaks", "a\nb\r\nc", "a\r\n b\r\n c"},
    {"LoneCarriageReturnStays", "a\rb", "a\rb"},
    {"TabsBecomeBlanks", "a\t=\tb", "a = b"},
    {"OuterBlanksTrimmed", "   a = b   ", "a = b"},
    {"Empty", "", ""},
    {"OnlyBlanks", "     ", ""},
    // The line-break device never touches the user's words.
    {"WordRetIsText", "select RET from t", "SELECT\t RET\r\nFROM\t\t t"},
    {"WordsHoldingRetAreText", "select RETURN, xRETy from RET_T",
     "SELECT\t RETURN,\r\n\t\t xRETy\r\nFROM\t\t RET_T"},
    {"RetInLiteralAndComment", "a = ' RET ' // RET", "a = ' RET ' // RET"},
    {"LiteralKeepsLineBreakTabAndBlanks", "x = 'a\r\n\tb   c\nd'", "x = 'a\r\n\tb   c\nd'"},
    {"BlockCommentKeepsItsLines", "/* one\r\n   two */ select a", "/* one\r\n   two */\r\nSELECT\t a"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FormatSqlTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

TEST(FormatSql, DeeplyNestedAndLongTextsFinish) {
    QString text = QStringLiteral("select ");
    text += QString(40000, u'(') + QStringLiteral("a") + QString(40000, u')');
    const QString formatted = FormatSQL(text);
    EXPECT_TRUE(formatted.startsWith(QStringLiteral("SELECT\t (((")));
    EXPECT_TRUE(formatted.contains(QStringLiteral("((a))")));
    EXPECT_EQ(formatted.size(), 8 + 80001);
}

TEST(SqlFormatCommand, FormatsSelectionOrWholeText) {
    mvtest::ScriptedUserPort port;
    EXPECT_EQ(cmdmSqlFormatChange(QStringLiteral("x\r\nselect a from t"), QStringLiteral("a=b")),
              (EditorTextChange{true, QStringLiteral("a = b")}));
    EXPECT_EQ(cmdmSqlFormatChange(QStringLiteral("select a from t"), QString()),
              (EditorTextChange{false, QStringLiteral("SELECT\t a\r\nFROM\t\t t")}));
    EXPECT_EQ(cmdmSqlFormatChange(QString(), QString()), std::nullopt);
    // A selection of blanks legitimately formats to nothing.
    EXPECT_EQ(cmdmSqlFormatChange(QStringLiteral("a   b"), QStringLiteral("   ")),
              (EditorTextChange{true, QString()}));
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(UpcaseCommand, UpperCasesSelectionOrWholeTextIncludingLiterals) {
    EXPECT_EQ(cmdmUpcaseChange(QStringLiteral("select 'x' -- c"), QString()),
              (EditorTextChange{false, QStringLiteral("SELECT 'X' -- C")}));
    EXPECT_EQ(cmdmUpcaseChange(QStringLiteral("select a from t"), QStringLiteral("from t")),
              (EditorTextChange{true, QStringLiteral("FROM T")}));
    EXPECT_EQ(cmdmUpcaseChange(QStringLiteral("größe"), QString()),
              (EditorTextChange{false, QStringLiteral("größe").toUpper()}));
}

} // namespace
