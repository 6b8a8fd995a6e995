#include "db/db_connect_refusals.h"

#include "app/texts.h"

#include <QStringList>

namespace mv {

namespace {

bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isWordPart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

// The words of the statement outside strings, quoted names and comments, in upper case, each with
// the parenthesis depth it stands at. Enough of PostgreSQL's lexer to find COPY's direction.
struct Word {
    QString text;
    int depth;
};

QList<Word> wordsOf(const QString& sql) {
    QList<Word> words;
    const qsizetype n = sql.size();
    int depth = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            while (i < n && sql.at(i) != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            int nest = 1; // PostgreSQL block comments nest
            i += 2;
            while (i < n && nest > 0) {
                if (sql.at(i) == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
                    ++nest;
                    i += 2;
                } else if (sql.at(i) == u'*' && i + 1 < n && sql.at(i + 1) == u'/') {
                    --nest;
                    i += 2;
                } else {
                    ++i;
                }
            }
        } else if (c == u'\'' || ((c == u'E' || c == u'e') && i + 1 < n && sql.at(i + 1) == u'\'')) {
            const bool escapes = c != u'\'';
            i += escapes ? 2 : 1;
            while (i < n) {
                if (escapes && sql.at(i) == u'\\') {
                    i += 2;
                } else if (sql.at(i) == u'\'') {
                    if (i + 1 < n && sql.at(i + 1) == u'\'') {
                        i += 2;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    ++i;
                }
            }
        } else if (c == u'"') {
            i = sql.indexOf(u'"', i + 1);
            i = i < 0 ? n : i + 1;
        } else if (c == u'$') {
            // A dollar quote: $$ or $tag$ up to the same tag.
            qsizetype j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_'))
                ++j;
            if (j < n && sql.at(j) == u'$') {
                const QString tag = sql.mid(i, j - i + 1);
                const qsizetype end = sql.indexOf(tag, j + 1);
                i = end < 0 ? n : end + tag.size();
            } else {
                ++i;
            }
        } else if (c == u'(') {
            ++depth;
            ++i;
        } else if (c == u')') {
            --depth;
            ++i;
        } else if (isWordStart(c)) {
            const qsizetype start = i;
            while (i < n && isWordPart(sql.at(i)))
                ++i;
            words.append({sql.mid(start, i - start).toUpper(), depth});
        } else {
            ++i;
        }
    }
    return words;
}

} // namespace

bool isCopyWithClientData(const QString& sql) {
    // Most statements of a script never say COPY: they need no lexing.
    if (!sql.contains(QLatin1String("copy"), Qt::CaseInsensitive)) return false;
    const QList<Word> words = wordsOf(sql);
    if (words.isEmpty() || words.front().text != QLatin1String("COPY") || words.front().depth != 0) return false;
    for (qsizetype k = 1; k + 1 < words.size(); ++k) {
        const Word& w = words.at(k);
        const Word& next = words.at(k + 1);
        if (w.depth != 0 || next.depth != 0) continue;
        if ((w.text == QLatin1String("FROM") && next.text == QLatin1String("STDIN")) ||
            (w.text == QLatin1String("TO") && next.text == QLatin1String("STDOUT")))
            return true;
    }
    return false;
}

QString refusalFor(const QString& sql, const QString& dbmsName) {
    if (dbmsName.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0 && isCopyWithClientData(sql))
        return ui_text("COPY ... FROM STDIN und COPY ... TO STDOUT tauschen die Daten mit dem Client aus und "
                       "können hier nicht ausgeführt werden. Verwenden Sie \\copy in psql oder die Form mit einer "
                       "Datei auf dem Server (COPY tabelle FROM '/pfad/datei.csv').",
                       "COPY ... FROM STDIN and COPY ... TO STDOUT exchange their data with the client and cannot "
                       "run here. Use \\copy in psql, or the server-side file form "
                       "(COPY table FROM '/path/file.csv').");
    return {};
}

} // namespace mv
