#include "documents/sql_formatter.h"

#include "app/error_report.h"

#include <QStringList>
#include <vector>

namespace mv {
namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString CrLfTabs = QStringLiteral("\r\n\t\t");

// Matched without regard to case; "^" stands for the blank inside a two-word keyword.
const QStringList ClauseKeywords =
    QStringLiteral(" Select From Where Delete Insert^into Update Set Group^by Order^by Values ")
        .split(u' ', Qt::SkipEmptyParts);
const QStringList InlineKeywords =
    QStringLiteral(
        " As Between Like And Or Xor In Not Exists Asc Desc Null Distinct Count Sum Max Min Avg Union ")
        .split(u' ', Qt::SkipEmptyParts);
// A word of these followed by one blank joins the next word: "group by", "order by", "insert into".
const QStringList JoiningWords = QStringLiteral(" group order insert ").split(u' ', Qt::SkipEmptyParts);

// The five scan characters that stand for one input line break.
const QString Marker = QStringLiteral(" RET ");
constexpr int MarkerLength = 5;

bool isWordChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'_' ||
           u == u'.';
}

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The blank runs left by the layout rules, tidied in a fixed order.
QString cleanUp(QString text) {
    text.replace(QStringLiteral("  \r\n"), CrLf);
    text.replace(QStringLiteral(" \r\n"), CrLf);
    text.replace(QStringLiteral("   "), QStringLiteral(" "));
    text.replace(QStringLiteral("  "), QStringLiteral(" "));
    text.replace(QStringLiteral("  \t"), QStringLiteral("\t"));
    text.replace(QStringLiteral(" \t"), QStringLiteral("\t"));
    return text;
}

// One run of the formatter over one text. The scan reads a working copy in which TABs are blanks and
// every line break is a five-character marker; a parallel table tells marker characters from the
// user's own, so a word the user spelled RET stays a word. Quoted spans and comments are copied
// from the user's text, and the blank clean-up never touches them.
class Layout {
  public:
    Layout(const QString& text, SqlDialect dialect);
    QString run();

  private:
    bool atMarkerStart(qsizetype i) const { return i < m_n && m_markerPlace[size_t(i)] == 1; }
    bool endsMarker(qsizetype i) const {
        return i >= 0 && i < m_n && m_markerPlace[size_t(i)] == MarkerLength;
    }
    bool isMarkerWord() const { return m_markerPlace[size_t(m_wordStart)] != 0; }

    void appendWordChar(qsizetype i);
    void flushWord(QChar next);
    void writeKeywordLine(const QString& keyword, const QString& afterKeyword);
    QString wordAsTyped() const;
    void writeOperator(qsizetype i);
    void copyVerbatim(qsizetype first, qsizetype last);
    qsizetype copyToken(qsizetype i);
    qsizetype copyComment(qsizetype i);
    void markTokens(SqlDialect dialect);
    qsizetype handleComma(qsizetype i);

    QString m_user;                    // the user's text, blanks trimmed at both ends
    QString m_s;                       // the scan text
    std::vector<quint8> m_markerPlace; // 0: user character, 1..5: place inside a marker
    std::vector<qsizetype> m_origin;   // where each scan character starts in m_user
    std::vector<qsizetype> m_scanOf;   // where each user character is in the scan text
    // For a scan position where a token starts that is copied as typed: its last scan position.
    std::vector<qsizetype> m_tokenLast;
    std::vector<SqlTokenKind> m_tokenKind;
    std::vector<bool> m_inWord; // a character of a name or keyword (also beyond ASCII)
    qsizetype m_n = 0;

    QString m_out;     // the finished result
    QString m_pending; // layout output not yet cleaned up
    QString m_word;
    qsizetype m_wordStart = 0;
    int m_depth = 0;
    QString m_clause;
    QString m_inline;
    qsizetype m_mark = 0; // 0-based: the first position is 0
};

Layout::Layout(const QString& text, SqlDialect dialect) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    m_user = text.mid(begin, end - begin);

    const qsizetype len = m_user.size();
    m_s.reserve(len + len / 8);
    m_markerPlace.reserve(size_t(len + len / 8));
    m_origin.reserve(size_t(len + len / 8));
    m_scanOf.resize(size_t(len + 1));
    for (qsizetype i = 0; i < len; ++i) {
        const QChar c = m_user[i];
        m_scanOf[size_t(i)] = m_s.size();
        if (i + 1 < len) m_scanOf[size_t(i + 1)] = m_s.size();
        const bool crLf = c == u'\r' && i + 1 < len && m_user[i + 1] == u'\n';
        if (crLf || c == u'\n') {
            for (int k = 0; k < MarkerLength; ++k) {
                m_s += Marker[k];
                m_markerPlace.push_back(quint8(k + 1));
                m_origin.push_back(i);
            }
            if (crLf) ++i;
            continue;
        }
        m_s += c == u'\t' ? QChar(u' ') : c;
        m_markerPlace.push_back(0);
        m_origin.push_back(i);
    }
    m_n = m_s.size();
    m_scanOf[size_t(len)] = m_n;
    markTokens(dialect);
}

