#include "app/texts.h"
#include "documents/sql_editor_widget.h"
#include "documents/sql_lexer_widget.h"
#include "documents/sql_toolbox_widget.h"
#include "support/scripted_user_port.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mv;
using Base = QsciScintillaBase;

namespace {

class SqlEditorTest : public ::testing::Test {
  protected:
    void TearDown() override { setLanguage(2); }

    SqlStyle styleAt(long pos) {
        editor.SendScintilla(Base::SCI_COLOURISE, 0UL, -1L);
        return static_cast<SqlStyle>(
            editor.SendScintilla(Base::SCI_GETSTYLEAT, static_cast<unsigned long>(pos)));
    }
    long bytePos(const QString& needle) const { return editor.text().toUtf8().indexOf(needle.toUtf8()); }
    void select(int line1, int col1, int line2, int col2) { editor.setSelection(line1, col1, line2, col2); }

    SqlEditorWidget editor;
};

TEST_F(SqlEditorTest, ColoursTheSqlLanguage) {
    editor.setText("/* head\n   more */ SELECT name, 'it''s'\n"
                   "FROM t WHERE id = @id|Integer|@ -- end\n// all\nORDER BY (x)");
    struct Case {
        const char* at;
        SqlStyle style;
    } cases[] = {
        {"more", SqlStyle::Comment},       {"SELECT", SqlStyle::Keyword}, {"name", SqlStyle::Default},
        {"'it", SqlStyle::String},         {"s'", SqlStyle::String},      {"FROM", SqlStyle::Keyword},
        {"@id", SqlStyle::String},         {"Integer", SqlStyle::String}, {"-- end", SqlStyle::LineComment},
        {"// all", SqlStyle::LineComment}, {"ORDER", SqlStyle::Keyword},  {" BY", SqlStyle::Keyword},
        {"(x", SqlStyle::Bracket},         {"x)", SqlStyle::Default},
    };
    for (const Case& c : cases)
        EXPECT_EQ(styleAt(bytePos(c.at)), c.style) << c.at;

    // Opening a comment recolours the lines below it; closing it again restores them.
    editor.setText("x\nSELECT 1");
    EXPECT_EQ(styleAt(bytePos("SELECT")), SqlStyle::Keyword);
    editor.insertAt("/*", 0, 0);
    EXPECT_EQ(styleAt(bytePos("SELECT")), SqlStyle::Comment);
    editor.insertAt("*/", 0, 3);
    EXPECT_EQ(styleAt(bytePos("SELECT")), SqlStyle::Keyword);
}

TEST_F(SqlEditorTest, ColouringSwitch) {
    editor.setText("SELECT 'a' -- b");
    EXPECT_TRUE(editor.autoColoring());
    editor.setAutoColoring(false);
    for (long pos : {0L, 7L, 11L})
        EXPECT_EQ(styleAt(pos), SqlStyle::Default) << pos;
    EXPECT_TRUE(editor.toggleAutoColoring());
    EXPECT_EQ(styleAt(0), SqlStyle::Keyword);
    EXPECT_EQ(styleAt(11), SqlStyle::LineComment);
}

TEST_F(SqlEditorTest, EditFontOnEveryStyle) {
    editor.setEditFont(FontSpec{"DejaVu Sans Mono", true, 11.5});
    for (int style = 0; style < SqlStyleCount; ++style) {
        const QFont f = editor.sqlLexer()->font(style);
        EXPECT_EQ(f.family(), "DejaVu Sans Mono") << style;
        EXPECT_TRUE(f.bold()) << style;
        EXPECT_DOUBLE_EQ(f.pointSizeF(), 11.5) << style;
        // What the editor draws with, not only what the lexer holds.
        EXPECT_EQ(editor.SendScintilla(Base::SCI_STYLEGETSIZEFRACTIONAL, static_cast<unsigned long>(style)),
                  1150);
        EXPECT_EQ(editor.SendScintilla(Base::SCI_STYLEGETWEIGHT, static_cast<unsigned long>(style)),
                  -QFont::Bold); // Qt weight, negated
    }
    EXPECT_EQ(editor.editFont(), (FontSpec{"DejaVu Sans Mono", true, 11.5}));
    EXPECT_EQ(QString::fromLatin1(editor.sqlLexer()->language()), "mvSQL");
}

TEST_F(SqlEditorTest, CommentsAndUncommentsTheSelectedLines) {
    editor.setText("SELECT a\n\n   // x\nFROM t");
    select(0, 3, 2, 1);
    editor.CommentLines(true);
    EXPECT_EQ(editor.text(), "//SELECT a\n//\n//   // x\nFROM t");
    // The lines stay selected, so the command can be reversed at once.
    editor.CommentLines(false);
    EXPECT_EQ(editor.text(), "SELECT a\n\n   // x\nFROM t");
    editor.CommentLines(false);
    EXPECT_EQ(editor.text(), "SELECT a\n\n    x\nFROM t");
    // A backwards selection visits the same lines; undo takes the whole command back.
    select(3, 2, 2, 0);
    editor.CommentLines(true);
    EXPECT_EQ(editor.text(), "SELECT a\n\n//    x\n//FROM t");
    editor.undo();
    EXPECT_EQ(editor.text(), "SELECT a\n\n    x\nFROM t");
    // CR LF documents keep their line ends.
    editor.setText("a\r\nb\r\n");
    select(0, 0, 1, 1);
    editor.CommentLines(true);
    EXPECT_EQ(editor.text(), "//a\r\n//b\r\n");
}

TEST_F(SqlEditorTest, InsertKeepsTheDocumentsLineEnds) {
    struct Case {
        QString start;
        int line, column;
        QString text;
        bool lineBreak;
        QString result;
        bool lineBreakAfter;
    } cases[] = {
        {"SELECT x", 0, 8, "FROM\t\tt", true, "SELECT x\nFROM\t\tt", true},
        {"SELECT x\r\nWHERE", 0, 8, "\r\nFROM\t\tt", true, "SELECT x\r\n\r\nFROM\t\tt\r\nWHERE", true},
        {"ab\ncd", 1, 1, "x\r\ny", true, "ab\ncx\nyd", false}, // column 1: no line break
        {"ab\ncd", 1, 0, "x", true, "ab\nxcd", false},
        {"a\rb", 1, 1, "1\n2", false, "a\rb1\r2", false},
        {"", 0, 0, "SELECT\t*\r\nFROM\t\t<TableX>", true, "SELECT\t*\nFROM\t\t<TableX>", false},
    };
    for (const Case& c : cases) {
        editor.setText(c.start);
        editor.SetCaret(c.line, c.column, false);
        bool lineBreak = c.lineBreak;
        editor.InsertAtCursor(c.text, lineBreak, false, false);
        EXPECT_EQ(editor.text(), c.result) << c.start.toStdString();
        EXPECT_EQ(lineBreak, c.lineBreakAfter) << c.start.toStdString();
        EXPECT_FALSE(editor.hasSelectedText());
    }
    // The selection is replaced; the caret ends behind the inserted text.
    editor.setText("SELECT old FROM t");
    select(0, 7, 0, 10);
    editor.BeiCursorEinfuegen("new, more", false, false);
    EXPECT_EQ(editor.text(), "SELECT new, more FROM t");
    EXPECT_EQ(editor.caretPos(), (SqlEditorWidget::TextPos{0, 16}));
    // Keeping the selection leaves the inserted text selected.
    bool lineBreak = false;
    editor.InsertAtCursor("x", lineBreak, true, false);
    EXPECT_EQ(editor.selectedText(), "x");
    // Empty text inserts nothing and leaves the caret at the end of the selection.
    select(0, 0, 0, 6);
    lineBreak = true;
    editor.InsertAtCursor("", lineBreak, false, false);
    EXPECT_EQ(editor.caretPos(), (SqlEditorWidget::TextPos{0, 6}));
    EXPECT_TRUE(lineBreak);
}

TEST_F(SqlEditorTest, NewDocumentsUseLf) {
    EXPECT_EQ(editor.lineEnd(), "\n");
    editor.setText("a\r\nb");
    EXPECT_EQ(editor.lineEnd(), "\r\n");
    editor.setText("");
    EXPECT_EQ(editor.lineEnd(), "\n");
    editor.BeiCursorEinfuegen("x\r\ny", false, false);
    EXPECT_EQ(editor.text(), "x\ny");
}

TEST_F(SqlEditorTest, CaretTextInBothLanguages) {
    editor.setText("SELECT\n  äb FROM t");
    QStringList shown;
    QObject::connect(&editor, &SqlEditorWidget::caretTextChanged, [&](const QString& t) { shown << t; });
    editor.SetCaret(1, 4, false); // columns count characters, not bytes
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), "L: 2, C: 5");
    editor.SetCaret(0, 0, false);
    EXPECT_EQ(shown.last(), "L: 1, C: 1");
    setLanguage(1);
    EXPECT_EQ(editor.caretText(), "Z: 1, S: 1");
    select(1, 9, 1, 2); // the smaller end of the selection is shown
    EXPECT_EQ(shown.last(), "Z: 2, S: 3");
}

