#include "documents/editor_text.h"

#include "app/globals.h"
#include "app/texts.h"
#include "exec/sql_names.h"

#include <QHash>
#include <QSet>

namespace mv {

// ---- The colouring language ----

const SqlLanguage& sqlLanguage() {
    static const SqlLanguage language{
        QStringLiteral("mvSQL"),
        QStringLiteral("/*"),
        QStringLiteral("*/"),
        {QStringLiteral("//"), QStringLiteral("--")},
        QStringLiteral("'\"@"),
        QStringLiteral("("),
        QStringLiteral(")"),
        QStringList{"SELECT", "FROM",  "WHERE", "DELETE",     "INSERT",   "INTO",     "UPDATE",  "AND",
                    "OR",     "NOT",   "IN",    "ASC",        "DESC",     "IS",       "LIKE",    "NULL",
                    "VALUES", "SET",   "TRUE",  "FALSE",      "ORDER BY", "GROUP BY", "BETWEEN", "CREATE",
                    "TABLE",  "ALTER", "DROP",  "CONSTRAINT", "UNIQUE",   "PRIMARY",  "KEY"},
    };
    return language;
}

namespace {

// Single-word keywords and the first words of the two-word ones, upper case.
struct KeywordSets {
    QSet<QByteArray> single;
    QHash<QByteArray, QByteArray> pairs; // first word -> second word
};

const KeywordSets& keywordSets() {
    static const KeywordSets sets = [] {
        KeywordSets s;
        for (const QString& keyword : sqlLanguage().keywords) {
            const QStringList words = keyword.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() == 1)
                s.single.insert(words[0].toLatin1());
            else
                s.pairs.insert(words[0].toLatin1(), words[1].toLatin1());
        }
        return s;
    }();
    return sets;
}

// Bytes of multi-byte UTF-8 characters count as word characters, so a keyword never matches the
// start of a word such as "SELECTé".
bool isWordByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
           u == '_';
}

int wordEnd(const QByteArray& line, int from) {
    int j = from;
    while (j < line.size() && isWordByte(line[j]))
        ++j;
    return j;
}

class RunList {
  public:
    void add(int start, int length, SqlStyle style) {
        if (length <= 0) return;
        if (!m_runs.empty() && m_runs.back().style == style &&
            m_runs.back().start + m_runs.back().length == start)
            m_runs.back().length += length;
        else
            m_runs.push_back({start, length, style});
    }
    std::vector<StyleRun> take() { return std::move(m_runs); }

  private:
    std::vector<StyleRun> m_runs;
};

} // namespace

std::vector<StyleRun> lexSqlLine(const QByteArray& line, bool& inBlockComment) {
    const QByteArray delimiters = sqlLanguage().stringDelimiters.toLatin1();
    const int n = static_cast<int>(line.size());
    int contentEnd = n;
    while (contentEnd > 0 && (line[contentEnd - 1] == '\n' || line[contentEnd - 1] == '\r'))
        --contentEnd;

    RunList runs;
    int i = 0;
    while (i < n) {
        if (inBlockComment) {
            const auto close = line.indexOf("*/", i);
            if (close < 0) {
                runs.add(i, n - i, SqlStyle::Comment);
                break;
            }
            runs.add(i, static_cast<int>(close) + 2 - i, SqlStyle::Comment);
            i = static_cast<int>(close) + 2;
            inBlockComment = false;
            continue;
        }
        const char c = line[i];
        const char next = i + 1 < n ? line[i + 1] : '\0';
        if (c == '/' && next == '*') {
            inBlockComment = true;
            runs.add(i, 2, SqlStyle::Comment);
            i += 2;
        } else if ((c == '/' && next == '/') || (c == '-' && next == '-')) {
            runs.add(i, n - i, SqlStyle::LineComment);
            break;
        } else if (delimiters.contains(c)) {
            const auto close = line.indexOf(c, i + 1);
            const int stop = close < 0 || close >= contentEnd ? contentEnd : static_cast<int>(close) + 1;
            runs.add(i, stop - i, SqlStyle::String);
            i = stop;
        } else if (c == '(' || c == ')') {
            runs.add(i, 1, SqlStyle::Bracket);
            ++i;
        } else if (isWordByte(c)) {
            const int end = wordEnd(line, i);
            const QByteArray word = line.mid(i, end - i).toUpper();
            const KeywordSets& sets = keywordSets();
            if (sets.single.contains(word)) {
                runs.add(i, end - i, SqlStyle::Keyword);
                i = end;
                continue;
            }
            if (sets.pairs.contains(word)) {
                int k = end;
                while (k < contentEnd && (line[k] == ' ' || line[k] == '\t'))
                    ++k;
                const int secondEnd = wordEnd(line, k);
                if (k > end && line.mid(k, secondEnd - k).toUpper() == sets.pairs.value(word)) {
                    runs.add(i, secondEnd - i, SqlStyle::Keyword);
                    i = secondEnd;
                    continue;
                }
            }
            runs.add(i, end - i, SqlStyle::Default);
            i = end;
        } else {
            runs.add(i, 1, SqlStyle::Default);
            ++i;
        }
    }
    return runs.take();
}