// Tokens whose characters the layout rules must not touch are copied whole: strings, quoted names,
// comments, variables and parameter tags, numbers with an exponent sign, and operators of several
// characters other than the comparisons the rules lay out themselves.
void Layout::markTokens(SqlDialect dialect) {
    m_tokenLast.assign(size_t(m_n), -1);
    m_tokenKind.assign(size_t(m_n), SqlTokenKind::Other);
    m_inWord.assign(size_t(m_n), false);
    for (const SqlToken& t : sqlTokens(m_user, dialect)) {
        const qsizetype first = m_scanOf[size_t(t.begin)];
        const qsizetype last = m_scanOf[size_t(t.end)] - 1;
        if (first > last) continue;
        const QStringView text = QStringView(m_user).mid(t.begin, t.size());
        bool whole = false;
        switch (t.kind) {
        case SqlTokenKind::String:
        case SqlTokenKind::QuotedName:
        case SqlTokenKind::LineComment:
        case SqlTokenKind::BlockComment:
        case SqlTokenKind::ExecutableComment:
        case SqlTokenKind::Variable:
        case SqlTokenKind::ParameterTag:
            whole = true;
            break;
        case SqlTokenKind::Number:
            whole = text.contains(u'+') || text.contains(u'-');
            break;
        case SqlTokenKind::Operator:
            whole = t.size() > 1 && text != u"<=" && text != u">=" && text != u"<>";
            break;
        case SqlTokenKind::Word:
            for (qsizetype k = first; k <= last; ++k)
                m_inWord[size_t(k)] = true;
            break;
        default:
            break;
        }
        if (whole) {
            m_tokenLast[size_t(first)] = last;
            m_tokenKind[size_t(first)] = t.kind;
        }
    }
}

QString Layout::wordAsTyped() const {
    QString w = m_word;
    w.replace(u'^', u' ');
    return w;
}

void Layout::appendWordChar(qsizetype i) {
    if (m_word.isEmpty()) m_wordStart = i;
    m_word += m_s[i];
}

// A keyword that starts a new line unless the line has only just begun.
void Layout::writeKeywordLine(const QString& keyword, const QString& afterKeyword) {
    if (!(m_mark <= 4 || endsMarker(m_mark))) m_pending += CrLf;
    m_pending += keyword + afterKeyword;
    m_pending += u'\t';
    if (m_word.size() < 6) m_pending += u'\t';
}

// `next` is the character that ended the word.
void Layout::flushWord(QChar next) {
    if (isMarkerWord()) {
        m_pending += CrLf;
        m_mark += m_word.size();
        m_word.clear();
        return;
    }
    const QString upper = m_word.toUpper();
    if (ClauseKeywords.contains(m_word, Qt::CaseInsensitive)) {
        QString shown = upper;
        writeKeywordLine(shown.replace(u'^', u' '), QString());
        m_clause = upper;
    } else if (InlineKeywords.contains(m_word, Qt::CaseInsensitive)) {
        if ((upper == u"AND" || upper == u"OR") && m_clause == u"WHERE" && m_inline != u"BETWEEN")
            writeKeywordLine(upper, QStringLiteral(" "));
        else
            // A function name keeps its "(": MariaDB reads "COUNT (" as no function call.
            m_pending += u' ' + upper + (next == u'(' ? QString() : QStringLiteral(" "));
        m_inline = upper;
    } else {
        m_pending += wordAsTyped();
    }
    m_word.clear();
}

void Layout::writeOperator(qsizetype i) {
    const QChar c = m_s[i];
    const QChar p = i > 0 ? m_s[i - 1] : QChar();
    const QChar n = i + 1 < m_n ? m_s[i + 1] : QChar();
    const bool afterAngle = p == u'<' || p == u'>';
    switch (c.unicode()) {
    case u'-':
        m_pending += isDigit(n) ? QStringLiteral(" -") : QStringLiteral(" - ");
        break;
    case u'*':
        // "t.*" stays one name.
        if (p == u'.') {
            m_pending += c;
            break;
        }
        [[fallthrough]];
    case u'=':
    case u'/':
    case u'+':
        m_pending += afterAngle ? QString(c) + u' ' : u' ' + QString(c) + u' ';
        break;
    case u'<':
        m_pending += n == u'>'   ? QStringLiteral(" <")
                     : n == u'=' ? QStringLiteral("<")
                                 : QStringLiteral(" < ");
        break;
    case u'>':
        if (n == u'=')
            m_pending += u'>';
        else
            m_pending += p == u'<' ? QStringLiteral("> ") : QStringLiteral(" > ");
        break;
    default:
        m_pending += c;
    }
    m_mark = i;
}

// The user's own characters behind scan positions first..last.
void Layout::copyVerbatim(qsizetype first, qsizetype last) {
    const qsizetype from = m_origin[size_t(first)];
    const qsizetype to = last + 1 < m_n ? m_origin[size_t(last + 1)] : m_user.size();
    m_out += cleanUp(m_pending);
    m_pending.clear();
    m_out += QStringView(m_user).mid(from, to - from);
}

