#pragma once
// Field description and the conversion of single values between QVariant and column storage, with
// the checks an edit must pass (type, range, length). Shared by the recordset and its builder.
#include "db/ado_types.h"
#include "db/recordset_column.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <variant>

namespace mv {

struct FieldInfo {
    QString name;
    int type = ado::adVarWChar; // ADO type code
    qint64 definedSize = 0;     // characters for text, bytes for binary; fixed by the type otherwise
    int precision = 0;
    int scale = 0;
    bool nullable = true;

    bool operator==(const FieldInfo&) const = default;
};

// Error numbers of recordset operations (the ADO numbers where ADO has one).
namespace rserr {
constexpr long NoCurrentRecord = 3021;
constexpr long ItemNotFound = 3265;
constexpr long IllegalOperation = 3219;
constexpr long ObjectClosed = 3704;
constexpr long UpdateNotSupported = 3251;
constexpr long TypeMismatch = 13;
constexpr long ValueTooLong = -2147217887; // a multiple-step operation failed
constexpr long FileNotFound = 53;
constexpr long PathFileAccess = 75;
constexpr long SaveToFile = 31036;
constexpr long LoadFromFile = 31037;
} // namespace rserr

// One value in storage form; monostate is Null.
using CellValue = std::variant<std::monostate, qint64, double, DateTimeValue, QByteArray>;

// Converts a value for the field, as an edit or an import stores it. An invalid or null QVariant
// is Null; for fields that are not text an empty text is Null too. Throws MvError (13 type
// mismatch, -2147217887 value too long) with the field name in the message.
CellValue toCell(const QVariant& value, const FieldInfo& field);

CellValue cellAt(const ColumnStore& column, qsizetype row);
void appendCell(ColumnStore& column, const CellValue& cell);
void storeCell(ColumnStore& column, qsizetype row, const CellValue& cell);

// Null is an invalid QVariant. Otherwise: bool for adBoolean, int / uint / qlonglong / qulonglong
// for whole numbers, float for adSingle, double, QString for decimals, text and GUIDs, QDateTime
// (UTC, wall-clock unchanged) for date-times, QDate, QTime, QByteArray for binary.
QVariant cellVariant(const CellValue& cell, const FieldInfo& field);
QVariant columnVariant(const ColumnStore& column, qsizetype row, const FieldInfo& field);
// Display text without building a QVariant; Null gives an empty text.
QString columnText(const ColumnStore& column, qsizetype row, const FieldInfo& field);

// The fixed size of fixed types replaces whatever size the source reported, so a field reads back
// from every persistence form exactly as it was.
FieldInfo normalisedField(FieldInfo field);

} // namespace mv
