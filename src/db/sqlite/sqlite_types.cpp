#include "db/sqlite/sqlite_types.h"

#include "db/odbc/odbc_types.h"

#include <sqlite3.h>

namespace mv::sqlite {

namespace {

bool startsWith(const QString& text, const char* prefix) {
    return text.startsWith(QLatin1String(prefix));
}

// "(n)" or "(n,m)" after the name, as the driver reads them.
void readSize(const QString& text, qint64& size, qint64& decimals) {
    const qsizetype open = text.indexOf(u'(');
    const qsizetype close = text.indexOf(u')', open + 1);
    if (open < 0 || close < 0) return;
    const QStringList parts = text.mid(open + 1, close - open - 1).split(u',');
    bool ok = false;
    const qint64 first = parts.value(0).trimmed().toLongLong(&ok);
    if (!ok) return;
    if (parts.size() == 1) {
        size = decimals = first;
        return;
    }
    const qint64 second = parts.value(1).trimmed().toLongLong(&ok);
    if (!ok) return;
    size = first;
    decimals = second;
}

} // namespace

DeclaredType declaredType(const QString& typeText, int storageClass) {
    QString p = typeText.trimmed().toLower();
    if (p.isEmpty()) {
        switch (storageClass) {
        case SQLITE_INTEGER:
            p = QStringLiteral("integer");
            break;
        case SQLITE_FLOAT:
            p = QStringLiteral("double");
            break;
        default:
            break;
        }
    }
    // The names the driver knows, by their beginning; everything else is VARCHAR.
    DeclaredType t;
    t.sqlType = SQL_VARCHAR;
    bool testSign = false;
    if (startsWith(p, "inter")) {
    } else if (startsWith(p, "int") || startsWith(p, "mediumint")) {
        testSign = true;
        t.sqlType = SQL_INTEGER;
    } else if (startsWith(p, "numeric") || startsWith(p, "float") || startsWith(p, "double") ||
               startsWith(p, "real")) {
        t.sqlType = SQL_DOUBLE;
    } else if (startsWith(p, "tinyint")) {
        testSign = true;
        t.sqlType = SQL_TINYINT;
    } else if (startsWith(p, "smallint")) {
        testSign = true;
        t.sqlType = SQL_SMALLINT;
    } else if (startsWith(p, "bigint")) {
        testSign = true;
        t.sqlType = SQL_BIGINT;
    } else if (startsWith(p, "timestamp") || startsWith(p, "datetime")) {
        t.sqlType = SQL_TYPE_TIMESTAMP;
    } else if (startsWith(p, "time")) {
        t.sqlType = SQL_TYPE_TIME;
    } else if (startsWith(p, "date")) {
        t.sqlType = SQL_TYPE_DATE;
    } else if (startsWith(p, "text") || startsWith(p, "longvarchar")) {
        t.sqlType = SQL_LONGVARCHAR;
    } else if (startsWith(p, "bit") || startsWith(p, "bool")) {
        t.sqlType = SQL_BIT;
    } else if (startsWith(p, "longvarbinary")) {
        t.sqlType = SQL_LONGVARBINARY;
    } else if (startsWith(p, "varbinary")) {
        t.sqlType = SQL_VARBINARY;
    } else if (startsWith(p, "blob")) {
        t.sqlType = SQL_BINARY;
    }
    t.isUnsigned = testSign && p.contains(QLatin1String("unsigned"));

    // Length and digits by type, replaced by the numbers in parentheses.
    qint64 length = 0, digits = 0;
    switch (t.sqlType) {
    case SQL_INTEGER:
        length = 10, digits = 9;
        break;
    case SQL_TINYINT:
        length = 4, digits = 3;
        break;
    case SQL_SMALLINT:
        length = 6, digits = 5;
        break;
    case SQL_BIGINT:
        length = 20, digits = 19;
        break;
    case SQL_DOUBLE:
        length = 54, digits = 53;
        break;
    case SQL_TYPE_DATE:
        length = 10;
        break;
    case SQL_TYPE_TIME:
        length = 8;
        break;
    case SQL_TYPE_TIMESTAMP:
        length = 32, digits = 3;
        break;
    case SQL_LONGVARCHAR:
    case SQL_LONGVARBINARY:
        length = 65536;
        break;
    case SQL_BIT:
        length = 1, digits = 1;
        break;
    default: // VARCHAR, BINARY, VARBINARY
        length = 255;
        break;
    }
    readSize(p, length, digits);
    if (t.sqlType == SQL_VARCHAR && length > 255) t.sqlType = SQL_LONGVARCHAR;
    t.isLong = t.sqlType == SQL_LONGVARCHAR || t.sqlType == SQL_LONGVARBINARY;
    t.length = length;
    t.digits = digits;
    t.adoType = odbc::adoTypeOf(SQLSMALLINT(t.sqlType), t.isUnsigned, typeText);
    return t;
}

} // namespace mv::sqlite