// A token copied as typed; returns the position after it. "!=" and "==" get blanks around them
// like the other comparisons.
qsizetype Layout::copyToken(qsizetype i) {
    const qsizetype last = m_tokenLast[size_t(i)];
    const SqlTokenKind kind = m_tokenKind[size_t(i)];
    if (kind == SqlTokenKind::LineComment || kind == SqlTokenKind::BlockComment) return copyComment(i);
    const QStringView typed = QStringView(m_s).mid(i, last - i + 1);
    if (kind == SqlTokenKind::Operator && (typed == u"!=" || typed == u"==")) {
        m_pending += u' ' + typed.toString() + u' ';
        m_mark = last;
        return last + 1;
    }
    copyVerbatim(i, last);
    if (m_s[i] != u'\'') m_mark = last + 1;
    return last + 1;
}

// A // or /* */ comment; returns the position after it (and after the line break that ends it).
qsizetype Layout::copyComment(qsizetype i) {
    qsizetype last = m_tokenLast[size_t(i)];
    copyVerbatim(i, last);
    // A comment before a line break keeps it: a line comment must end where it ended.
    if (atMarkerStart(last + 1)) {
        m_pending += CrLf;
        last += MarkerLength;
    }
    m_mark = last;
    return last + 1;
}

qsizetype Layout::handleComma(qsizetype i) {
    // The comma's own line break replaces the user's; the marker's last blank is scanned as a blank.
    const qsizetype next = atMarkerStart(i + 1) ? i + MarkerLength : i + 1;
    m_pending += u',';
    if ((m_clause == u"SELECT" && m_depth == 0) || (m_clause == u"INSERT^INTO" && m_depth == 1) ||
        (m_clause == u"VALUES" && m_depth == 1) || (m_clause == u"SET" && m_depth == 0))
        m_pending += CrLfTabs;
    return next;
}

QString Layout::run() {
    qsizetype i = 0;
    while (i < m_n) {
        const QChar c = m_s[i];
        const bool wordChar = m_markerPlace[size_t(i)] != 0 ? isWordChar(c) : (isWordChar(c) || m_inWord[size_t(i)]);
        if (m_tokenLast[size_t(i)] < 0 && wordChar) {
            appendWordChar(i++);
            continue;
        }
        const bool whole = m_tokenLast[size_t(i)] >= 0;
        const bool special = c == u'(' || c == u')' || c == u',' || whole;
        if (!m_word.isEmpty()) {
            // Words joined by one blank of the user's own make the two-word keywords.
            if (c == u' ' && m_markerPlace[size_t(i)] == 0 &&
                JoiningWords.contains(m_word, Qt::CaseInsensitive)) {
                m_word += u'^';
                ++i;
                continue;
            }
            flushWord(c); // then the same character is looked at again
            continue;
        }
        if (!special) {
            writeOperator(i++);
            continue;
        }
        switch (c.unicode()) {
        case u'(':
            ++m_depth;
            if (m_clause == u"INSERT^INTO") m_pending += CrLfTabs;
            m_pending += u'(';
            ++i;
            break;
        case u')':
            --m_depth;
            m_pending += u')';
            ++i;
            break;
        case u',':
            i = handleComma(i);
            break;
        default:
            i = copyToken(i);
        }
    }
    m_pending += wordAsTyped();
    m_out += cleanUp(m_pending);
    return m_out;
}

} // namespace

std::optional<QString> formatSqlChecked(const QString& text, SqlDialect dialect) {
    return guarded(Reporter::ErrorMsg, "FormatSQL", "Globals", std::optional<QString>(),
                   [&] { return std::optional<QString>(Layout(text, dialect).run()); });
}

QString FormatSQL(const QString& text, SqlDialect dialect) {
    return formatSqlChecked(text, dialect).value_or(QString());
}

std::optional<EditorTextChange> cmdmSqlFormatChange(const QString& editorText, const QString& selectedText,
                                                    SqlDialect dialect) {
    return guarded(Reporter::ErrorMsg, "cmdmSqlFormat", "frmMain", std::optional<EditorTextChange>(),
                   [&]() -> std::optional<EditorTextChange> {
                       if (editorText.isEmpty()) return std::nullopt;
                       const bool selectionOnly = !selectedText.isEmpty();
                       const std::optional<QString> formatted =
                           formatSqlChecked(selectionOnly ? selectedText : editorText, dialect);
                       if (!formatted) return std::nullopt;
                       return EditorTextChange{selectionOnly, *formatted};
                   });
}

std::optional<EditorTextChange> cmdmUpcaseChange(const QString& editorText, const QString& selectedText) {
    return guarded(
        Reporter::ErrorMsg, "cmdmUpcase", "frmMain", std::optional<EditorTextChange>(),
        [&]() -> std::optional<EditorTextChange> {
            const bool selectionOnly = !selectedText.isEmpty();
            return EditorTextChange{selectionOnly, (selectionOnly ? selectedText : editorText).toUpper()};
        });
}

} // namespace mv