// ---- Caret panel ----

QString caretPanelText(int line, int column) {
    return ui_text("Z: %1, S: %2", "L: %1, C: %2").arg(line + 1).arg(column + 1);
}

// ---- Commenting lines ----

QString commentLine(const QString& line) {
    return QStringLiteral("//") + line;
}

QString uncommentLine(const QString& line) {
    qsizetype k = 0;
    while (k < line.size() && (line[k] == QLatin1Char(' ') || line[k] == QLatin1Char('\t')))
        ++k;
    if (!QStringView(line).mid(k).startsWith(QLatin1String("//"))) return line;
    QString out = line;
    out.remove(k, 2);
    return out;
}

// ---- Insertion at the caret ----

bool insertionKeepsLineBreak(int selectionStartColumn, bool lineBreak) {
    return lineBreak && selectionStartColumn > 1;
}

QString withLineEnds(const QString& text, const QString& eol) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (eol != QLatin1String("\n")) out.replace(QLatin1String("\n"), eol);
    return out;
}

QString insertionText(const QString& text, bool lineBreak, const QString& eol) {
    return withLineEnds(lineBreak ? QStringLiteral("\r\n") + text : text, eol);
}

QString documentLineEnd(const QString& text) {
    qsizetype k = 0;
    while (k < text.size() && text[k] != QLatin1Char('\r') && text[k] != QLatin1Char('\n'))
        ++k;
    if (k == text.size()) return QStringLiteral("\n");
    if (text[k] == QLatin1Char('\n')) return QStringLiteral("\n");
    return k + 1 < text.size() && text[k + 1] == QLatin1Char('\n') ? QStringLiteral("\r\n")
                                                                   : QStringLiteral("\r");
}

// ---- SQL toolbox texts ----

QStringList sqlCommandCaptions() {
    return {"SELECT", "SELECT * FROM", "SELECT <f> FROM", "UPDATE SET", "INSERT INTO", "DELETE",
            "FROM",   "WHERE"};
}

QStringList operatorCaptions() {
    return {"(", ")", "=", ">", "<", "<>", "+", "-", "*", "/"};
}

QStringList moreSqlCaptions() {
    return {"AND", "OR", "ORDER BY", "GROUP BY"};
}

QString captionWithTabs(const QString& caption) {
    return caption + (caption.size() < 6 ? QStringLiteral("\t\t") : QStringLiteral("\t"));
}

QString sqlCommandTemplate(const QString& caption, const ExplorerPick& pick) {
    const QString crlf = QStringLiteral("\r\n");
    QString table = pick.table;
    const bool haveTable = !table.isEmpty();
    if (haveTable)
        table = quotedObjectName(table, NameRules{pick.dialect == SqlDialect::Generic
                                                      ? sqlDialectOf(QString(), pick.databaseKind)
                                                      : pick.dialect,
                                                  pick.databaseKind, pick.identifierQuote, pick.keywords});
    else
        table = QStringLiteral("<TableX>");
    // Field parts fall back to their placeholders when nothing is marked, as without a table.
    const QStringList fields = haveTable ? pick.fields : QStringList();

    if (caption == QLatin1String("SELECT * FROM"))
        return QStringLiteral("SELECT\t*") + crlf + QStringLiteral("FROM\t\t") + table;
    if (caption == QLatin1String("SELECT <f> FROM")) {
        const QString f = fields.isEmpty() ? QStringLiteral("<FieldX>") : fields.join(QStringLiteral(", "));
        return QStringLiteral("SELECT\t") + f + crlf + QStringLiteral("FROM\t\t") + table;
    }
    if (caption == QLatin1String("UPDATE SET")) {
        QString assignments;
        if (fields.isEmpty()) assignments = QStringLiteral("<FieldX> = <ValueX>");
        for (qsizetype k = 0; k < fields.size(); ++k) {
            assignments += fields[k] + QStringLiteral(" = <ValueX>");
            if (k + 1 < fields.size()) assignments += QStringLiteral(",") + crlf + QStringLiteral("\t\t");
        }
        return QStringLiteral("UPDATE\t") + table + crlf + QStringLiteral("SET\t\t") + assignments;
    }
    if (caption == QLatin1String("INSERT INTO")) {
        QStringList values;
        for (qsizetype k = 0; k < fields.size(); ++k)
            values << QStringLiteral("ValueX");
        if (values.isEmpty()) values << QStringLiteral("ValueX");
        return QStringLiteral("INSERT INTO\t") + table + crlf + QStringLiteral("\t\t(") +
               fields.join(QStringLiteral(", ")) + QStringLiteral(" )") + crlf + QStringLiteral("VALUES\t(") +
               values.join(QStringLiteral(", ")) + QStringLiteral(")");
    }
    return captionWithTabs(caption);
}

} // namespace mv
