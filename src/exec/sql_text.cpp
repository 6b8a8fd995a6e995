#include "exec/sql_text.h"

#include "app/error_report.h"
#include "app/texts.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cmath>

namespace mv {
namespace {

constexpr char Module[] = "Globals";

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

bool isSeparatorBlank(QChar c) {
    return c == u'\n' || c == u'\r' || c == u' ' || c == u'\t';
}

bool isTrimBlank(QChar c) {
    return c == u'\r' || c == u'\n' || c == u'\t' || c == QChar(11) || c == QChar(160) || c == u' ';
}

// Length of the "$tag$" (or "$$") that opens a dollar-quoted body at i, or 0. A "$" inside a word
// ("a$b", a positional "$1") opens nothing.
qsizetype dollarOpenerLength(const QString& t, qsizetype i) {
    const qsizetype n = t.size();
    if (i > 0 && isWordChar(t[i - 1])) return 0;
    qsizetype j = i + 1;
    if (j < n && (t[j].isLetter() || t[j] == u'_')) {
        ++j;
        while (j < n && isWordChar(t[j]))
            ++j;
    }
    return (j < n && t[j] == u'$') ? j - i + 1 : 0;
}

// When a quoted span ('...', "..." or a dollar-quoted body) opens at i: the position just behind its
// end, or the text's length when it is never closed. Otherwise i itself. Doubled quote characters
// stay inside the span. Each call only looks forward from i, so a scan that jumps to the returned
// position stays linear.
qsizetype spanEnd(const QString& t, qsizetype i) {
    const qsizetype n = t.size();
    const QChar c = t[i];
    if (c == u'\'' || c == u'"') {
        qsizetype j = i + 1;
        for (;;) {
            j = t.indexOf(c, j);
            if (j < 0) return n;
            if (j + 1 < n && t[j + 1] == c) {
                j += 2;
                continue;
            }
            return j + 1;
        }
    }
    if (c == u'$') {
        const qsizetype len = dollarOpenerLength(t, i);
        if (len == 0) return i;
        const qsizetype close = t.indexOf(QStringView(t).mid(i, len), i + len);
        return close < 0 ? n : close + len;
    }
    return i;
}

QString stripComments(const QString& t) {
    const qsizetype n = t.size();
    QString out;
    out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        const qsizetype e = spanEnd(t, i);
        if (e > i) {
            out += QStringView(t).mid(i, e - i);
            i = e;
            continue;
        }
        const QChar c = t[i];
        const QChar next = i + 1 < n ? t[i + 1] : QChar();
        if (c == u'/' && next == u'*') {
            const qsizetype close = t.indexOf(u"*/", i + 2);
            const qsizetype after = close < 0 ? n : close + 2;
            // Keep "a/*x*/b" from turning into one word.
            const bool textLeft = !out.isEmpty() && !out.back().isSpace();
            const bool textRight = after < n && !t[after].isSpace();
            if (textLeft && textRight) out += u' ';
            i = after;
            continue;
        }
        if ((c == u'-' && next == u'-') || (c == u'/' && next == u'/')) {
            // The comment ends before its line break; the break stays so lines are not joined.
            const qsizetype lf = t.indexOf(u'\n', i + 2);
            if (lf < 0) {
                i = n;
            } else {
                i = (lf - 1 >= i + 2 && t[lf - 1] == u'\r') ? lf - 1 : lf;
            }
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString trimmed(QStringView s, bool (*blank)(QChar)) {
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && blank(s[from]))
        ++from;
    while (to > from && blank(s[to - 1]))
        --to;
    return s.mid(from, to - from).toString();
}

QStringList splitStatements(const QString& t) {
    const qsizetype n = t.size();
    QStringList list;
    auto cut = [&](qsizetype from, qsizetype to) {
        QString stmt = trimmed(QStringView(t).mid(from, to - from), isSeparatorBlank);
        if (stmt.isEmpty()) return;
        if (list.size() >= MaxStatements)
            throw MvError(6, ui_text("Überlauf: das Skript hat mehr als 32767 Anweisungen",
                                     "Overflow: the script holds more than 32767 statements"));
        list.append(stmt);
    };
    qsizetype s = 0;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype e = spanEnd(t, i);
        if (e > i) {
            i = e;
            continue;
        }
        if (t[i] == u';') {
            cut(s, i);
            s = i + 1;
        }
        ++i;
    }
    cut(s, n);
    if (list.isEmpty()) list.append(QString());
    return list;
}

bool isNumber(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isDateType(const QVariant& v) {
    const int id = v.metaType().id();
    return id == QMetaType::QDate || id == QMetaType::QTime || id == QMetaType::QDateTime;
}

// Jet keeps times of day on its day zero.
const QDate JetDayZero(1899, 12, 30);

QVariant dateLiteral(const QVariant& date, int kind) {
    const int id = date.metaType().id();
    switch (kind) {
    case dbkind::Odbc:
    case dbkind::SqlServer:
    case dbkind::PostgreSql:
    case dbkind::MySql:
        // ODBC escapes: every driver translates them into its own date syntax.
        if (id == QMetaType::QDate)
            return QStringLiteral("{d '%1'}").arg(date.toDate().toString(u"yyyy-MM-dd"));
        if (id == QMetaType::QTime)
            return QStringLiteral("{t '%1'}").arg(date.toTime().toString(u"HH:mm:ss"));
        return QStringLiteral("{ts '%1'}").arg(date.toDateTime().toString(u"yyyy-MM-dd HH:mm:ss"));
    case dbkind::Jet:
        if (id == QMetaType::QDate) return QStringLiteral("#%1#").arg(date.toDate().toString(u"MM-dd-yyyy"));
        if (id == QMetaType::QTime)
            return QStringLiteral("#%1 %2#").arg(JetDayZero.toString(u"MM-dd-yyyy"),
                                                 date.toTime().toString(u"HH:mm:ss"));
        return QStringLiteral("#%1#").arg(date.toDateTime().toString(u"MM-dd-yyyy HH:mm:ss"));
    case dbkind::Oracle:
    case dbkind::Db2: {
        QDate day = id == QMetaType::QDate       ? date.toDate()
                    : id == QMetaType::QDateTime ? date.toDateTime().date()
                                                 : JetDayZero;
        return QStringLiteral(" '%1' ").arg(day.toString(u"dd.MM.yyyy"));
    }
    case dbkind::Other:
        return date;
    default:
        return QVariant();
    }
}

double readUserNumber(const QString& text) {
    bool ok = false;
    double d = QLocale::system().toDouble(text, &ok);
    if (!ok) d = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(d))
        throw MvError(err::TypeMismatch, ui_text("Typen unverträglich: '%1' ist keine Zahl",
                                                 "Type mismatch: '%1' is not a number")
                                             .arg(text));
    return d;
}

QVariant quoteValue(const QVariant& value, int kind) {
    if (!value.isValid() || isNumber(value)) return value;
    if (isDateType(value)) {
        const bool valid = value.metaType().id() == QMetaType::QDate   ? value.toDate().isValid()
                           : value.metaType().id() == QMetaType::QTime ? value.toTime().isValid()
                                                                       : value.toDateTime().isValid();
        return valid ? dateLiteral(value, kind) : QVariant();
    }
    const QString text = value.toString();
    const QVariant date = readDateText(text);
    if (date.isValid()) return dateLiteral(date, kind);
    if (text.startsWith(u'#')) return readUserNumber(text.mid(1));
    QString body = text;
    // MySQL reads a backslash as an escape: doubled, no value can end the literal early.
    if (kind == dbkind::MySql) body.replace(u'\\', QStringLiteral("\\\\"));
    body.replace(u'\'', QStringLiteral("''"));
    return QString(QStringLiteral(" '") + body + QStringLiteral("' "));
}

QTime readTime(const QString& text) {
    for (const char* f : {"H:mm:ss", "H:mm"}) {
        const QTime t = QTime::fromString(text, QLatin1String(f));
        if (t.isValid()) return t;
    }
    return {};
}

} // namespace

QString StripComment(const QString& text) {
    return guarded(Reporter::ErrorMsg, "StripComment", Module, QString(),
                   [&] { return stripComments(text); });
}

QString TrimStr(const QString& text) {
    return guarded(Reporter::ErrorMsg, "TrimStr", Module, QString(),
                   [&] { return trimmed(text, isTrimBlank); });
}

QStringList SplitStmts(const QString& text) {
    return guarded(Reporter::ErrorMsg, "SplitStmts", Module, QStringList(),
                   [&] { return splitStatements(text); });
}

QVariant Quote(const QVariant& value, int dbKind, bool* ok) {
    bool done = false;
    QVariant result = guarded(Reporter::ErrorMsg, "Quote", Module, QVariant(), [&] {
        QVariant r = quoteValue(value, dbKind);
        done = true;
        return r;
    });
    if (ok) *ok = done;
    return result;
}

QString sqlLiteralText(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return QString();
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDate:
        return value.toDate().toString(u"yyyy-MM-dd");
    case QMetaType::QTime:
        return value.toTime().toString(u"HH:mm:ss");
    case QMetaType::QDateTime:
        return value.toDateTime().toString(u"yyyy-MM-dd HH:mm:ss");
    default:
        return value.toString();
    }
}

QVariant readDateText(const QString& input) {
    const QString text = input.trimmed();
    if (text.size() < 3 || !text[0].isDigit()) return {};
    const QTime timeAlone = readTime(text);
    if (timeAlone.isValid()) return timeAlone;
    const QLocale locale = QLocale::system();
    QString userFormat = locale.dateFormat(QLocale::ShortFormat);
    // Two-digit years would land in the 1900s: ask for all four digits.
    if (!userFormat.contains(u"yyyy")) userFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    const struct {
        QString date;
        QString separators;
    } forms[] = {{QStringLiteral("yyyy-MM-dd"), QStringLiteral(" T")},
                 {QStringLiteral("d.M.yyyy"), QStringLiteral(" ")},
                 {userFormat, QStringLiteral(" ")}};
    for (const auto& form : forms) {
        const QDate day = locale.toDate(text, form.date);
        if (day.isValid()) return day;
        for (const QChar sep : form.separators) {
            for (const char* timeFormat : {"H:mm:ss", "H:mm"}) {
                const QDateTime stamp =
                    locale.toDateTime(text, form.date + u'\'' + sep + u'\'' + QLatin1String(timeFormat));
                if (stamp.isValid()) return stamp;
            }
        }
    }
    return {};
}

} // namespace mv
