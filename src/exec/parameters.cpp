#include "exec/parameters.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "exec/sql_text.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <limits>

namespace mv {
namespace {

constexpr char Module[] = "Globals";

const int TypeCodes[] = {adotype::VarChar, adotype::Integer, adotype::Double,
                         adotype::DBDate,  adotype::DBTime,  adotype::DBTimeStamp};

QString typeName(int type) {
    const QStringList& names = parameterTypeNames();
    for (qsizetype i = 0; i < names.size(); ++i)
        if (TypeCodes[i] == type) return names[i];
    return QString::number(type);
}

// A number in the user's format, or in the SQL form as a fallback.
std::optional<double> readNumber(const QString& text) {
    bool ok = false;
    double d = QLocale::system().toDouble(text.trimmed(), &ok);
    if (!ok) d = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(d)) return std::nullopt;
    return d;
}

[[noreturn]] void typeMismatch(const QString& typed, int type, const QString& name) {
    throw MvError(err::TypeMismatch,
                  ui_text("Typen unverträglich: '%1' ist kein Wert vom Typ %2 für den Parameter %3",
                          "Type mismatch: '%1' is not a value of type %2 for the parameter %3")
                      .arg(typed, typeName(type), name));
}

TagParseResult tagError(const char* german, const char* english) {
    TagParseResult r;
    r.error = ui_text(german, english);
    return r;
}

} // namespace

const QStringList& parameterTypeNames() {
    static const QStringList names{QStringLiteral("String"), QStringLiteral("Integer"),
                                   QStringLiteral("Double"), QStringLiteral("Date"),
                                   QStringLiteral("Time"),   QStringLiteral("Timestamp")};
    return names;
}

int MVTypToADOType(const QString& typeName) {
    const qsizetype i = parameterTypeNames().indexOf(typeName);
    return i < 0 ? adotype::Unknown : TypeCodes[i];
}

bool ParameterSet::add(const Parameter& p) {
    if (find(p.name)) return false;
    m_items.append(p);
    return true;
}

const Parameter* ParameterSet::find(const QString& name) const {
    for (const Parameter& p : m_items)
        if (p.name == name) return &p;
    return nullptr;
}

bool ParameterSet::setValue(const QString& name, const QVariant& value) {
    for (Parameter& p : m_items) {
        if (p.name != name) continue;
        p.value = value;
        return true;
    }
    return false;
}

QList<qsizetype> parameterTagMarks(const QString& text, SqlDialect dialect) {
    QList<qsizetype> marks;
    for (const SqlToken& t : sqlTokens(text, dialect)) {
        switch (t.kind) {
        case SqlTokenKind::String:
        case SqlTokenKind::QuotedName:
        case SqlTokenKind::LineComment:
        case SqlTokenKind::BlockComment:
        case SqlTokenKind::ExecutableComment:
            continue;
        case SqlTokenKind::Variable:
            if (dialect != SqlDialect::Generic) continue;
            break;
        case SqlTokenKind::Operator:
            if (dialect == SqlDialect::PostgreSQL) continue;
            break;
        default:
            break;
        }
        for (qsizetype k = t.begin; k < t.end; ++k)
            if (text[k] == u'@') marks.append(k);
    }
    return marks;
}

TagParseResult parseParameterTags(const QString& text, SqlDialect dialect) {
    ParameterSet set;
    const QList<qsizetype> marks = parameterTagMarks(text, dialect);
    for (qsizetype m = 0; m < marks.size(); m += 2) {
        const qsizetype open = marks[m];
        const qsizetype close = m + 1 < marks.size() ? marks[m + 1] : -1;
        if (close < 0)
            return tagError("fehlender Parameter Tag >...@...<\"", "missing parameter tag >...@...<");
        const QStringList parts = text.mid(open + 1, close - open - 1).split(u'|');
        if (parts.size() < 2 || parts.size() > 4)
            return tagError("Falsches Format @name|type|[size]@", "wrong format @name|type|[size]@ ");
        const int type = MVTypToADOType(parts[1]);
        if (type == adotype::Unknown)
            return tagError("unbekannter Parametertyp! [string,integer,double,date,time,timestamp]",
                            "can't identify parameter type [string,integer,double,date,time,timestamp]");
        int size = 0;
        if (parts.size() >= 3) {
            const std::optional<double> number = readNumber(parts[2]);
            if (!number)
                return tagError("Größe ist nicht numerisch [1..999]", "size is not numeric [1..999]");
            if (std::fabs(*number) > std::numeric_limits<int>::max())
                throw MvError(6, ui_text("Überlauf: Größe %1", "Overflow: size %1").arg(parts[2]));
            size = static_cast<int>(std::lround(*number));
        }
        set.add({parts[0], type, size, QVariant()});
    }
    TagParseResult r;
    if (!set.isEmpty()) r.set = std::move(set);
    return r;
}

