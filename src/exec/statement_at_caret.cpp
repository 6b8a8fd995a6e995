#include "exec/statement_at_caret.h"

#include "exec/sql_statements.h"

#include <vector>

namespace mv {

namespace {

bool isComment(SqlTokenKind kind) {
    return kind == SqlTokenKind::LineComment || kind == SqlTokenKind::BlockComment;
}

// A blank run of text that holds an empty line: two line breaks with nothing but blanks between.
bool holdsBlankLine(QStringView blanks) {
    const qsizetype first = blanks.indexOf(u'\n');
    return first >= 0 && blanks.indexOf(u'\n', first + 1) >= 0;
}

// One statement of the splitter, cut again at blank lines. A blank line inside parentheses or
// after a BEGIN (a routine body) cuts nothing. Each piece starts at its first code and ends after
// its last one, so comments in front of a statement stay out.
void cutAtBlankLines(const QString& text, SqlStatementRange range, SqlDialect dialect, std::vector<TextSpan>& out) {
    const QStringView part = QStringView(text).mid(range.begin, range.end - range.begin);
    qsizetype first = -1, last = -1;
    int parens = 0;
    bool body = false;
    auto flush = [&] {
        if (first >= 0) out.push_back({range.begin + first, range.begin + last});
        first = last = -1;
    };
    for (const SqlToken& t : sqlTokens(part, dialect)) {
        if (t.kind == SqlTokenKind::Space) {
            if (parens == 0 && !body && holdsBlankLine(part.mid(t.begin, t.size()))) flush();
            continue;
        }
        if (isComment(t.kind)) continue; // inside a statement it stays, as the code after it follows
        if (first < 0) first = t.begin;
        last = t.end;
        const QStringView token = part.mid(t.begin, t.size());
        if (t.kind == SqlTokenKind::Punctuation && token == u"(") ++parens;
        if (t.kind == SqlTokenKind::Punctuation && token == u")" && parens > 0) --parens;
        if (t.kind == SqlTokenKind::Word && token.compare(u"BEGIN", Qt::CaseInsensitive) == 0) body = true;
    }
    flush();
}

bool sameLine(const QString& text, qsizetype a, qsizetype b) {
    const qsizetype lf = text.indexOf(u'\n', a);
    return lf < 0 || lf >= b;
}

} // namespace

std::vector<TextSpan> statementSpans(const QString& text, SqlDialect dialect) {
    std::vector<TextSpan> spans;
    for (const SqlStatementRange& r : sqlStatementRanges(text, dialect)) cutAtBlankLines(text, r, dialect, spans);
    return spans;
}

TextSpan statementAtCaret(const QString& text, qsizetype caret, SqlDialect dialect) {
    caret = std::clamp<qsizetype>(caret, 0, text.size());
    const std::vector<TextSpan> spans = statementSpans(text, dialect);
    for (const TextSpan& s : spans)
        if (s.start <= caret && caret <= s.end) return s;
    // Behind a statement's end on its last line ("SELECT 1;  |"), else before its start on its first.
    for (auto it = spans.rbegin(); it != spans.rend(); ++it)
        if (it->end <= caret && sameLine(text, it->end, caret)) return *it;
    for (const TextSpan& s : spans)
        if (s.start >= caret && sameLine(text, caret, s.start)) return s;
    return {};
}

qsizetype offsetOfLineColumn(const QString& text, int line, int column) {
    qsizetype start = 0;
    for (int l = 0; l < line; ++l) {
        const qsizetype lf = text.indexOf(u'\n', start);
        if (lf < 0) return text.size();
        start = lf + 1;
    }
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0) end = text.size();
    if (end > start && text[end - 1] == u'\r') --end;
    return std::min(start + std::max(column, 0), end);
}

void lineColumnOfOffset(const QString& text, qsizetype offset, int& line, int& column) {
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    line = int(QStringView(text).left(offset).count(u'\n'));
    const qsizetype lineStart = offset == 0 ? 0 : text.lastIndexOf(u'\n', offset - 1) + 1;
    column = int(offset - lineStart);
}

} // namespace mv
