#include "db/recordset_cell.h"

#include "app/mv_error.h"
#include "app/texts.h"

#include <QDate>
#include <QMetaType>
#include <QUuid>
#include <cfloat>
#include <cmath>
#include <limits>

namespace mv {

namespace {

[[noreturn]] void typeMismatch(const FieldInfo& field, const QVariant& value) {
    QString shown = value.toString();
    if (shown.size() > 50) shown = shown.left(50) + QStringLiteral("...");
    throw MvError(rserr::TypeMismatch, ui_text(QStringLiteral("Typen unverträglich (Feld '%1': '%2')"),
                                               QStringLiteral("Type mismatch (field '%1': '%2')"))
                                           .arg(field.name, shown));
}

[[noreturn]] void tooLong(const FieldInfo& field) {
    throw MvError(rserr::ValueTooLong,
                  ui_text(QStringLiteral("Der Wert ist zu lang für das Feld '%1' (höchstens %2 Zeichen)."),
                          QStringLiteral("The value is too long for the field '%1' (at most %2 characters)."))
                      .arg(field.name)
                      .arg(field.definedSize));
}

bool isTextual(const QVariant& v) {
    const int id = v.metaType().id();
    return id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::QChar;
}

bool limitsLength(int type) {
    return type == ado::adChar || type == ado::adWChar || type == ado::adVarChar || type == ado::adVarWChar ||
           type == ado::adBinary || type == ado::adVarBinary;
}

DateTimeValue fitToType(DateTimeValue v, int type) {
    if (type == ado::adDBDate) return DateTimeValue{v.julianDay() * 86400, 0};
    if (type == ado::adDBTime) return DateTimeValue{v.secondsOfDay(), v.nanos};
    return v;
}

// An OLE automation date: days since 1899-12-30, the fraction is the time of day (for negative
// days too).
std::optional<DateTimeValue> fromOleDate(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return std::nullopt;
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    qint64 seconds = std::llround(fraction * 86400.0);
    qint64 julian = QDate(1899, 12, 30).toJulianDay() + qint64(whole);
    if (seconds >= 86400) seconds = 86399;
    return DateTimeValue{julian * 86400 + seconds, 0};
}

CellValue integerCell(const QVariant& value, const FieldInfo& field) {
    const int type = field.type;
    const int id = value.metaType().id();
    qint64 result = 0;
    if (isTextual(value)) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty()) return std::monostate{};
        const auto parsed = cell::parseInteger(text, type);
        if (!parsed) typeMismatch(field, value);
        return *parsed;
    }
    if (id == QMetaType::Bool) {
        result = value.toBool() ? 1 : 0;
    } else if (id == QMetaType::Double || id == QMetaType::Float) {
        const double d = value.toDouble();
        if (type == ado::adBoolean) return qint64(d != 0 ? 1 : 0);
        if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.2e18) typeMismatch(field, value);
        result = qint64(d);
    } else if (id == QMetaType::ULongLong) {
        const quint64 u = value.toULongLong();
        if (type != ado::adUnsignedBigInt && u > quint64(std::numeric_limits<qint64>::max()))
            typeMismatch(field, value);
        result = qint64(u);
    } else {
        bool ok = false;
        result = value.toLongLong(&ok);
        if (!ok) typeMismatch(field, value);
    }
    if (type == ado::adBoolean) return qint64(result != 0 ? 1 : 0);
    if (type == ado::adUnsignedBigInt && result < 0 && id != QMetaType::ULongLong) typeMismatch(field, value);
    if (!cell::integerInRange(result, type)) typeMismatch(field, value);
    return result;
}

CellValue realCell(const QVariant& value, const FieldInfo& field) {
    double d = 0;
    if (isTextual(value)) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty()) return std::monostate{};
        const auto parsed = cell::parseDouble(text);
        if (!parsed) typeMismatch(field, value);
        d = *parsed;
        if (field.type == ado::adSingle) {
            const auto single = cell::parseSingle(text);
            if (!single) typeMismatch(field, value);
            return double(*single);
        }
    } else {
        bool ok = false;
        d = value.toDouble(&ok);
        if (!ok) typeMismatch(field, value);
    }
    if (field.type == ado::adSingle) {
        if (std::isfinite(d) && std::fabs(d) > double(FLT_MAX)) typeMismatch(field, value);
        return double(float(d));
    }
    return d;
}

