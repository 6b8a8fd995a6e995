#include "exec/statement_at_caret.h"

#include "exec/sql_text.h"

#include <vector>

namespace mv {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == QChar(11) || c == QChar(160);
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// The length of a "$tag$" or "$$" opening at i, or 0.
qsizetype dollarOpener(const QString& t, qsizetype i) {
    if (i > 0 && isWordChar(t[i - 1])) return 0;
    qsizetype j = i + 1;
    if (j < t.size() && (t[j].isLetter() || t[j] == u'_')) {
        while (j < t.size() && isWordChar(t[j]))
            ++j;
    }
    return j < t.size() && t[j] == u'$' ? j - i + 1 : 0;
}

struct Masked {
    QString text;                  // comments turned into blanks, line breaks kept
    std::vector<TextSpan> quoted; // the quoted spans, in order
};

// Comments are blanked out so the offsets stay those of the editor's text and no ";" inside a
// comment cuts a statement.
Masked maskComments(const QString& t) {
    Masked m{t, {}};
    const qsizetype n = t.size();
    auto blankOut = [&](qsizetype from, qsizetype to) {
        for (qsizetype k = from; k < to; ++k)
            if (t[k] != u'\n' && t[k] != u'\r') m.text[k] = u' ';
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = t[i];
        const QChar next = i + 1 < n ? t[i + 1] : QChar();
        if (c == u'\'' || c == u'"') {
            qsizetype j = i + 1;
            for (;;) {
                j = t.indexOf(c, j);
                if (j < 0) {
                    j = n;
                    break;
                }
                if (j + 1 < n && t[j + 1] == c) {
                    j += 2;
                    continue;
                }
                ++j;
                break;
            }
            m.quoted.push_back({i, j});
            i = j;
            continue;
        }
        if (c == u'$') {
            if (const qsizetype len = dollarOpener(t, i)) {
                const qsizetype close = t.indexOf(QStringView(t).mid(i, len), i + len);
                const qsizetype end = close < 0 ? n : close + len;
                m.quoted.push_back({i, end});
                i = end;
                continue;
            }
        }
        if ((c == u'-' && next == u'-') || (c == u'/' && next == u'/')) {
            qsizetype j = i;
            while (j < n && t[j] != u'\n' && t[j] != u'\r')
                ++j;
            blankOut(i, j);
            i = j;
            continue;
        }
        if (c == u'/' && next == u'*') {
            const qsizetype close = t.indexOf(u"*/", i + 2);
            const qsizetype end = close < 0 ? n : close + 2;
            blankOut(i, end);
            i = end;
            continue;
        }
        ++i;
    }
    return m;
}

bool insideQuoted(const std::vector<TextSpan>& quoted, qsizetype pos) {
    for (const TextSpan& q : quoted) {
        if (q.start > pos) return false;
        if (pos < q.end) return true;
    }
    return false;
}

TextSpan trimmedSpan(const QString& masked, qsizetype from, qsizetype to) {
    while (from < to && isBlank(masked[from]))
        ++from;
    while (to > from && isBlank(masked[to - 1]))
        --to;
    return {from, to};
}

// The statements of one ";" piece, cut again at blank lines (lines of the original text holding
// nothing but blanks) outside quoted spans.
void cutAtBlankLines(const QString& text, const Masked& m, TextSpan piece, std::vector<TextSpan>& out) {
    qsizetype from = piece.start;
    qsizetype lineStart = piece.start;
    while (lineStart < piece.end) {
        qsizetype lineEnd = text.indexOf(u'\n', lineStart);
        if (lineEnd < 0 || lineEnd > piece.end) lineEnd = piece.end;
        bool blank = lineStart > piece.start && lineEnd < piece.end;
        for (qsizetype k = lineStart; blank && k < lineEnd; ++k)
            blank = isBlank(text[k]);
        if (blank && !insideQuoted(m.quoted, lineStart)) {
            const TextSpan s = trimmedSpan(m.text, from, lineStart);
            if (!s.isEmpty()) out.push_back(s);
            from = lineEnd;
        }
        lineStart = lineEnd + 1;
    }
    const TextSpan s = trimmedSpan(m.text, from, piece.end);
    if (!s.isEmpty()) out.push_back(s);
}

// The statements' spans in text order. The cutting at ";" is the statement splitter's own.
std::vector<TextSpan> statementSpans(const QString& text) {
    const Masked m = maskComments(text);
    std::vector<TextSpan> spans;
    qsizetype cursor = 0;
    for (const QString& statement : SplitStmts(m.text)) {
        if (statement.isEmpty()) continue;
        const qsizetype at = m.text.indexOf(statement, cursor);
        if (at < 0) break;
        cutAtBlankLines(text, m, {at, at + statement.size()}, spans);
        cursor = at + statement.size();
    }
    return spans;
}

bool sameLine(const QString& text, qsizetype a, qsizetype b) {
    return text.indexOf(u'\n', a) < 0 || text.indexOf(u'\n', a) >= b;
}

} // namespace

TextSpan statementAtCaret(const QString& text, qsizetype caret) {
    caret = std::clamp<qsizetype>(caret, 0, text.size());
    const std::vector<TextSpan> spans = statementSpans(text);
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
