#include "exec/sql_lexer.h"

#include <array>

namespace mv {
namespace {

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return isDigit(c) || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

bool isWordStart(QChar c, SqlDialect d) {
    return c.isLetter() || c == u'_' || (c == u'$' && d == SqlDialect::MariaDB);
}

// PostgreSQL's operator characters; Generic reads operators the same way, so no operator made of
// several characters is ever broken up.
bool isPgOperatorChar(QChar c) {
    switch (c.unicode()) {
    case u'+': case u'-': case u'*': case u'/': case u'<': case u'>': case u'=': case u'~':
    case u'!': case u'@': case u'#': case u'%': case u'^': case u'&': case u'|': case u'`': case u'?':
        return true;
    default:
        return false;
    }
}

bool isSingleOperatorChar(QChar c) {
    switch (c.unicode()) {
    case u'+': case u'-': case u'*': case u'/': case u'<': case u'>': case u'=': case u'~':
    case u'!': case u'%': case u'^': case u'&': case u'|': case u'?': case u':': case u'@': case u'#':
        return true;
    default:
        return false;
    }
}

// The operators of several characters each dialect has, longest first.
const QList<QStringView>& fixedOperators(SqlDialect d) {
    static const QList<QStringView> maria{u"<=>", u"->>", u"<=", u">=", u"<>", u"!=", u"<<", u">>",
                                          u"&&",  u"||",  u":=", u"->"};
    static const QList<QStringView> sqlite{u"->>", u"->", u"||", u"<<", u">>", u"<=", u">=", u"==", u"!=", u"<>"};
    static const QList<QStringView> server{u"+=", u"-=", u"*=", u"/=", u"%=", u"&=", u"|=", u"^=",
                                           u"!=", u"!<", u"!>", u"<=", u">=", u"<>", u"::"};
    static const QList<QStringView> access{u"<=", u">=", u"<>"};
    switch (d) {
    case SqlDialect::MariaDB:
        return maria;
    case SqlDialect::SQLite:
        return sqlite;
    case SqlDialect::SqlServer:
        return server;
    default:
        return access;
    }
}

} // namespace

bool isSqlWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

SqlDialect sqlDialectOf(const QString& dbmsName, int databaseKind) {
    const QString n = dbmsName.trimmed().toLower();
    if (n.contains(u"postgres")) return SqlDialect::PostgreSQL;
    if (n.contains(u"mariadb") || n.contains(u"mysql")) return SqlDialect::MariaDB;
    if (n.contains(u"sqlite")) return SqlDialect::SQLite;
    if (n.contains(u"sql server") || n.contains(u"sqlserver")) return SqlDialect::SqlServer;
    if (n.contains(u"access") || n.contains(u"jet") || n.contains(u"mdb")) return SqlDialect::Access;
    switch (databaseKind) {
    case 1:
        return SqlDialect::Access;
    case 2:
        return SqlDialect::SqlServer;
    case 5:
        return SqlDialect::PostgreSQL;
    case 6:
        return SqlDialect::MariaDB;
    default:
        return SqlDialect::Generic;
    }
}

bool isCodeToken(SqlTokenKind kind) {
    return kind != SqlTokenKind::Space && kind != SqlTokenKind::LineComment && kind != SqlTokenKind::BlockComment;
}

SqlTokenizer::SqlTokenizer(QStringView text, SqlDialect dialect, qsizetype from)
    : m_text(text), m_dialect(dialect), m_pos(from) {}

SqlToken SqlTokenizer::make(SqlTokenKind kind, qsizetype begin, qsizetype end, bool closed) {
    m_pos = end;
    return SqlToken{kind, begin, end, closed};
}

bool SqlTokenizer::lineCommentAt(qsizetype i) const {
    const QChar c = at(i), n = at(i + 1);
    if (c == u'-' && n == u'-') {
        // MariaDB and MySQL read "--" as a comment only before a blank or a control character:
        // "1--1" is 1 minus minus 1.
        if (m_dialect != SqlDialect::MariaDB) return true;
        const QChar after = at(i + 2);
        return i + 2 >= m_text.size() || after.isSpace() || after.unicode() < 32;
    }
    if (c == u'#') return m_dialect == SqlDialect::MariaDB;
    // "//" is the editor's own comment (Comment Row writes it); no dialect has it as an operator.
    return c == u'/' && n == u'/';
}

// The end of a span opened at i (the opening quote) and closed by `close`; a doubled closing
// character stays inside, and with `backslash` so does any character after a backslash.
qsizetype SqlTokenizer::quotedEnd(qsizetype i, QChar close, bool backslash, bool* closed) const {
    const qsizetype n = m_text.size();
    qsizetype j = i + 1;
    while (j < n) {
        const QChar c = m_text[j];
        if (backslash && c == u'\\') {
            j += 2;
            continue;
        }
        if (c == close) {
            if (j + 1 < n && m_text[j + 1] == close) {
                j += 2;
                continue;
            }
            *closed = true;
            return j + 1;
        }
        ++j;
    }
    *closed = false;
    return n;
}

qsizetype SqlTokenizer::blockCommentEnd(qsizetype i, bool* closed) const {
    const bool nests = m_dialect == SqlDialect::PostgreSQL || m_dialect == SqlDialect::SqlServer;
    const qsizetype n = m_text.size();
    int depth = 1;
    qsizetype j = i + 2;
    while (j < n) {
        if (m_text[j] == u'*' && at(j + 1) == u'/') {
            j += 2;
            if (--depth == 0) {
                *closed = true;
                return j;
            }
            continue;
        }
        if (nests && m_text[j] == u'/' && at(j + 1) == u'*') {
            ++depth;
            j += 2;
            continue;
        }
        ++j;
    }
    *closed = false;
    return n;
}

// Length of the "$tag$" (or "$$") that opens a dollar-quoted string at i, or 0. A "$" inside a
// word ("a$b") or before a digit (a positional "$1") opens nothing.
qsizetype SqlTokenizer::dollarTagLength(qsizetype i) const {
    if (i > 0 && isSqlWordChar(m_text[i - 1])) return 0;
    const qsizetype n = m_text.size();
    qsizetype j = i + 1;
    if (j < n && (m_text[j].isLetter() || m_text[j] == u'_')) {
        ++j;
        while (j < n && (m_text[j].isLetterOrNumber() || m_text[j] == u'_'))
            ++j;
    }
    return (j < n && m_text[j] == u'$') ? j - i + 1 : 0;
}

// "@name|type...@" on one line: the end behind the closing "@", or -1.
qsizetype SqlTokenizer::parameterTagEnd(qsizetype i) const {
    const qsizetype n = m_text.size();
    bool bar = false;
    for (qsizetype j = i + 1; j < n; ++j) {
        const QChar c = m_text[j];
        if (c == u'\r' || c == u'\n') return -1;
        if (c == u'|') bar = true;
        if (c == u'@') return bar && j > i + 1 && m_text[i + 1] != u'|' ? j + 1 : -1;
        // A name or type holds no blank before the first bar.
        if (!bar && c.isSpace()) return -1;
    }
    return -1;
}

qsizetype SqlTokenizer::numberEnd(qsizetype i) const {
    const qsizetype n = m_text.size();
    qsizetype j = i;
    if (m_text[j] == u'0' && (at(j + 1) == u'x' || at(j + 1) == u'X') && isHexDigit(at(j + 2))) {
        j += 2;
        while (j < n && isHexDigit(m_text[j]))
            ++j;
        return j;
    }
    while (j < n && isDigit(m_text[j]))
        ++j;
    if (j < n && m_text[j] == u'.' && !(at(j + 1) == u'.')) {
        ++j;
        while (j < n && isDigit(m_text[j]))
            ++j;
    }
    if (j < n && (m_text[j] == u'e' || m_text[j] == u'E')) {
        qsizetype k = j + 1;
        if (at(k) == u'+' || at(k) == u'-') ++k;
        if (isDigit(at(k))) {
            while (k < n && isDigit(m_text[k]))
                ++k;
            j = k;
        }
    }
    return j;
}

qsizetype SqlTokenizer::operatorEnd(qsizetype i) const {
    const qsizetype n = m_text.size();
    if (m_dialect == SqlDialect::PostgreSQL || m_dialect == SqlDialect::Generic) {
        if (m_text[i] == u':') return at(i + 1) == u':' || at(i + 1) == u'=' ? i + 2 : i + 1;
        if (!isPgOperatorChar(m_text[i])) return i + 1;
        qsizetype j = i;
        while (j < n && isPgOperatorChar(m_text[j])) {
            // A comment starts inside: the operator ends before it.
            if (j > i && ((m_text[j] == u'-' && at(j + 1) == u'-') ||
                          (m_text[j] == u'/' && (at(j + 1) == u'*' || at(j + 1) == u'/'))))
                break;
            ++j;
        }
        // An operator of several characters ends in "+" or "-" only when it holds one of these, so
        // "=-1" is "=" and "-1".
        bool special = false;
        for (qsizetype k = i; k < j; ++k)
            if (QStringView(u"~!@#%^&|`?").contains(m_text[k])) special = true;
        while (!special && j - i > 1 && (m_text[j - 1] == u'+' || m_text[j - 1] == u'-'))
            --j;
        return j;
    }
    for (QStringView op : fixedOperators(m_dialect))
        if (m_text.mid(i).startsWith(op)) return i + op.size();
    return i + 1;
}

SqlToken SqlTokenizer::next() {
    const qsizetype n = m_text.size();
    const qsizetype i = m_pos;
    if (i >= n) return SqlToken{SqlTokenKind::Space, n, n, true};
    const QChar c = m_text[i];
    const QChar nx = at(i + 1);
    const SqlDialect d = m_dialect;
    bool closed = true;

    if (c.isSpace()) {
        qsizetype j = i + 1;
        while (j < n && m_text[j].isSpace())
            ++j;
        return make(SqlTokenKind::Space, i, j);
    }
    if (lineCommentAt(i)) {
        // The comment ends before its line break; PostgreSQL also ends it at a lone CR.
        const bool crEnds = d == SqlDialect::PostgreSQL;
        qsizetype j = i + 1;
        while (j < n && m_text[j] != u'\n' && !(m_text[j] == u'\r' && (crEnds || at(j + 1) == u'\n')))
            ++j;
        return make(SqlTokenKind::LineComment, i, j);
    }
    if (c == u'/' && nx == u'*') {
        const qsizetype j = blockCommentEnd(i, &closed);
        const bool executable = d == SqlDialect::MariaDB &&
                                (at(i + 2) == u'!' || (at(i + 2) == u'M' && at(i + 3) == u'!'));
        return make(executable ? SqlTokenKind::ExecutableComment : SqlTokenKind::BlockComment, i, j, closed);
    }
    if (c == u'\'') {
        const bool backslash = d == SqlDialect::MariaDB || d == SqlDialect::Generic;
        const qsizetype j = quotedEnd(i, c, backslash, &closed);
        return make(SqlTokenKind::String, i, j, closed);
    }
    // E'...' reads backslash escapes on PostgreSQL.
    if ((c == u'E' || c == u'e') && nx == u'\'' && (i == 0 || !isSqlWordChar(m_text[i - 1])) &&
        (d == SqlDialect::PostgreSQL || d == SqlDialect::Generic)) {
        const qsizetype j = quotedEnd(i + 1, nx, true, &closed);
        return make(SqlTokenKind::String, i, j, closed);
    }
    if (c == u'"') {
        const qsizetype j = quotedEnd(i, c, d == SqlDialect::MariaDB, &closed);
        if (d == SqlDialect::MariaDB) return make(SqlTokenKind::String, i, j, closed);
        return make(d == SqlDialect::Access ? SqlTokenKind::String : SqlTokenKind::QuotedName, i, j, closed);
    }
    if (c == u'`' && (d == SqlDialect::MariaDB || d == SqlDialect::SQLite || d == SqlDialect::Generic)) {
        const qsizetype j = quotedEnd(i, c, false, &closed);
        return make(SqlTokenKind::QuotedName, i, j, closed);
    }
    if (c == u'[' && d != SqlDialect::PostgreSQL && d != SqlDialect::MariaDB) {
        const qsizetype j = quotedEnd(i, QChar(u']'), false, &closed);
        return make(SqlTokenKind::QuotedName, i, j, closed);
    }
    if (c == u'$') {
        if (d == SqlDialect::PostgreSQL || d == SqlDialect::Generic) {
            const qsizetype len = dollarTagLength(i);
            if (len > 0) {
                const qsizetype close = m_text.indexOf(m_text.mid(i, len), i + len);
                if (close < 0) return make(SqlTokenKind::String, i, n, false);
                return make(SqlTokenKind::String, i, close + len);
            }
        }
        if (d != SqlDialect::MariaDB && (isDigit(nx) || nx.isLetter() || nx == u'_')) {
            qsizetype j = i + 1;
            while (j < n && isSqlWordChar(m_text[j]))
                ++j;
            return make(SqlTokenKind::Variable, i, j);
        }
    }
    if (c == u'@') {
        const qsizetype tagEnd = parameterTagEnd(i);
        if (tagEnd > 0) return make(SqlTokenKind::ParameterTag, i, tagEnd);
        if (d != SqlDialect::PostgreSQL) {
            qsizetype j = i + 1;
            if (at(j) == u'@' && (d == SqlDialect::MariaDB || d == SqlDialect::SqlServer)) ++j;
            const QChar s = at(j);
            if ((s == u'\'' || s == u'"' || s == u'`') && d == SqlDialect::MariaDB) {
                const qsizetype end = quotedEnd(j, s, s != u'`', &closed);
                return make(SqlTokenKind::Variable, i, end, closed);
            }
            if (isSqlWordChar(s)) {
                while (j < n && (isSqlWordChar(m_text[j]) || m_text[j] == u'.'))
                    ++j;
                return make(SqlTokenKind::Variable, i, j);
            }
        }
    }
    if (c == u'#') {
        if (d == SqlDialect::SqlServer && (isWordStart(nx, d) || nx == u'#')) {
            qsizetype j = i + 1;
            while (j < n && (isSqlWordChar(m_text[j]) || m_text[j] == u'#'))
                ++j;
            return make(SqlTokenKind::Word, i, j);
        }
        if (d == SqlDialect::Access || d == SqlDialect::Generic) {
            // A date literal #...# on one line.
            for (qsizetype j = i + 1; j < n && j < i + 40; ++j) {
                if (m_text[j] == u'\r' || m_text[j] == u'\n') break;
                if (m_text[j] == u'#') {
                    if (j > i + 1) return make(SqlTokenKind::String, i, j + 1);
                    break;
                }
            }
        }
    }
    if ((c == u':' || c == u'?') && (d == SqlDialect::SQLite || d == SqlDialect::Generic) &&
        (c == u'?' ? isDigit(nx) : (nx.isLetter() || nx == u'_'))) {
        qsizetype j = i + 1;
        while (j < n && isSqlWordChar(m_text[j]))
            ++j;
        return make(SqlTokenKind::Variable, i, j);
    }
    if (isDigit(c) || (c == u'.' && isDigit(nx))) {
        const qsizetype j = numberEnd(i);
        // MariaDB names may begin with digits ("1st_col").
        if (d == SqlDialect::MariaDB && j < n && isWordStart(m_text[j], d)) {
            bool digitsOnly = true;
            for (qsizetype k = i; k < j; ++k)
                digitsOnly = digitsOnly && isDigit(m_text[k]);
            qsizetype k = j;
            while (k < n && isSqlWordChar(m_text[k]))
                ++k;
            if (digitsOnly) return make(SqlTokenKind::Word, i, k);
        }
        return make(SqlTokenKind::Number, i, j);
    }
    if (isWordStart(c, d)) {
        qsizetype j = i + 1;
        while (j < n && isSqlWordChar(m_text[j]))
            ++j;
        return make(SqlTokenKind::Word, i, j);
    }
    switch (c.unicode()) {
    case u'(': case u')': case u',': case u';': case u'.': case u'[': case u']': case u'{': case u'}':
        return make(SqlTokenKind::Punctuation, i, i + 1);
    default:
        break;
    }
    if (isSingleOperatorChar(c) || (c == u'`' && d == SqlDialect::PostgreSQL))
        return make(SqlTokenKind::Operator, i, operatorEnd(i));
    // A character outside the Basic Multilingual Plane stays one token.
    if (c.isHighSurrogate() && at(i + 1).isLowSurrogate()) return make(SqlTokenKind::Other, i, i + 2);
    return make(SqlTokenKind::Other, i, i + 1);
}

QList<SqlToken> sqlTokens(QStringView text, SqlDialect dialect) {
    QList<SqlToken> tokens;
    SqlTokenizer lexer(text, dialect);
    while (!lexer.atEnd())
        tokens.append(lexer.next());
    return tokens;
}

} // namespace mv