TEST_F(SqlEditorTest, CaretIsClamped) {
    editor.setText("ab\ncdef\ng");
    editor.SetCaret(0, 99, false);
    EXPECT_EQ(editor.caretPos(), (SqlEditorWidget::TextPos{0, 2})); // not spilled into the next line
    editor.SetCaret(7, 0, false);
    EXPECT_EQ(editor.caretPos(), (SqlEditorWidget::TextPos{2, 1})); // behind the last line: end of text
    editor.SetCaret(-3, -1, false);
    EXPECT_EQ(editor.caretPos(), (SqlEditorWidget::TextPos{0, 0}));
    // A caret in virtual space behind the end of its line goes back to the end of that line.
    editor.SetCaret(1, 4, false);
    editor.SendScintilla(Base::SCI_CHARRIGHTRECTEXTEND); // Alt+Shift+Right at the end of the line
    EXPECT_EQ(editor.caretPos(), (SqlEditorWidget::TextPos{1, 4}));
    EXPECT_EQ(editor.SendScintilla(Base::SCI_GETSELECTIONNCARETVIRTUALSPACE, 0UL), 0);
}

TEST_F(SqlEditorTest, SelectAllAndIndent) {
    editor.setText("a\nb\r\nc");
    editor.SelectAllText();
    EXPECT_EQ(editor.selectedText(), "a\nb\r\nc");
    editor.setText("SELECT a\nFROM t\nWHERE x");
    select(0, 2, 1, 2);
    editor.IndentSelection(true);
    EXPECT_EQ(editor.text(), "\tSELECT a\n\tFROM t\nWHERE x");
    editor.IndentSelection(false);
    EXPECT_EQ(editor.text(), "SELECT a\nFROM t\nWHERE x");
    // Within one line the line is indented and the selected text stays.
    select(2, 0, 2, 5);
    editor.IndentSelection(true);
    EXPECT_EQ(editor.text(), "SELECT a\nFROM t\n\tWHERE x");
    editor.IndentSelection(false);
    EXPECT_EQ(editor.text(), "SELECT a\nFROM t\nWHERE x");
}

