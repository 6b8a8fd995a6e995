#include "exec/sql_text.h"
#include "exec/statement_at_caret.h"
#include "support/scripted_user_port.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

// "^" marks the caret; the expected text is the statement that runs ("" for none).
struct CaretCase {
    const char* name;
    const char* text;
    const char* expected;
};

void PrintTo(const CaretCase& c, std::ostream* os) {
    *os << c.name;
}

class StatementAtCaretCases : public ::testing::TestWithParam<CaretCase> {};

TEST_P(StatementAtCaretCases, FindsTheStatementAroundTheCaret) {
    mvtest::ScriptedUserPort port;
    QString text = QString::fromUtf8(GetParam().text);
    const qsizetype caret = text.indexOf(u'^');
    ASSERT_GE(caret, 0);
    text.remove(caret, 1);
    const TextSpan span = statementAtCaret(text, caret);
    EXPECT_EQ(text.mid(span.start, span.end - span.start), QString::fromUtf8(GetParam().expected));
    EXPECT_TRUE(port.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, StatementAtCaretCases,
    ::testing::Values(
        CaretCase{"first", "SELECT ^1 FROM a;\nSELECT 2 FROM b;\nSELECT 3;", "SELECT 1 FROM a"},
        CaretCase{"middle", "SELECT 1;\nSELECT ^2 FROM b;\nSELECT 3;", "SELECT 2 FROM b"},
        CaretCase{"last without semicolon", "SELECT 1;\nSELECT 2;\nSELECT 3 FROM c^", "SELECT 3 FROM c"},
        CaretCase{"caret at start", "^SELECT 1;\nSELECT 2", "SELECT 1"},
        CaretCase{"behind the semicolon on its line", "SELECT 1;  ^\nSELECT 2", "SELECT 1"},
        CaretCase{"before the first word on its line", "SELECT 1;\n  ^  SELECT 2", "SELECT 2"},
        CaretCase{"spans lines", "SELECT a,\n  ^b\nFROM t\nWHERE x = 1;\nSELECT 2", "SELECT a,\n  b\nFROM t\nWHERE x = 1"},
        CaretCase{"blank line ends a statement", "SELECT 1\n\nSELECT ^2\n\nSELECT 3", "SELECT 2"},
        CaretCase{"blank line with blanks and CR LF", "SELECT 1\r\n \t\r\nSELECT ^2\r\n", "SELECT 2"},
        CaretCase{"caret on a blank line runs nothing", "SELECT 1;\n^\nSELECT 2;", ""},
        CaretCase{"empty text", "^", ""},
        CaretCase{"comment lines between", "SELECT 1;\n-- the second\n-- two lines\nSELECT ^2;", "SELECT 2"},
        CaretCase{"comment line inside is no blank line", "SELECT a\n-- why\nFROM ^t", "SELECT a\n-- why\nFROM t"},
        CaretCase{"semicolon inside a comment", "SELECT 1 -- a; b\n, ^2;\nSELECT 3", "SELECT 1 -- a; b\n, 2"},
        CaretCase{"semicolon inside a block comment", "SELECT /* ; */ ^1;", "SELECT /* ; */ 1"},
        CaretCase{"caret in a comment before a statement", "SELECT 1;\n/* next ^*/ SELECT 2;", "SELECT 2"},
        CaretCase{"semicolon inside a literal", "SELECT 'a;b', ^1;\nSELECT 2", "SELECT 'a;b', 1"},
        CaretCase{"blank line inside a literal", "SELECT 'a\n\nb' ^x;\nSELECT 2", "SELECT 'a\n\nb' x"},
        CaretCase{"dollar-quoted body",
                  "CREATE FUNCTION f() RETURNS int AS $$\nBEGIN\n  PERFORM 1;\n\n  RETURN ^2;\nEND;\n$$ "
                  "LANGUAGE plpgsql;\nSELECT f();",
                  "CREATE FUNCTION f() RETURNS int AS $$\nBEGIN\n  PERFORM 1;\n\n  RETURN 2;\nEND;\n$$ "
                  "LANGUAGE plpgsql"},
        CaretCase{"tagged dollar body", "DO $body$ BEGIN; ^END $body$;\nSELECT 1", "DO $body$ BEGIN; END $body$"},
        CaretCase{"statement after a dollar body", "DO $$ a; $$;\nSELECT ^1", "SELECT 1"},
        CaretCase{"quoted identifier", "SELECT \"a;b\" ^FROM t;", "SELECT \"a;b\" FROM t"},
        CaretCase{"umlauts count as characters", "SELECT 'äöü';\nSELECT ^'ß'", "SELECT 'ß'"},
        CaretCase{"blank line inside parentheses", "SELECT (1\n\n + ^2) AS s;\nSELECT 3", "SELECT (1\n\n + 2) AS s"},
        CaretCase{"blank line in a routine body",
                  "CREATE PROCEDURE p() BEGIN\n  SELECT 1;\n\n  SELECT ^2;\nEND;\nSELECT 3",
                  "CREATE PROCEDURE p() BEGIN\n  SELECT 1;\n\n  SELECT 2;\nEND"},
        CaretCase{"a comment inside stays in", "SELECT 1 -- one^\n, 2;", "SELECT 1 -- one\n, 2"},
        CaretCase{"caret in a comment behind a statement", "SELECT 1; -- one^\nSELECT 2;", "SELECT 1"}));

TEST(StatementAtCaret, LineColumnAndOffsetRoundTrip) {
    const QString text = QStringLiteral("ab\r\ncdé\n\nx");
    struct {
        int line, column;
        qsizetype offset;
    } cases[] = {{0, 0, 0}, {0, 2, 2}, {1, 0, 4}, {1, 3, 7}, {2, 0, 8}, {3, 1, 10}};
    for (const auto& c : cases) {
        EXPECT_EQ(offsetOfLineColumn(text, c.line, c.column), c.offset) << c.line << ':' << c.column;
        int line = -1, column = -1;
        lineColumnOfOffset(text, c.offset, line, column);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(column, c.column);
    }
    // A column beyond the line's end stops before its CR LF; a line beyond the last at the end.
    EXPECT_EQ(offsetOfLineColumn(text, 0, 99), 2);
    EXPECT_EQ(offsetOfLineColumn(text, 9, 0), text.size());
}

// Whatever the caret, the span is a whole statement of what the splitter makes of the text: one
// of SplitStmts' statements, or a blank-line piece of one.
TEST(StatementAtCaret, SpanIsAlwaysPartOfASplitterStatement) {
    mvtest::ScriptedUserPort port;
    const QString text = QStringLiteral(
        "SELECT 1;\nINSERT INTO t VALUES ('x;y');\n\nUPDATE t\n  SET a = 2\n\nWHERE b;\n"
        "SELECT $$;$$, \"q;\"; DELETE FROM t");
    const QStringList statements = SplitStmts(text);
    for (qsizetype caret = 0; caret <= text.size(); ++caret) {
        const TextSpan span = statementAtCaret(text, caret);
        if (span.isEmpty()) continue;
        const QString piece = text.mid(span.start, span.end - span.start);
        bool inside = false;
        for (const QString& s : statements)
            inside = inside || s.contains(piece);
        EXPECT_TRUE(inside) << caret << ' ' << piece.toStdString();
        EXPECT_FALSE(piece.endsWith(u';'));
        EXPECT_EQ(piece, piece.trimmed());
    }
}

} // namespace
