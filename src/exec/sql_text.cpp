#include "exec/sql_text.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "exec/sql_statements.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cmath>

namespace mv {
namespace {

constexpr char Module[] = "Globals";

bool isTrimBlank(QChar c) {
    return c == u'\r' || c == u'\n' || c == u'\t' || c == QChar(11) || c == QChar(160) || c == u' ';
}

// No dialect opens a comment without one of these ("--", "#", "//", "/*"): a text without them
// is given back as it is, unread (a script's statements mostly have none).
bool mayHoldComment(QStringView t) {
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c == u'#') return true;
        if ((c == u'-' || c == u'/') && i + 1 < t.size()) {
            const char16_t n = t[i + 1].unicode();
            if ((c == u'-' && n == u'-') || (c == u'/' && (n == u'/' || n == u'*'))) return true;
        }
    }
    return false;
}

QString stripComments(const QString& t, SqlDialect dialect) {
    if (!mayHoldComment(t)) return t;
    const qsizetype n = t.size();
    QString out;
    out.reserve(n);
    SqlTokenizer lexer(t, dialect);
    while (!lexer.atEnd()) {
        const SqlToken tok = lexer.next();
        if (tok.kind == SqlTokenKind::BlockComment) {
            // Keep "a/*x*/b" from turning into one word.
            const bool textLeft = !out.isEmpty() && !out.back().isSpace();
            const bool textRight = tok.end < n && !t[tok.end].isSpace();
            if (textLeft && textRight) out += u' ';
            continue;
        }
        // A line comment ends before its line break, which stays so lines are not joined.
        if (tok.kind == SqlTokenKind::LineComment) continue;
        out += QStringView(t).mid(tok.begin, tok.size());
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

QStringList splitStatements(const QString& t, SqlDialect dialect) {
    QStringList list;
    for (const SqlStatementRange& r : sqlStatementRanges(t, dialect)) {
        if (list.size() >= MaxStatements)
            throw MvError(6, ui_text("Überlauf: das Skript hat mehr als 32767 Anweisungen",
                                     "Overflow: the script holds more than 32767 statements"));
        list.append(t.mid(r.begin, r.end - r.begin));
    }
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
    case dbkind::Other:
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

QString StripComment(const QString& text, SqlDialect dialect) {
    return guarded(Reporter::ErrorMsg, "StripComment", Module, QString(),
                   [&] { return stripComments(text, dialect); });
}

QString TrimStr(const QString& text) {
    return guarded(Reporter::ErrorMsg, "TrimStr", Module, QString(),
                   [&] {
                       // Nothing to cut: the text itself, not a copy of it.
                       if (text.isEmpty() || (!isTrimBlank(text.front()) && !isTrimBlank(text.back()))) return text;
                       return trimmed(text, isTrimBlank);
                   });
}

QStringList SplitStmts(const QString& text, SqlDialect dialect) {
    return guarded(Reporter::ErrorMsg, "SplitStmts", Module, QStringList(),
                   [&] { return splitStatements(text, dialect); });
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