TEST_F(SqlEditorTest, EditStates) {
    editor.setText("");
    editor.SendScintilla(Base::SCI_EMPTYUNDOBUFFER);
    EXPECT_FALSE(editor.canUndo());
    editor.BeiCursorEinfuegen("SELECT", false, false);
    EXPECT_TRUE(editor.canUndo());
    editor.undo();
    EXPECT_EQ(editor.text(), "");
    EXPECT_TRUE(editor.canRedo());
    // Inserting over a selection is one step: Undo restores the selected text at once.
    editor.setText("SELECT a");
    editor.setSelection(0, 7, 0, 8);
    editor.BeiCursorEinfuegen("b, c", false, false);
    editor.undo();
    EXPECT_EQ(editor.text(), "SELECT a");
    editor.setText("abc");
    editor.clearText();
    EXPECT_EQ(editor.text(), "");
    editor.undo();
    EXPECT_EQ(editor.text(), "abc");
}

TEST_F(SqlEditorTest, RightClickOpensTheEditMenu) {
    QMenu menu;
    int shown = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, [&] {
        ++shown;
        QTimer::singleShot(0, &menu, &QMenu::close);
    });
    auto rightClick = [this] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                editor.viewport()->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(editor.viewport(), &event);
        return event.isAccepted();
    };
    EXPECT_TRUE(rightClick()); // no menu yet: the editor's own menu is suppressed all the same
    editor.setContextMenu(&menu);
    EXPECT_TRUE(rightClick());
    EXPECT_EQ(shown, 1);
    editor.setContextMenuEnabled(false); // the Session tab
    EXPECT_TRUE(rightClick());
    EXPECT_EQ(shown, 1);
}

TEST_F(SqlEditorTest, ToolboxInsertsThroughTheEditor) {
    SqlToolboxWidget toolbox;
    QObject::connect(
        &toolbox, &SqlToolboxWidget::insertText, &editor,
        [this](const QString& text, bool lineBreak) { editor.BeiCursorEinfuegen(text, lineBreak, false); });
    ASSERT_EQ(toolbox.row("cmdSqlCmd").size(), 8);
    ASSERT_EQ(toolbox.row("cmdOps").size(), 10);
    ASSERT_EQ(toolbox.row("cmdMoreSQL").size(), 4);
    EXPECT_EQ(toolbox.findChild<QPushButton*>("cmdOps_5")->text(), "<>");

    editor.setText("");
    toolbox.findChild<QPushButton*>("cmdSqlCmd_2")->click(); // SELECT <f> FROM, caret in column 0
    EXPECT_EQ(editor.text(), "SELECT\t<FieldX>\nFROM\t\t<TableX>");
    toolbox.findChild<QPushButton*>("cmdMoreSQL_0")->click(); // AND on a new line
    EXPECT_EQ(editor.text(), "SELECT\t<FieldX>\nFROM\t\t<TableX>\nAND\t\t");
    toolbox.findChild<QPushButton*>("cmdOps_2")->click();
    EXPECT_EQ(editor.text(), "SELECT\t<FieldX>\nFROM\t\t<TableX>\nAND\t\t=");

    toolbox.setExplorerPickProvider([] { return ExplorerPick{"Order Details", {"a", "b"}, 1, {}}; });
    editor.setText("x\r\n");
    editor.SetCaret(1, 0, false);
    toolbox.cmdSqlCmd_Click(4);
    EXPECT_EQ(editor.text(), "x\r\nINSERT INTO\t[Order Details]\r\n\t\t(a, b )\r\nVALUES\t(ValueX, ValueX)");

    mvtest::ScriptedUserPort port;
    toolbox.cmdOps_Click(10); // no such button: reported, nothing inserted
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().contains("cmdOps_Click")) << port.lastText().toStdString();
}

} // namespace
