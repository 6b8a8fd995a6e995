#include "app/texts.h"
#include "documents/editor_text.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

// One letter per byte: D default, C block comment, L line comment, S string, K keyword, B bracket.
QString styleMask(const QByteArray& line, bool& inBlock) {
    static const char letters[] = "DCLSKB";
    QString mask;
    int expected = 0;
    for (const StyleRun& run : lexSqlLine(line, inBlock)) {
        EXPECT_EQ(run.start, expected) << "runs must cover the line without gaps";
        expected = run.start + run.length;
        mask += QString(run.length, QLatin1Char(letters[static_cast<int>(run.style)]));
    }
    EXPECT_EQ(expected, line.size());
    return mask;
}

TEST(EditorText, LanguageDefinition) {
    const SqlLanguage& l = sqlLanguage();
    EXPECT_EQ(l.name, "mvSQL");
    EXPECT_EQ(l.keywords.size(), 31);
    EXPECT_EQ(l.keywords.first(), "SELECT");
    EXPECT_EQ(l.keywords.indexOf("ORDER BY"), 20);
    EXPECT_EQ(l.keywords.last(), "KEY");
    EXPECT_EQ(l.lineComments, QStringList({"//", "--"}));
    EXPECT_EQ(l.stringDelimiters, "'\"@");
}

TEST(EditorText, LexesOneLine) {
    struct Case {
        const char* text;
        const char* mask;
    } cases[] = {
        {"SELECT a FROM t", "KKKKKKDDDKKKKDD"},
        {"select x from y\n", "KKKKKKDDDKKKKDDD"},
        {"SELECTED selection", "DDDDDDDDDDDDDDDDDD"}, // keywords match whole words only
        {"x = 'a -- b' -- c", "DDDDSSSSSSSSDLLLL"},   // comment markers inside strings are text
        {"a // b\r\n", "DDLLLLLL"},
        {"WHERE id = @id|Integer|@", "KKKKKDDDDDDSSSSSSSSSSSSS"}, // parameter tags colour like strings
        {"\"it's\" 'x", "SSSSSSDSS"},                             // an open string stops at the line end
        {"'x\r\n", "SSDD"},
        {"COUNT(*)", "DDDDDBDB"},
        {"ORDER  BY a", "KKKKKKKKKDD"}, // two-word keywords across blanks
        {"ORDER a BY", "DDDDDDDDDD"},   // ORDER and BY alone are no keywords
        {"GROUP\tby x", "KKKKKKKKDD"},
        {"a /* b */ c", "DDCCCCCCCDD"},
        {"NOT NULL ORDERBY", "KKKDKKKKDDDDDDDD"},
        {"stra\xc3\x9f"
         "e IN",
         "DDDDDDDDKK"}, // multi-byte letters are word characters
    };
    for (const Case& c : cases) {
        bool inBlock = false;
        EXPECT_EQ(styleMask(c.text, inBlock), QString::fromLatin1(c.mask)) << c.text;
        EXPECT_FALSE(inBlock) << c.text;
    }
}

TEST(EditorText, BlockCommentSpansLines) {
    bool inBlock = false;
    EXPECT_EQ(styleMask("a /* b\n", inBlock), "DDCCCCC");
    EXPECT_TRUE(inBlock);
    EXPECT_EQ(styleMask("SELECT 'x'\n", inBlock), "CCCCCCCCCCC");
    EXPECT_TRUE(inBlock);
    EXPECT_EQ(styleMask("*/ FROM", inBlock), "CCDKKKK");
    EXPECT_FALSE(inBlock);
    // "/*/" opens a comment without closing it.
    EXPECT_EQ(styleMask("/*/ x", inBlock), "CCCCC");
    EXPECT_TRUE(inBlock);
}

TEST(EditorText, CaretPanelText) {
    setLanguage(2);
    EXPECT_EQ(caretPanelText(0, 0), "L: 1, C: 1");
    EXPECT_EQ(caretPanelText(12344, 99), "L: 12345, C: 100");
    setLanguage(1);
    EXPECT_EQ(caretPanelText(0, 0), "Z: 1, S: 1");
    EXPECT_EQ(caretPanelText(9, 4), "Z: 10, S: 5");
    setLanguage(2);
}

