#pragma once
// The one statement around the caret, for running it alone: its bounds in the editor's text.
#include "exec/sql_lexer.h"

#include <QString>
#include <vector>

namespace mv {

struct TextSpan {
    qsizetype start = 0; // first character
    qsizetype end = 0;   // behind the last character
    bool isEmpty() const { return end <= start; }
    bool operator==(const TextSpan&) const = default;
};

// The statements of the text as the dialect's splitter cuts them, each cut again at blank lines
// (outside strings, comments, parentheses and routine bodies); every span runs from its first code
// to its last, without the delimiter and without the comments in front of it.
std::vector<TextSpan> statementSpans(const QString& text, SqlDialect dialect = SqlDialect::Generic);

// The statement whose span holds `caret` (a character offset into text), or that ends on the
// caret's line before it, or starts on it after it. Empty when the caret stands in no statement
// (on a blank line between two).
TextSpan statementAtCaret(const QString& text, qsizetype caret, SqlDialect dialect = SqlDialect::Generic);

// The character offset of a line and column (both from 0; the column counts characters, a line
// ends with LF or CR LF). A column beyond the line's end stops at the end of the line.
qsizetype offsetOfLineColumn(const QString& text, int line, int column);
// The line and column of an offset.
void lineColumnOfOffset(const QString& text, qsizetype offset, int& line, int& column);

} // namespace mv
