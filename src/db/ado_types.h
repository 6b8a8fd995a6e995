#pragma once
// ADO data type codes as they appear in field descriptions and persisted recordsets, and what
// each one means for storage and display.
#include <QString>
#include <QtGlobal>

namespace mv {

namespace ado {

enum DataType : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adBoolean = 11,
    adVariant = 12,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adBigInt = 20,
    adUnsignedBigInt = 21,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarNumeric = 139,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// Whole numbers, booleans included (stored as 0 / 1).
bool isIntegerType(int type);
// Whole numbers, floating point and exact decimals; not booleans.
bool isNumericType(int type);
// Exact decimals kept as text: currency, decimal, numeric.
bool isDecimalType(int type);
bool isFloatType(int type);
// Character types, and every code this table does not know (those are carried as text).
bool isTextType(int type);
bool isBinaryType(int type);
// Date, time, date-time.
bool isDateType(int type);
bool isLongType(int type);
// Types whose size does not depend on the field (numbers, dates, GUID) and the fixed-width
// character and binary types.
bool isFixedLengthType(int type);
// Whether the code is one of the types above (an unknown code is stored as text).
bool isKnownType(int type);
// Byte size ADO reports for a type of fixed size, 0 for the sized types (text, binary).
qint64 fixedSize(int type);
// "adInteger", "adVarWChar", ...; the number for an unknown code.
QString typeName(int type);

} // namespace ado

// How a column holds its cells.
enum class StorageKind : quint8 {
    Integer,  // 64-bit integer: all whole-number types and booleans (unsigned 64-bit as bit pattern)
    Real,     // double: single and double
    Decimal,  // exact decimal text: currency, decimal, numeric
    DateTime, // seconds + nanoseconds: date, time, date-time
    Text,     // UTF-8 text: character types, GUID, unknown types
    Binary,   // bytes
};

StorageKind storageKindOf(int adoType);

} // namespace mv