CellValue decimalCell(const QVariant& value, const FieldInfo& field) {
    const int id = value.metaType().id();
    if (isTextual(value)) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty()) return std::monostate{};
        const auto canon = cell::canonicalDecimal(text.toStdString());
        if (!canon) typeMismatch(field, value);
        return *canon;
    }
    if (id == QMetaType::Double || id == QMetaType::Float) {
        const double d = value.toDouble();
        if (!std::isfinite(d)) typeMismatch(field, value);
        return cell::decimalFromDouble(d).toLatin1();
    }
    if (id == QMetaType::Bool) return QByteArray(value.toBool() ? "1" : "0");
    if (id == QMetaType::ULongLong) return QByteArray::number(value.toULongLong());
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok) typeMismatch(field, value);
    return QByteArray::number(n);
}

CellValue dateTimeCell(const QVariant& value, const FieldInfo& field) {
    const int id = value.metaType().id();
    const int type = field.type;
    std::optional<DateTimeValue> v;
    if (isTextual(value)) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty()) return std::monostate{};
        v = cell::parseDateTime(text, type);
    } else if (id == QMetaType::QDateTime) {
        const QDateTime dt = value.toDateTime();
        if (dt.isValid()) v = DateTimeValue::fromDateTime(dt);
    } else if (id == QMetaType::QDate) {
        const QDate d = value.toDate();
        if (d.isValid() && type != ado::adDBTime) v = DateTimeValue::fromDate(d);
    } else if (id == QMetaType::QTime) {
        const QTime t = value.toTime();
        if (t.isValid() && type == ado::adDBTime) v = DateTimeValue::fromTime(t);
    } else if (type == ado::adDate && (id == QMetaType::Double || id == QMetaType::Float ||
                                       id == QMetaType::Int || id == QMetaType::LongLong)) {
        v = fromOleDate(value.toDouble());
    }
    if (!v) typeMismatch(field, value);
    return fitToType(*v, type);
}

CellValue textCell(const QVariant& value, const FieldInfo& field) {
    const int id = value.metaType().id();
    QString text;
    if (id == QMetaType::Bool) {
        text = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    } else if (id == QMetaType::Double) {
        text = cell::formatDouble(value.toDouble());
    } else if (id == QMetaType::Float) {
        text = cell::formatSingle(value.toFloat());
    } else if (id == QMetaType::QDateTime) {
        text = cell::formatDateTime(DateTimeValue::fromDateTime(value.toDateTime()), QLatin1Char(' '), true);
    } else if (id == QMetaType::QUuid) {
        text = value.toUuid().toString(QUuid::WithBraces).toUpper();
    } else if (value.canConvert<QString>()) {
        text = value.toString();
    } else {
        typeMismatch(field, value);
    }
    if (field.type == ado::adGUID) {
        if (text.trimmed().isEmpty()) return std::monostate{};
        const auto guid = cell::canonicalGuid(text);
        if (!guid) typeMismatch(field, value);
        text = *guid;
    }
    if (limitsLength(field.type) && field.definedSize > 0 && text.size() > field.definedSize) tooLong(field);
    return text.toUtf8();
}

CellValue binaryCell(const QVariant& value, const FieldInfo& field) {
    QByteArray bytes;
    const int id = value.metaType().id();
    if (id == QMetaType::QByteArray) {
        bytes = value.toByteArray();
    } else if (id == QMetaType::QString) {
        const auto decoded = cell::fromHex(value.toString().trimmed());
        if (!decoded) typeMismatch(field, value);
        bytes = *decoded;
    } else {
        typeMismatch(field, value);
    }
    if (limitsLength(field.type) && field.definedSize > 0 && bytes.size() > field.definedSize) tooLong(field);
    return bytes;
}

QString decimalText(QByteArrayView stored, const FieldInfo& field) {
    const QByteArray bytes = stored.toByteArray();
    return QString::fromLatin1(field.type == ado::adNumeric ? cell::padDecimal(bytes, field.scale) : bytes);
}

QString dateTimeText(const DateTimeValue& v, int type) {
    if (type == ado::adDBDate) return cell::formatDate(v);
    if (type == ado::adDBTime) return cell::formatTime(v, true);
    return cell::formatDateTime(v, QLatin1Char(' '), true);
}

QString realText(double d, int type) {
    return type == ado::adSingle ? cell::formatSingle(float(d)) : cell::formatDouble(d);
}

} // namespace

