#include "db/odbc/odbc_statement_guard.h"

#include "app/texts.h"

#include <QRegularExpression>
#include <QStringList>

namespace mv::odbc {

namespace {

bool isBlank(QChar c) {
    return c.isSpace();
}

// The position after the word starting at pos (letters, digits, '_').
qsizetype wordEnd(QStringView text, qsizetype pos) {
    while (pos < text.size() && (text.at(pos).isLetterOrNumber() || text.at(pos) == QLatin1Char('_')))
        ++pos;
    return pos;
}

} // namespace

QStringView skipBlanksAndComments(QStringView sql) {
    qsizetype pos = 0;
    const qsizetype n = sql.size();
    for (;;) {
        while (pos < n && isBlank(sql.at(pos)))
            ++pos;
        if (pos + 1 < n && sql.at(pos) == QLatin1Char('-') && sql.at(pos + 1) == QLatin1Char('-')) {
            const qsizetype eol = sql.indexOf(QLatin1Char('\n'), pos);
            pos = eol < 0 ? n : eol + 1;
        } else if (pos < n && sql.at(pos) == QLatin1Char('#')) {
            const qsizetype eol = sql.indexOf(QLatin1Char('\n'), pos);
            pos = eol < 0 ? n : eol + 1;
        } else if (pos + 1 < n && sql.at(pos) == QLatin1Char('/') && sql.at(pos + 1) == QLatin1Char('*')) {
            const qsizetype close = sql.indexOf(QLatin1String("*/"), pos + 2);
            pos = close < 0 ? n : close + 2;
        } else {
            break;
        }
    }
    return sql.mid(pos);
}

QStringList leadingWords(QStringView sql, int count) {
    QStringList words;
    QStringView rest = skipBlanksAndComments(sql);
    while (!rest.isEmpty() && rest.front() == QLatin1Char('('))
        rest = skipBlanksAndComments(rest.mid(1));
    while (words.size() < count && !rest.isEmpty()) {
        const qsizetype end = wordEnd(rest, 0);
        if (end == 0) break;
        words << rest.left(end).toString().toUpper();
        rest = skipBlanksAndComments(rest.mid(end));
    }
    return words;
}

GuardedStatement guardForMariaDb(const QString& sql) {
    GuardedStatement result{sql, false, {}};
    const QStringList words = leadingWords(sql, 2);
    if (words.isEmpty()) return result;
    const QString& first = words.at(0);
    const QString second = words.size() > 1 ? words.at(1) : QString();

    if (first == QLatin1String("HELP")) {
        result.refusal = ui_text("Der MariaDB-ODBC-Treiber kann HELP-Anweisungen nicht ausführen.",
                                 "The MariaDB ODBC driver cannot run HELP statements.");
        return result;
    }
    bool misread = first == QLatin1String("VALUES") || first == QLatin1String("TABLE") ||
                   first == QLatin1String("OPTIMIZE") || first == QLatin1String("REPAIR") ||
                   (first == QLatin1String("XA") && second == QLatin1String("RECOVER")) ||
                   (first == QLatin1String("CACHE") && second == QLatin1String("INDEX")) ||
                   (first == QLatin1String("LOAD") && second == QLatin1String("INDEX")) ||
                   (first == QLatin1String("SET") && second == QLatin1String("STATEMENT"));
    if (!misread && first == QLatin1String("HANDLER")) {
        static const QRegularExpression read(
            QStringLiteral(R"(^HANDLER\s+(?:`[^`]*`|[^\s`.]+)(?:\.(?:`[^`]*`|[^\s`.]+))?\s+READ\b)"),
            QRegularExpression::CaseInsensitiveOption);
        misread = read.match(skipBlanksAndComments(sql)).hasMatch();
    }
    if (!misread) return result;

    // The statement stays as written; the line break keeps a trailing "--" comment from
    // swallowing the end of the block.
    QString body = sql;
    while (!body.isEmpty() && (body.back().isSpace() || body.back() == QLatin1Char(';')))
        body.chop(1);
    result.sql = QStringLiteral("BEGIN NOT ATOMIC\n") + body + QStringLiteral("\n; END");
    result.rewritten = true;
    return result;
}

} // namespace mv::odbc
