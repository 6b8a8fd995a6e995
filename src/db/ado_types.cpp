#include "db/ado_types.h"

namespace mv {
namespace ado {

bool isIntegerType(int type) {
    switch (type) {
    case adSmallInt:
    case adInteger:
    case adBoolean:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
        return true;
    default:
        return false;
    }
}

bool isFloatType(int type) {
    return type == adSingle || type == adDouble;
}

bool isDecimalType(int type) {
    return type == adCurrency || type == adDecimal || type == adNumeric || type == adVarNumeric;
}

bool isNumericType(int type) {
    return (isIntegerType(type) && type != adBoolean) || isFloatType(type) || isDecimalType(type);
}

bool isBinaryType(int type) {
    return type == adBinary || type == adVarBinary || type == adLongVarBinary;
}

bool isDateType(int type) {
    return type == adDate || type == adDBDate || type == adDBTime || type == adDBTimeStamp;
}

bool isKnownType(int type) {
    switch (type) {
    case adSmallInt:
    case adInteger:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDate:
    case adBoolean:
    case adDecimal:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
    case adGUID:
    case adBinary:
    case adChar:
    case adWChar:
    case adNumeric:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar:
    case adVarBinary:
    case adLongVarBinary:
        return true;
    default:
        return false;
    }
}

bool isTextType(int type) {
    return !isIntegerType(type) && !isFloatType(type) && !isDecimalType(type) && !isBinaryType(type) &&
           !isDateType(type);
}

bool isLongType(int type) {
    return type == adLongVarChar || type == adLongVarWChar || type == adLongVarBinary;
}

qint64 fixedSize(int type) {
    switch (type) {
    case adTinyInt:
    case adUnsignedTinyInt:
        return 1;
    case adSmallInt:
    case adUnsignedSmallInt:
    case adBoolean:
        return 2;
    case adInteger:
    case adUnsignedInt:
    case adSingle:
        return 4;
    case adDouble:
    case adCurrency:
    case adBigInt:
    case adUnsignedBigInt:
        return 8;
    case adDate:
    case adDecimal:
    case adGUID:
    case adDBTimeStamp:
        return 16;
    case adNumeric:
        return 19;
    case adDBDate:
    case adDBTime:
        return 6;
    default:
        return 0;
    }
}

bool isFixedLengthType(int type) {
    return fixedSize(type) > 0 || type == adBinary || type == adChar || type == adWChar;
}

QString typeName(int type) {
    switch (type) {
    case adEmpty:
        return QStringLiteral("adEmpty");
    case adSmallInt:
        return QStringLiteral("adSmallInt");
    case adInteger:
        return QStringLiteral("adInteger");
    case adSingle:
        return QStringLiteral("adSingle");
    case adDouble:
        return QStringLiteral("adDouble");
    case adCurrency:
        return QStringLiteral("adCurrency");
    case adDate:
        return QStringLiteral("adDate");
    case adBSTR:
        return QStringLiteral("adBSTR");
    case adBoolean:
        return QStringLiteral("adBoolean");
    case adVariant:
        return QStringLiteral("adVariant");
    case adDecimal:
        return QStringLiteral("adDecimal");
    case adTinyInt:
        return QStringLiteral("adTinyInt");
    case adUnsignedTinyInt:
        return QStringLiteral("adUnsignedTinyInt");
    case adUnsignedSmallInt:
        return QStringLiteral("adUnsignedSmallInt");
    case adUnsignedInt:
        return QStringLiteral("adUnsignedInt");
    case adBigInt:
        return QStringLiteral("adBigInt");
    case adUnsignedBigInt:
        return QStringLiteral("adUnsignedBigInt");
    case adGUID:
        return QStringLiteral("adGUID");
    case adBinary:
        return QStringLiteral("adBinary");
    case adChar:
        return QStringLiteral("adChar");
    case adWChar:
        return QStringLiteral("adWChar");
    case adNumeric:
        return QStringLiteral("adNumeric");
    case adDBDate:
        return QStringLiteral("adDBDate");
    case adDBTime:
        return QStringLiteral("adDBTime");
    case adDBTimeStamp:
        return QStringLiteral("adDBTimeStamp");
    case adVarNumeric:
        return QStringLiteral("adVarNumeric");
    case adVarChar:
        return QStringLiteral("adVarChar");
    case adLongVarChar:
        return QStringLiteral("adLongVarChar");
    case adVarWChar:
        return QStringLiteral("adVarWChar");
    case adLongVarWChar:
        return QStringLiteral("adLongVarWChar");
    case adVarBinary:
        return QStringLiteral("adVarBinary");
    case adLongVarBinary:
        return QStringLiteral("adLongVarBinary");
    default:
        return QString::number(type);
    }
}

} // namespace ado

StorageKind storageKindOf(int adoType) {
    if (ado::isIntegerType(adoType)) return StorageKind::Integer;
    if (ado::isFloatType(adoType)) return StorageKind::Real;
    if (ado::isDecimalType(adoType)) return StorageKind::Decimal;
    if (ado::isDateType(adoType)) return StorageKind::DateTime;
    if (ado::isBinaryType(adoType)) return StorageKind::Binary;
    return StorageKind::Text;
}

} // namespace mv