CellValue toCell(const QVariant& value, const FieldInfo& field) {
    if (!value.isValid() || value.isNull()) return std::monostate{};
    switch (storageKindOf(field.type)) {
    case StorageKind::Integer:
        return integerCell(value, field);
    case StorageKind::Real:
        return realCell(value, field);
    case StorageKind::Decimal:
        return decimalCell(value, field);
    case StorageKind::DateTime:
        return dateTimeCell(value, field);
    case StorageKind::Binary:
        return binaryCell(value, field);
    case StorageKind::Text:
        break;
    }
    return textCell(value, field);
}

CellValue cellAt(const ColumnStore& column, qsizetype row) {
    if (column.isNull(row)) return std::monostate{};
    switch (column.kind()) {
    case StorageKind::Integer:
        return column.intAt(row);
    case StorageKind::Real:
        return column.realAt(row);
    case StorageKind::DateTime:
        return column.dateTimeAt(row);
    default:
        return column.bytesAt(row).toByteArray();
    }
}

void appendCell(ColumnStore& column, const CellValue& cell) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                column.appendNull();
            else if constexpr (std::is_same_v<T, qint64>)
                column.appendInt(v);
            else if constexpr (std::is_same_v<T, double>)
                column.appendReal(v);
            else if constexpr (std::is_same_v<T, DateTimeValue>)
                column.appendDateTime(v);
            else
                column.appendBytes(v);
        },
        cell);
}

void storeCell(ColumnStore& column, qsizetype row, const CellValue& cell) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                column.setNull(row);
            else if constexpr (std::is_same_v<T, qint64>)
                column.setInt(row, v);
            else if constexpr (std::is_same_v<T, double>)
                column.setReal(row, v);
            else if constexpr (std::is_same_v<T, DateTimeValue>)
                column.setDateTime(row, v);
            else
                column.setBytes(row, v);
        },
        cell);
}

QVariant cellVariant(const CellValue& cell, const FieldInfo& field) {
    const int type = field.type;
    if (std::holds_alternative<std::monostate>(cell)) return {};
    if (const auto* i = std::get_if<qint64>(&cell)) {
        switch (type) {
        case ado::adBoolean:
            return QVariant(*i != 0);
        case ado::adBigInt:
            return QVariant(qlonglong(*i));
        case ado::adUnsignedBigInt:
            return QVariant(qulonglong(*i));
        case ado::adUnsignedInt:
            return QVariant(uint(*i));
        default:
            return QVariant(int(*i));
        }
    }
    if (const auto* d = std::get_if<double>(&cell)) {
        return type == ado::adSingle ? QVariant(float(*d)) : QVariant(*d);
    }
    if (const auto* t = std::get_if<DateTimeValue>(&cell)) {
        if (type == ado::adDBDate) return QVariant(t->date());
        if (type == ado::adDBTime) return QVariant(t->time());
        return QVariant(t->toDateTime());
    }
    const QByteArray& bytes = std::get<QByteArray>(cell);
    switch (storageKindOf(type)) {
    case StorageKind::Binary:
        return QVariant(bytes);
    case StorageKind::Decimal:
        return QVariant(decimalText(bytes, field));
    default:
        return QVariant(QString::fromUtf8(bytes));
    }
}

QVariant columnVariant(const ColumnStore& column, qsizetype row, const FieldInfo& field) {
    return cellVariant(cellAt(column, row), field);
}

QString columnText(const ColumnStore& column, qsizetype row, const FieldInfo& field) {
    if (column.isNull(row)) return {};
    switch (column.kind()) {
    case StorageKind::Integer:
        return cell::formatInteger(column.intAt(row), field.type);
    case StorageKind::Real:
        return realText(column.realAt(row), field.type);
    case StorageKind::DateTime:
        return dateTimeText(column.dateTimeAt(row), field.type);
    case StorageKind::Decimal:
        return decimalText(column.bytesAt(row), field);
    case StorageKind::Binary:
        return QString::fromLatin1(cell::toHex(column.bytesAt(row)));
    case StorageKind::Text:
        break;
    }
    const QByteArrayView b = column.bytesAt(row);
    return QString::fromUtf8(b.data(), b.size());
}

FieldInfo normalisedField(FieldInfo field) {
    const qint64 fixed = ado::fixedSize(field.type);
    if (fixed > 0) field.definedSize = fixed;
    if (field.definedSize < 0) field.definedSize = 0;
    return field;
}

} // namespace mv