TEST(EditorText, CommentAndUncommentLines) {
    EXPECT_EQ(commentLine("SELECT 1"), "//SELECT 1");
    EXPECT_EQ(commentLine(""), "//");
    EXPECT_EQ(commentLine("  //x"), "//  //x");
    struct Case {
        QString in, out;
    } cases[] = {
        {"   // x", "    x"}, // blanks before // stay, the text after it is untouched
        {"//SELECT", "SELECT"},
        {"////x", "//x"}, // only the first // goes
        {"\t//x", "\tx"},
        {"SELECT 1 // note", "SELECT 1 // note"}, // // further on is no comment marker here
        {"-- x", "-- x"},
        {"/ / x", "/ / x"},
        {"", ""},
        {"   ", "   "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(uncommentLine(c.in), c.out) << c.in.toStdString();
}

TEST(EditorText, InsertionLineBreakRule) {
    struct Case {
        int column;
        bool lineBreak, result;
    } cases[] = {{0, true, false}, {1, true, false},  {2, true, true},
                 {40, true, true}, {0, false, false}, {5, false, false}};
    for (const Case& c : cases)
        EXPECT_EQ(insertionKeepsLineBreak(c.column, c.lineBreak), c.result) << c.column;

    EXPECT_EQ(insertionText("a\r\nb", true, "\n"), "\na\nb");
    EXPECT_EQ(insertionText("a\nb", true, "\r\n"), "\r\na\r\nb");
    EXPECT_EQ(insertionText("a\nb", false, "\r\n"), "a\r\nb");
    EXPECT_EQ(withLineEnds("1\r\n2\n3\r4", "\n"), "1\n2\n3\n4");
    EXPECT_EQ(withLineEnds("1\r\n2\n3\r4", "\r\n"), "1\r\n2\r\n3\r\n4");
    EXPECT_EQ(withLineEnds("\r\n\r\n", "\r"), "\r\r");
}

TEST(EditorText, DocumentLineEnd) {
    EXPECT_EQ(documentLineEnd(""), "\n");
    EXPECT_EQ(documentLineEnd("SELECT 1"), "\n");
    EXPECT_EQ(documentLineEnd("a\r\nb\nc"), "\r\n");
    EXPECT_EQ(documentLineEnd("a\nb\r\nc"), "\n");
    EXPECT_EQ(documentLineEnd("a\rb"), "\r");
    EXPECT_EQ(documentLineEnd("a\r"), "\r");
}

TEST(EditorText, ToolboxCaptions) {
    EXPECT_EQ(sqlCommandCaptions(), QStringList({"SELECT", "SELECT * FROM", "SELECT <f> FROM", "UPDATE SET",
                                                 "INSERT INTO", "DELETE", "FROM", "WHERE"}));
    EXPECT_EQ(operatorCaptions(), QStringList({"(", ")", "=", ">", "<", "<>", "+", "-", "*", "/"}));
    EXPECT_EQ(moreSqlCaptions(), QStringList({"AND", "OR", "ORDER BY", "GROUP BY"}));
    EXPECT_EQ(captionWithTabs("AND"), "AND\t\t");
    EXPECT_EQ(captionWithTabs("WHERE"), "WHERE\t\t");
    EXPECT_EQ(captionWithTabs("SELECT"), "SELECT\t");
    EXPECT_EQ(captionWithTabs("ORDER BY"), "ORDER BY\t");
}

TEST(EditorText, StatementTemplates) {
    const ExplorerPick none;
    const ExplorerPick orders{"Orders", {"a", "b", "c"}, 0};
    const ExplorerPick tableOnly{"Orders", {}, 0};
    const ExplorerPick spaced{"dbo.Order Details", {"[Unit Price]"}, 2};
    const ExplorerPick spacedPg{"public.order details", {}, 0, "\""};
    struct Case {
        const char* caption;
        ExplorerPick pick;
        QString text;
    } cases[] = {
        {"SELECT * FROM", none, "SELECT\t*\r\nFROM\t\t<TableX>"},
        {"SELECT * FROM", orders, "SELECT\t*\r\nFROM\t\tOrders"},
        {"SELECT <f> FROM", none, "SELECT\t<FieldX>\r\nFROM\t\t<TableX>"},
        {"SELECT <f> FROM", orders, "SELECT\ta, b, c\r\nFROM\t\tOrders"},
        {"SELECT <f> FROM", tableOnly, "SELECT\t<FieldX>\r\nFROM\t\tOrders"},
        {"SELECT <f> FROM", spaced, "SELECT\t[Unit Price]\r\nFROM\t\tdbo.[Order Details]"},
        {"SELECT * FROM", spacedPg, "SELECT\t*\r\nFROM\t\t\"public\".\"order details\""},
        {"UPDATE SET", none, "UPDATE\t<TableX>\r\nSET\t\t<FieldX> = <ValueX>"},
        {"UPDATE SET", orders,
         "UPDATE\tOrders\r\nSET\t\ta = <ValueX>,\r\n\t\tb = <ValueX>,\r\n\t\tc = <ValueX>"},
        {"INSERT INTO", none, "INSERT INTO\t<TableX>\r\n\t\t( )\r\nVALUES\t(ValueX)"},
        {"INSERT INTO", orders, "INSERT INTO\tOrders\r\n\t\t(a, b, c )\r\nVALUES\t(ValueX, ValueX, ValueX)"},
        {"INSERT INTO", tableOnly, "INSERT INTO\tOrders\r\n\t\t( )\r\nVALUES\t(ValueX)"},
        {"SELECT", orders, "SELECT\t"},
        {"DELETE", none, "DELETE\t"},
        {"FROM", orders, "FROM\t\t"},
        {"WHERE", none, "WHERE\t\t"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sqlCommandTemplate(c.caption, c.pick), c.text)
            << c.caption << " / " << c.pick.table.toStdString();
}

} // namespace