QVariant convertParameterValue(const QString& typed, int type, const QString& parameterName) {
    switch (type) {
    case adotype::VarChar:
        return typed;
    case adotype::Integer: {
        bool ok = false;
        int v = QLocale::system().toInt(typed.trimmed(), &ok);
        if (!ok) v = QLocale::c().toInt(typed.trimmed(), &ok);
        if (!ok) typeMismatch(typed, type, parameterName);
        return v;
    }
    case adotype::Double: {
        const std::optional<double> d = readNumber(typed);
        if (!d) typeMismatch(typed, type, parameterName);
        return *d;
    }
    case adotype::DBDate:
    case adotype::DBTime:
    case adotype::DBTimeStamp: {
        const QVariant read = readDateText(typed);
        const int id = read.metaType().id();
        if (type == adotype::DBDate) {
            if (id == QMetaType::QDate) return read;
            if (id == QMetaType::QDateTime) return read.toDateTime().date();
        } else if (type == adotype::DBTime) {
            if (id == QMetaType::QTime) return read;
            if (id == QMetaType::QDateTime) return read.toDateTime().time();
        } else {
            if (id == QMetaType::QDateTime) return read;
            if (id == QMetaType::QDate) return QDateTime(read.toDate(), QTime(0, 0));
        }
        typeMismatch(typed, type, parameterName);
    }
    default:
        typeMismatch(typed, type, parameterName);
    }
}

QString parameterValueText(const QVariant& value) {
    if (value.metaType().id() == QMetaType::Double)
        return QLocale::system().toString(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return sqlLiteralText(value);
}

std::optional<QString> substituteParameters(const QString& text, const ParameterSet& set, int dbKind,
                                            SqlDialect dialect) {
    QString out;
    out.reserve(text.size() + 16 * set.size());
    qsizetype pos = 0;
    const QList<qsizetype> marks = parameterTagMarks(text, dialect);
    for (qsizetype m = 0; m + 1 < marks.size(); m += 2) {
        const qsizetype open = marks[m];
        const qsizetype close = marks[m + 1];
        const QString name = text.mid(open + 1, close - open - 1).section(u'|', 0, 0);
        const Parameter* p = set.find(name);
        if (!p)
            throw MvError(err::KeyNotFound,
                          ui_text("Unbekannter Parameter: %1", "Unknown parameter: %1").arg(name));
        bool quoted = false;
        const QVariant literal = Quote(p->value, dbKind, &quoted);
        if (!quoted) return std::nullopt;
        out += QStringView(text).mid(pos, open - pos);
        out += u' ';
        out += sqlLiteralText(literal);
        out += u' ';
        pos = close + 1;
    }
    out += u' ';
    out += QStringView(text).mid(pos);
    return out;
}

bool QueryParameters::ParseParameter(const QString& text, SqlDialect dialect) {
    m_set.reset();
    return guarded(Reporter::ErrorMsg, "ParseParameter", Module, false, [&] {
        TagParseResult r = parseParameterTags(text, dialect);
        if (!r.error.isEmpty()) {
            showMessage(QStringLiteral("Parameter Error: { ") + r.error + QStringLiteral(" }"),
                        MsgIcon::Exclamation);
            return false;
        }
        m_set = std::move(r.set);
        return true;
    });
}

bool QueryParameters::InsertParameterValues(QString& text, const ParameterInputs& inputs, int dbKind,
                                            SqlDialect dialect) {
    if (!m_set) return true;
    return guarded(Reporter::ErrorMsg, "InsertParameterValues", Module, false, [&] {
        QString missing;
        for (qsizetype i = 0; i < m_set->size(); ++i) {
            const Parameter p = m_set->at(i);
            const QString typed = inputs.parameterInput(p.name);
            if (typed.isEmpty())
                missing += QStringLiteral("  - ") + p.name + QStringLiteral("\r\n");
            else
                m_set->setValue(p.name, convertParameterValue(typed, p.type, p.name));
        }
        if (!missing.isEmpty()) {
            showMessage(ui_text("Bitte geben Sie Werte für die folgenden Parameter ein:",
                                "Please set values for the following Parameter:") +
                            QStringLiteral("\r\n") + missing,
                        MsgIcon::Information);
            return false;
        }
        const std::optional<QString> filled = substituteParameters(text, *m_set, dbKind, dialect);
        if (!filled) return false;
        text = *filled;
        return true;
    });
}

} // namespace mv
