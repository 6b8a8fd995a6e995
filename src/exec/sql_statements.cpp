#include "exec/sql_statements.h"

#include <QRegularExpression>
#include <QStringList>
#include <optional>

namespace mv {
namespace {

// sqlite3_complete()'s states and token classes: a CREATE TRIGGER ends only at a ";" that follows
// "; END".
enum SqliteClass { TkSemi, TkWs, TkOther, TkExplain, TkCreate, TkTemp, TkTrigger, TkEnd };
constexpr int SqliteNext[8][8] = {
    /* 0 INVALID */ {1, 0, 2, 3, 4, 2, 2, 2},
    /* 1 START   */ {1, 1, 2, 3, 4, 2, 2, 2},
    /* 2 NORMAL  */ {1, 2, 2, 2, 2, 2, 2, 2},
    /* 3 EXPLAIN */ {1, 3, 3, 2, 4, 2, 2, 2},
    /* 4 CREATE  */ {1, 4, 2, 2, 2, 4, 5, 2},
    /* 5 TRIGGER */ {6, 5, 5, 5, 5, 5, 5, 5},
    /* 6 SEMI    */ {6, 6, 5, 5, 5, 5, 5, 7},
    /* 7 END     */ {1, 7, 5, 5, 5, 5, 5, 5},
};

bool isAscii(QStringView w) {
    for (const QChar c : w)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// An ASCII word against an upper-case keyword, as the word's upper case would compare.
bool sameAscii(QStringView word, const char* keyword) {
    qsizetype i = 0;
    for (; keyword[i]; ++i) {
        if (i >= word.size()) return false;
        char16_t c = word[i].unicode();
        if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
        if (c != char16_t(keyword[i])) return false;
    }
    return i == word.size();
}

class Splitter {
  public:
    Splitter(const QString& text, SqlDialect dialect) : m_text(text), m_dialect(dialect), m_lexer(text, dialect) {}
    QList<SqlStatementRange> run();

  private:
    void cut();
    void startStatement();
    bool tryClientCommandLine(qsizetype pos);
    qsizetype lineEnd(qsizetype pos) const;
    bool cutsHere(const SqlToken& t);
    void track(const SqlToken& t);
    void trackWord(const QString& word, const SqlToken& t);
    QString nextCodeWord(qsizetype from, bool* semicolonFirst) const;

    const QString& m_text;
    SqlDialect m_dialect;
    SqlTokenizer m_lexer;
    QList<SqlStatementRange> m_ranges;
    QString m_delimiter = QStringLiteral(";");
    bool m_ownDelimiter = false; // m_delimiter is not ";"

    // The statement being read.
    qsizetype m_begin = -1;
    qsizetype m_end = -1;
    bool m_hasCode = false;
    bool m_lineStart = true;
    int m_parens = 0;
    int m_blocks = 0;
    int m_words = 0;
    QString m_firstWord;
    bool m_routine = false;
    bool m_sawParen = false;
    bool m_previousColon = false;
    bool m_afterEnd = false; // the previous word was END
    char m_pgIds[4] = {0, 0, 0, 0};
    int m_sqliteState = 1;
};

void Splitter::startStatement() {
    m_begin = m_end = -1;
    m_hasCode = false;
    m_parens = m_blocks = m_words = 0;
    m_firstWord.clear();
    m_routine = false;
    m_sawParen = m_previousColon = m_afterEnd = false;
    std::fill(std::begin(m_pgIds), std::end(m_pgIds), 0);
    m_sqliteState = 1;
}

void Splitter::cut() {
    if (m_hasCode) m_ranges.append({m_begin, m_end});
    startStatement();
}

qsizetype Splitter::lineEnd(qsizetype pos) const {
    qsizetype j = pos;
    while (j < m_text.size() && m_text[j] != u'\n')
        ++j;
    return j;
}

// The client commands that own a whole line: MariaDB's DELIMITER, SQL Server's GO.
bool Splitter::tryClientCommandLine(qsizetype pos) {
    const qsizetype end = lineEnd(pos);
    const QString line = m_text.mid(pos, end - pos).trimmed();
    if (m_dialect == SqlDialect::MariaDB) {
        if (!line.startsWith(QLatin1String("delimiter"), Qt::CaseInsensitive)) return false;
        if (line.size() > 9 && !line[9].isSpace()) return false;
        QString arg = line.mid(9).trimmed();
        if (!arg.isEmpty() && (arg[0] == u'\'' || arg[0] == u'"' || arg[0] == u'`')) {
            const qsizetype close = arg.indexOf(arg[0], 1);
            arg = close < 0 ? arg.mid(1) : arg.mid(1, close - 1);
        } else {
            const qsizetype blank = arg.indexOf(QRegularExpression(QStringLiteral("\\s")));
            if (blank >= 0) arg.truncate(blank);
        }
        // The client refuses an empty delimiter and keeps the old one.
        if (!arg.isEmpty() && !arg.contains(u'\\')) {
            m_delimiter = arg;
            m_ownDelimiter = arg != u";";
        }
    } else if (m_dialect == SqlDialect::SqlServer) {
        static const QRegularExpression go(QStringLiteral("^go(\\s+\\d+)?$"), QRegularExpression::CaseInsensitiveOption);
        if (!go.match(line).hasMatch()) return false;
    } else {
        return false;
    }
    cut();
    m_lexer.setPosition(end);
    return true;
}

// The next word of code after `from` (upper case), or empty; semicolonFirst tells that a ";" came
// before any word.
QString Splitter::nextCodeWord(qsizetype from, bool* semicolonFirst) const {
    SqlTokenizer look(m_text, m_dialect, from);
    *semicolonFirst = false;
    while (!look.atEnd()) {
        const SqlToken t = look.next();
        if (!isCodeToken(t.kind)) continue;
        if (t.kind == SqlTokenKind::Word) return m_text.mid(t.begin, t.size()).toUpper();
        if (QStringView(m_text).mid(t.begin).startsWith(m_delimiter)) *semicolonFirst = true;
        return QString();
    }
    *semicolonFirst = true;
    return QString();
}

void Splitter::trackWord(const QString& word, const SqlToken& t) {
    ++m_words;
    if (m_words == 1) m_firstWord = word;
    if (m_dialect == SqlDialect::PostgreSQL) {
        // psql's rule: inside CREATE [OR REPLACE] FUNCTION|PROCEDURE, outside parentheses, BEGIN
        // (and CASE within it) opens what END closes.
        if (m_words <= 4 && (word == u"CREATE" || word == u"FUNCTION" || word == u"PROCEDURE" || word == u"OR" ||
                             word == u"REPLACE"))
            m_pgIds[m_words - 1] = char(word[0].toLower().unicode());
        const char* ids = m_pgIds;
        const bool routine = ids[0] == 'c' && (ids[1] == 'f' || ids[1] == 'p' ||
                                               (ids[1] == 'o' && ids[2] == 'r' && (ids[3] == 'f' || ids[3] == 'p')));
        if (!routine || m_parens != 0) return;
        if (word == u"BEGIN")
            ++m_blocks;
        else if (word == u"CASE" && m_blocks >= 1)
            ++m_blocks;
        else if (word == u"END" && m_blocks > 0)
            --m_blocks;
        return;
    }
    if (m_dialect == SqlDialect::SQLite) return;
    const bool afterEnd = m_afterEnd;
    m_afterEnd = word == u"END";
    // The CASE of "END CASE" belongs to the END that closed it; it opens nothing.
    if (afterEnd && word == u"CASE") return;
    if ((m_firstWord == u"CREATE" || m_firstWord == u"ALTER") && m_blocks == 0 && !m_sawParen &&
        (word == u"PROCEDURE" || word == u"FUNCTION" || word == u"TRIGGER" || word == u"EVENT" ||
         word == u"PROC" || word == u"PACKAGE"))
        m_routine = true;
    bool semicolonNext = false;
    if (word == u"BEGIN") {
        const QString next = nextCodeWord(t.end, &semicolonNext);
        static const QStringList transactionWords{QStringLiteral("TRAN"),     QStringLiteral("TRANSACTION"),
                                                  QStringLiteral("WORK"),     QStringLiteral("DISTRIBUTED"),
                                                  QStringLiteral("DEFERRED"), QStringLiteral("IMMEDIATE"),
                                                  QStringLiteral("EXCLUSIVE"), QStringLiteral("DIALOG"),
                                                  QStringLiteral("CONVERSATION")};
        if (semicolonNext || transactionWords.contains(next)) return;
        bool opens = m_routine || m_blocks > 0;
        if (m_words == 1) opens = m_dialect == SqlDialect::MariaDB ? next == u"NOT" : true;
        // A labelled block: "name: BEGIN".
        if (m_words == 2 && m_previousColon) opens = true;
        if (opens) ++m_blocks;
    } else if (word == u"CASE") {
        if (m_blocks > 0) ++m_blocks;
    } else if (word == u"END" && m_blocks > 0) {
        const QString next = nextCodeWord(t.end, &semicolonNext);
        // END IF, END LOOP, END WHILE, END REPEAT, END FOR close what never counted.
        if (next == u"IF" || next == u"LOOP" || next == u"WHILE" || next == u"REPEAT" || next == u"FOR") return;
        --m_blocks;
    }
}

void Splitter::track(const SqlToken& t) {
    if (m_dialect == SqlDialect::SQLite) {
        SqliteClass cls = TkOther;
        if (t.kind == SqlTokenKind::Word) {
            const QStringView word = QStringView(m_text).mid(t.begin, t.size());
            if (isAscii(word)) {
                // Read in place: a script has a dozen words per statement.
                if (sameAscii(word, "EXPLAIN")) cls = TkExplain;
                else if (sameAscii(word, "CREATE")) cls = TkCreate;
                else if (sameAscii(word, "TEMP") || sameAscii(word, "TEMPORARY")) cls = TkTemp;
                else if (sameAscii(word, "TRIGGER")) cls = TkTrigger;
                else if (sameAscii(word, "END")) cls = TkEnd;
            } else {
                const QString w = word.toString().toUpper();
                if (w == u"EXPLAIN") cls = TkExplain;
                else if (w == u"CREATE") cls = TkCreate;
                else if (w == u"TEMP" || w == u"TEMPORARY") cls = TkTemp;
                else if (w == u"TRIGGER") cls = TkTrigger;
                else if (w == u"END") cls = TkEnd;
            }
        } else if (t.kind == SqlTokenKind::Punctuation && m_text[t.begin] == u';') {
            cls = TkSemi;
        }
        m_sqliteState = SqliteNext[m_sqliteState][cls];
        return;
    }
    if (t.kind == SqlTokenKind::Punctuation) {
        const QChar c = m_text[t.begin];
        if (c == u'(') ++m_parens, m_sawParen = true;
        else if (c == u')' && m_parens > 0) --m_parens;
        return;
    }
    if (t.kind == SqlTokenKind::Word) trackWord(m_text.mid(t.begin, t.size()).toUpper(), t);
}

// True when the delimiter at the token's start ends the statement.
bool Splitter::cutsHere(const SqlToken& t) {
    if (!m_ownDelimiter) {
        if (m_text[t.begin] != u';') return false;
    } else {
        // A delimiter of the user's own always cuts.
        return QStringView(m_text).mid(t.begin).startsWith(m_delimiter);
    }
    switch (m_dialect) {
    case SqlDialect::SQLite:
        return SqliteNext[m_sqliteState][TkSemi] == 1;
    case SqlDialect::MariaDB:
        return m_blocks == 0;
    default:
        return m_blocks == 0 && m_parens == 0;
    }
}

QList<SqlStatementRange> Splitter::run() {
    const bool clientCommands = m_dialect == SqlDialect::MariaDB || m_dialect == SqlDialect::SqlServer;
    while (!m_lexer.atEnd()) {
        const qsizetype pos = m_lexer.position();
        if (clientCommands && m_lineStart && tryClientCommandLine(pos)) continue;
        // A delimiter of the user's own comes before any other reading: "//" ends a statement
        // after DELIMITER //, though it starts a comment elsewhere.
        if (m_ownDelimiter && QStringView(m_text).mid(pos).startsWith(m_delimiter)) {
            m_lineStart = false;
            cut();
            m_lexer.setPosition(pos + m_delimiter.size());
            continue;
        }
        SqlToken t = m_lexer.next();
        if (t.kind == SqlTokenKind::Space) {
            if (!m_lineStart) {
                for (qsizetype i = t.begin; i < t.end; ++i) {
                    if (m_text[i] == u'\n') {
                        m_lineStart = true;
                        break;
                    }
                }
            }
            continue;
        }
        m_lineStart = false;
        const bool code = isCodeToken(t.kind);
        const bool delimiterFirst = code && t.kind != SqlTokenKind::String && t.kind != SqlTokenKind::QuotedName &&
                                    t.kind != SqlTokenKind::ExecutableComment;
        if (delimiterFirst) {
            if (cutsHere(t)) {
                cut();
                m_lexer.setPosition(t.begin + m_delimiter.size());
                continue;
            }
            // A delimiter of the user's own may stand inside what reads as one token ("END$$").
            if (m_ownDelimiter) {
                const qsizetype inner = QStringView(m_text).mid(t.begin + 1, t.size() - 1).indexOf(m_delimiter);
                if (inner >= 0) {
                    t.end = t.begin + 1 + inner;
                    m_lexer.setPosition(t.end);
                }
            }
        }
        if (m_begin < 0) m_begin = t.begin;
        m_end = t.end;
        if (code) m_hasCode = true;
        if (code) track(t);
        m_previousColon = t.kind == SqlTokenKind::Operator && t.size() == 1 && m_text[t.begin] == u':';
    }
    cut();
    return m_ranges;
}

} // namespace

QList<SqlStatementRange> sqlStatementRanges(const QString& text, SqlDialect dialect) {
    return Splitter(text, dialect).run();
}

std::optional<SqlStatementRange> sqlStatementAt(const QString& text, SqlDialect dialect, qsizetype position) {
    const QList<SqlStatementRange> ranges = sqlStatementRanges(text, dialect);
    if (ranges.isEmpty()) return std::nullopt;
    SqlStatementRange found = ranges.first();
    for (const SqlStatementRange& r : ranges) {
        if (r.begin > position) break;
        found = r;
    }
    return found;
}

} // namespace mv
