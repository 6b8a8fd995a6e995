#pragma once
// The one statement around the caret, for running it alone: its bounds in the editor's text.
#include <QString>

namespace mv {

struct TextSpan {
    qsizetype start = 0; // first character
    qsizetype end = 0;   // behind the last character
    bool isEmpty() const { return end <= start; }
    bool operator==(const TextSpan&) const = default;
};

// The statement whose text holds `caret` (a character offset into text), or that ends on the
// caret's line before it. Statements end at ";" and at a blank line, both outside quoted spans
// ('...', "...", $tag$...$tag$) and comments. The span is trimmed of blanks and leaves out the ";"
// and comments before the statement's first word. Empty when the caret stands in no statement.
TextSpan statementAtCaret(const QString& text, qsizetype caret);

// The character offset of a line and column (both from 0; the column counts characters, a line
// ends with LF or CR LF). A column beyond the line's end stops at the end of the line.
qsizetype offsetOfLineColumn(const QString& text, int line, int column);
// The line and column of an offset.
void lineColumnOfOffset(const QString& text, qsizetype offset, int& line, int& column);

} // namespace mv
