// How the PostgreSQL ODBC driver describes a column's or parameter's type, as read from the driver
// (psqlODBC 13) on columns declared so: the native engine's rowsets rest on these answers, also
// where the driver's own arithmetic is odd (a length header taken off a varbit's modifier, an
// interval's fraction lost in a 16-bit number).
#include "db/pg/pg_catalog_types.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

using namespace mv::pg;

namespace {

struct ColumnCase {
    const char* declared;
    unsigned oid;
    int typmod; // as pg_attribute keeps it
    qint64 sqlType;
    std::optional<qint64> size, digits, octets;
};

TEST(PgCatalogTypes, ColumnsAreDescribedAsTheDriverDoes) {
    const std::optional<qint64> none;
    const ColumnCase cases[] = {
        {"smallint", 21, -1, SQL_SMALLINT, 5, 0, -1},
        {"numeric(10,2)", 1700, (10 << 16) + 2 + 4, SQL_NUMERIC, 10, 2, -1},
        {"numeric", 1700, -1, SQL_NUMERIC, 28, 6, -1},
        {"numeric(5,-2)", 1700, 0x50802, SQL_NUMERIC, 5, 2046, -1},
        {"real", 700, -1, SQL_REAL, 9, 0, -1},
        {"money", 790, -1, SQL_FLOAT, 10, 0, -1},
        {"varchar(50)", 1043, 54, SQL_VARCHAR, 50, none, 200},
        {"varchar(80): bytes held to the longest short text", 1043, 84, SQL_VARCHAR, 80, none, 255},
        {"varchar", 1043, -1, SQL_VARCHAR, 255, none, 255},
        {"varchar(300)", 1043, 304, SQL_LONGVARCHAR, 300, none, 1200},
        {"char(3)", 1042, 7, SQL_CHAR, 3, none, 12},
        {"text", 25, -1, SQL_LONGVARCHAR, 8190, none, 32760},
        {"\"char\"", 18, -1, SQL_CHAR, 1, none, -1},
        {"name", 19, -1, SQL_VARCHAR, 63, none, -1},
        {"time(3)", 1083, 3, SQL_TYPE_TIME, 8, 3, -1},
        {"timestamp(5): no header off", 1114, 5, SQL_TYPE_TIMESTAMP, 26, 5, -1},
        {"timestamptz", 1184, -1, SQL_TYPE_TIMESTAMP, 26, 6, -1},
        {"date", 1082, -1, SQL_TYPE_DATE, 10, none, -1},
        {"timetz(2)", 1266, 2, SQL_VARCHAR, 2, none, -1},
        {"bit(10)", 1560, 10, SQL_VARCHAR, 10, none, -1},
        {"varbit(7): header taken off", 1562, 7, SQL_VARCHAR, 3, none, -1},
        {"varchar(10)[]", 1015, 14, SQL_VARCHAR, 255, none, -1},
        {"interval", 1186, -1, SQL_VARCHAR, 32, none, -1},
        {"interval(3)", 1186, 0x7fff0003, SQL_VARCHAR, 31, none, -1},
        {"interval day to second", 1186, 0x1c08ffff, SQL_VARCHAR, 25, none, -1},
        {"interval minute to second(2)", 1186, 0x18000002, SQL_VARCHAR, 24, none, -1},
        {"interval second", 1186, 0x1000ffff, SQL_VARCHAR, 9, none, -1},
        {"interval hour to minute", 1186, 0x0c00ffff, SQL_VARCHAR, 17, none, -1},
        {"inet", 869, -1, SQL_VARCHAR, 50, none, -1},
        {"bytea", 17, -1, SQL_LONGVARBINARY, SQL_NO_TOTAL, none, -1},
        {"json", 114, -1, SQL_VARCHAR, 255, none, -1},
    };
    for (const ColumnCase& c : cases) {
        const DriverType t = describeColumnType(c.oid, c.typmod, 63);
        EXPECT_EQ(t.sqlType, c.sqlType) << c.declared;
        EXPECT_EQ(t.columnSize, c.size) << c.declared;
        EXPECT_EQ(t.decimalDigits, c.digits) << c.declared;
        EXPECT_EQ(t.octetLength, c.octets) << c.declared;
    }
}

// Parameters have no modifier: lengths are the driver's defaults, an interval reads as year to
// month, and the types it has no name for are "unknown".
TEST(PgCatalogTypes, ParametersKnowNoModifier) {
    struct Case {
        unsigned oid;
        const char* name;
        qint64 size;
        std::optional<qint64> octets;
    } const cases[] = {
        {1043, "varchar", 255, 255},  {1042, "char", 255, 255},     {25, "text", 8190, 32760},
        {1186, "interval year to month", 24, std::nullopt}, {1700, "numeric", 28, std::nullopt},
        {114, "unknown", 255, std::nullopt}, {2276, "any", 255, std::nullopt}, {1114, "timestamp without time zone", 26, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parameterTypeName(c.oid), QString::fromLatin1(c.name)) << c.name;
        const DriverType t = describeParameterType(c.oid, 63);
        EXPECT_EQ(t.columnSize, c.size) << c.name;
        EXPECT_EQ(t.octetLength, c.octets) << c.name;
    }
}

} // namespace
