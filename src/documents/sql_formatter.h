#pragma once
// The SQL formatter and the two editor commands that rewrite the editor's text (format, upper case).
// Pure text work: the window applies the returned change to its editor.
#include "exec/sql_lexer.h"

#include <QString>
#include <optional>

namespace mv {

// Re-lays out SQL text: main clauses on lines of their own, keywords in capitals followed by tab
// stops, select, insert column, value and set lists broken after each comma, blanks around
// operators. It reads the text through the dialect's lexer and only adds or changes blanks and line
// breaks between tokens and the letter case of keywords: strings, quoted names, comments, numbers
// and operators it has no layout rule for are copied exactly as typed. Input line breaks may be
// CR LF or LF; the result uses CR LF and TAB indentation.
// An error is reported (procedure "FormatSQL", module "Globals") and the result is then empty.
QString FormatSQL(const QString& text, SqlDialect dialect = SqlDialect::Generic);

// The same, telling a failure (already reported) apart from an empty result.
std::optional<QString> formatSqlChecked(const QString& text, SqlDialect dialect = SqlDialect::Generic);

// What a text command puts into the editor: the new text of the selection, or of the whole editor
// text when nothing was selected.
struct EditorTextChange {
    bool selectionOnly = false;
    QString text;
    bool operator==(const EditorTextChange&) const = default;
};

// The format command (menu key "kFormatSQL"): the selection formatted, or the whole text when the
// selection is empty. Nothing when the editor text is empty or the formatter failed, so the editor
// keeps its text; on a change the window puts the caret at line 0, column 0 and focuses the editor.
std::optional<EditorTextChange> cmdmSqlFormatChange(const QString& editorText, const QString& selectedText,
                                                    SqlDialect dialect = SqlDialect::Generic);

// The upper-case command (menu key "kUcase"): the selection, or the whole text when the selection is
// empty, in capitals; string literals and comments included. Nothing only after a reported error.
std::optional<EditorTextChange> cmdmUpcaseChange(const QString& editorText, const QString& selectedText);

} // namespace mv
