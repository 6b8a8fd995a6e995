#pragma once
// The SQL editor (txtEdit): QScintilla with the mvSQL colouring, the program's edit commands, the
// caret panel text, insertion of generated text and the find/replace engine that the find dialog
// and the quick search share. Lines and columns are counted from 0; columns count characters.
#include "app/user_port.h"

#include <QPointer>
#include <Qsci/qsciscintilla.h>

class QMenu;

namespace mv {

class SqlLexer;

class SqlEditorWidget : public QsciScintilla {
    Q_OBJECT
  public:
    struct TextPos {
        int line = 0;
        int column = 0;
        bool operator==(const TextPos&) const = default;
    };
    struct FindOptions {
        bool wholeWord = false;
        bool matchCase = false;
    };

    // Sets up the language and the editor (system font, colouring on, LF line ends).
    explicit SqlEditorWidget(QWidget* parent = nullptr);

    SqlLexer* sqlLexer() const { return m_lexer; }

    // ---- Settings ----
    // The font of every style (EditFont).
    void setEditFont(const FontSpec& font);
    FontSpec editFont() const;
    // Automatic syntax colouring (AutoSyntaxColoring, kAutoColoring).
    void setAutoColoring(bool on);
    bool autoColoring() const;
    // Flips the colouring; returns the new state for the setting and the menu check mark.
    bool toggleAutoColoring();
    // A background for every style (the Session tab greys the editor).
    void setEditorPaper(const QColor& colour);

    // ---- Line ends ----
    // The line break of the document: the one ending its first line; LF while it has one line.
    // Enter, paste and every text the program inserts use it.
    QString lineEnd() const;

    // ---- Caret and selection ----
    // Gives the focus when asked, then puts the caret at line, column. A column beyond the line's
    // end stops at the end of the line; a line beyond the last puts the caret at the end of the text.
    void SetCaret(int line, int column, bool focus);
    TextPos caretPos() const;
    TextPos selectionStartPos() const; // the smaller end of the selection
    TextPos selectionEndPos() const;   // the larger end
    // The caret panel text of the selection start ("L: 1, C: 1" / "Z: 1, S: 1").
    QString caretText() const;
    // Selects from line 0, column 0 to the end of the last line.
    void SelectAllText();
    // Marks the text between two positions for a moment (the statement just run).
    static constexpr int FlashIndicator = 9;
    void flashRange(TextPos from, TextPos to, int msecs = 800);

    // ---- Edit commands ----
    // Indents (or outdents) the lines of a selection spanning lines; otherwise the caret's line.
    void IndentSelection(bool indent);
    // Comments ("//" in front) or uncomments every line from the selection's start line to its end
    // line, as one undo step; the lines stay selected.
    void CommentLines(bool comment);
    // Replaces the selection by text, preceded by a line break when lineBreak is true and the
    // selection does not start in column 0 or 1 (lineBreak is then set to false). Line breaks are
    // written in the document's style. The caret ends at the end of the inserted text, which stays
    // selected when keepSelection is true; the editor gets the focus when focus is true.
    void InsertAtCursor(const QString& text, bool& lineBreak, bool keepSelection, bool focus = true);
    // The one way generated text enters the document: InsertAtCursor without keeping the selection.
    void BeiCursorEinfuegen(const QString& text, bool lineBreak, bool focus);
    // Empties the text (undoable).
    void clearText();
    bool canUndo() const { return isUndoAvailable(); }
    bool canRedo() const { return isRedoAvailable(); }
    bool canPaste() const;

    // ---- Find and replace (the editor's own find text, replace text and options) ----
    void setFindText(const QString& text) { m_findText = text; }
    const QString& findText() const { return m_findText; }
    void setReplaceText(const QString& text) { m_replaceText = text; }
    const QString& replaceText() const { return m_replaceText; }
    void setFindOptions(FindOptions options) { m_findOptions = options; }
    FindOptions findOptions() const { return m_findOptions; }
    // Searches forward from the end of the selection and selects the match. Without a match the
    // selection shrinks to the caret and the result is false.
    bool findForward();
    // As findForward, but a search that reaches the end goes on once from the top; `wrapped` tells
    // whether the match lies before the point the search started from.
    bool findForwardWrapping(bool* wrapped);
    // The word the caret stands in or touches; empty between words.
    QString wordAtCaret() const;
    // Replaces the selection when it is a match of the find text, then searches the next match.
    bool replaceAndFindNext(bool* wrapped = nullptr);
    // Replaces every match in the text as one undo step; the number of replacements.
    int replaceAll();

    // ---- Context menu ----
    // The menu a right-click opens (the Edit menu); the editor's own menu never shows.
    void setContextMenu(QMenu* menu);
    // Off on the Session tab: a right-click then opens nothing.
    void setContextMenuEnabled(bool on) { m_contextMenuEnabled = on; }

  signals:
    // The caret panel text changed (for the status bar panel kEdit).
    void caretTextChanged(const QString& text);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void InitSourceCodeLanguage_SQL();
    void InitCodeSense();
    void onSelectionChanged();
    void syncLineEnd();

    long positionOf(int line, int column) const;
    TextPos textPosOf(long position) const;
    QString textRange(long from, long to) const;
    void replaceRange(long from, long to, const QByteArray& utf8);
    long searchForward(const QByteArray& needle, long from, long to, long* matchEnd) const;
    bool selectionIsMatch() const;

    SqlLexer* m_lexer = nullptr;
    QString m_findText;
    QString m_replaceText;
    FindOptions m_findOptions;
    QPointer<QMenu> m_contextMenu;
    bool m_contextMenuEnabled = true;
    QString m_lastCaretText;
};

} // namespace mv
