#pragma once
// The type matrix: every column type users meet, one line per type and database, with edge values
// as SQL literals. type_matrix_test.cpp stores them, reads them back through Morvenda and compares
// with the database's own client. A new type is one more line here.
#include <initializer_list>
#include <vector>

namespace mvtest::matrix {

// How Morvenda's text of a value relates to what the native client prints.
enum class Compare {
    Exact,   // the same text
    Real,    // the same double (shortest text against the client's digits; NaN, Infinity)
    Single,  // the same float (mdb-export prints nine digits)
    Bool,    // True / False against t/f, 1/0
    Hex,     // binary: Morvenda's hex digits against the client's hex of the value
    Instant, // a time stamp with time zone: the same instant (the grid shows it in UTC)
    When,    // a date, time or time stamp: the same moment (fractions without trailing zeros)
    Money,   // the same amount (the client adds a currency sign and digit groups)
    Guid,    // the same UUID (the grid shows it upper-case in braces)
};

struct Row {
    const char* dialect; // "sqlite", "postgresql", "mariadb"
    const char* type;    // the column's type in CREATE TABLE
    std::vector<const char*> literals;
    Compare compare = Compare::Exact;
    // What the native client selects instead of the column ("%1" is the column), when its own
    // printing is not comparable (binary bytes); empty: the column itself.
    const char* nativeExpression = "";
    // Sorting by this column in the grid gives the database's order (numbers, dates).
    bool sortsLikeTheDatabase = false;
};

inline const std::vector<Row>& rows() {
    // Long values are made in SQL, so the literals stay readable.
    static const std::vector<Row> all = {
        // ---- SQLite: integers are 64-bit, REAL is a double, the rest is text or blob ----
        {"sqlite", "INTEGER", {"0", "-1", "2147483648", "5000000000", "9007199254740993", "9223372036854775807", "-9223372036854775808", "NULL"}, Compare::Exact, "", true},
        {"sqlite", "BIGINT", {"117386255350", "-4611686018427387904", "NULL"}, Compare::Exact, "", true},
        {"sqlite", "SMALLINT", {"40000", "-70000", "NULL"}, Compare::Exact, "", true},
        // The SQLite driver hands doubles over as 15-digit text: values that need more digits
        // (1.7976931348623157e308, 0.1 + 0.2) arrive rounded, as sqlite3 prints them.
        {"sqlite", "REAL", {"0.1", "-0.0", "1e-300", "4.9e-324", "123456789.125", "NULL"}, Compare::Real, "", true},
        {"sqlite", "NUMERIC(10,2)", {"12345678.91", "0.5", "-3.25", "NULL"}, Compare::Real, "", true},
        {"sqlite", "TEXT", {"''", "'Grüße, Ærø – 日本語 ✓ עברית العربية 🎉👩‍👩‍👧'", "'tab\there'", "'quote '' and \" both'", "char(13,10)", "'a' || char(10) || 'b'", "NULL"}},
        {"sqlite", "TEXT", {"replace(hex(zeroblob(524288)), '00', 'xü')"}},
        {"sqlite", "VARCHAR(5)", {"'longer than five'", "'C:\\bin\\index'"}},
        {"sqlite", "BLOB", {"x''", "x'00ff0041'", "zeroblob(3)", "NULL"}, Compare::Hex, "iif(%1 IS NULL, NULL, hex(%1))"},
        {"sqlite", "BOOLEAN", {"1", "0", "NULL"}, Compare::Bool},
        {"sqlite", "DATE", {"'2024-02-29'", "'1850-01-01'", "'2099-12-31'", "NULL"}, Compare::When, "", true},
        {"sqlite", "TIMESTAMP", {"'2024-02-29 13:45:30.125'", "'1899-12-30 00:00:00'", "'2100-01-01 23:59:59'", "NULL"}, Compare::When, "", true},

        // ---- PostgreSQL ----
        {"postgresql", "smallint", {"-32768", "32767", "NULL"}, Compare::Exact, "", true},
        {"postgresql", "integer", {"-2147483648", "2147483647", "0", "NULL"}, Compare::Exact, "", true},
        {"postgresql", "bigint", {"-9223372036854775808", "9223372036854775807", "9007199254740993", "9007199254740992", "NULL"}, Compare::Exact, "", true},
        {"postgresql", "numeric", {"123456789012345678901234567890.123456789012345", "-0.000000000000000000000000000001", "0", "1e-5", "1.0000000000000000002", "1.0000000000000000001", "NULL"}, Compare::Exact, "", true},
        {"postgresql", "numeric(40,10)", {"123456789012345678901234567890.0123456789", "-1.5", "0", "NULL"}, Compare::Exact, "", true},
        {"postgresql", "numeric(5,2)", {"999.99", "-0.01", "NULL"}, Compare::Exact, "", true},
        {"postgresql", "numeric(5,-2)", {"1234567", "-9999949", "NULL"}, Compare::Exact, "", true},
        {"postgresql", "real", {"0.15", "-0", "3.4028235e38", "1e-45", "'NaN'", "'Infinity'", "'-Infinity'", "NULL"}, Compare::Real},
        {"postgresql", "double precision", {"0.1", "-0", "1e-300", "1.7976931348623157e308", "5e-324", "'NaN'", "'Infinity'", "'-Infinity'", "NULL"}, Compare::Real},
        {"postgresql", "money", {"'12345678.91'", "'-0.01'", "NULL"}, Compare::Money},
        {"postgresql", "boolean", {"true", "false", "NULL"}, Compare::Bool},
        {"postgresql", "date", {"'2024-02-29'", "'1850-01-01'", "'2100-12-31'", "'0001-01-01'", "NULL"}, Compare::When, "", true},
        {"postgresql", "timestamp", {"'2024-02-29 13:45:30.123456'", "'1850-01-01 00:00:00'", "'2100-06-30 23:59:59.5'", "NULL"}, Compare::When, "", true},
        {"postgresql", "timestamptz", {"'2024-02-29 13:45:30.125+00'", "'2039-01-19 03:14:08+02'", "NULL"}, Compare::Instant},
        {"postgresql", "time", {"'13:45:30'", "'23:59:59.999999'", "'00:00:00'", "NULL"}, Compare::When, "", true},
        {"postgresql", "interval", {"'1 year 2 mons 3 days 04:05:06.5'", "'-00:00:01'", "NULL"}},
        {"postgresql", "uuid", {"'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", "NULL"}, Compare::Guid},
        {"postgresql", "json", {"'{\"a\": [1, 2.50, null], \"b\": \"ü\"}'", "NULL"}},
        {"postgresql", "jsonb", {"'{\"b\": \"ü\", \"a\": [1, 2.50, null]}'", "NULL"}},
        {"postgresql", "integer[]", {"'{1,2,NULL}'", "'{}'", "NULL"}},
        {"postgresql", "text[]", {"'{\"a b\",\"c,d\"}'", "NULL"}},
        {"postgresql", "text", {"''", "'Grüße, Ærø – 日本語 ✓ עברית العربية 🎉👩‍👩‍👧'", "E'tab\\there'", "E'cr\\r\\nlf'", "'C:\\bin\\index'", "repeat('xü', 524288)", "NULL"}},
        {"postgresql", "varchar(5)", {"'fünf!'", "''", "NULL"}},
        {"postgresql", "char(3)", {"'ab'", "NULL"}},
        {"postgresql", "bytea", {"''::bytea", "'\\x00ff0041'::bytea", "NULL"}, Compare::Hex, "encode(%1, 'hex')"},
        {"postgresql", "bit(8)", {"B'10100101'", "NULL"}},
        {"postgresql", "varbit", {"B'101'", "NULL"}},

        // ---- MariaDB ----
        {"mariadb", "TINYINT", {"-128", "127", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "TINYINT UNSIGNED", {"0", "255", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "SMALLINT UNSIGNED", {"65535", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "MEDIUMINT", {"-8388608", "8388607", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "INT", {"-2147483648", "2147483647", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "INT UNSIGNED", {"4294967295", "0", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "BIGINT", {"-9223372036854775808", "9223372036854775807", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "BIGINT UNSIGNED", {"18446744073709551615", "9223372036854775808", "0", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "DECIMAL(65,30)", {"12345678901234567890123456789012345.123456789012345678901234567890", "-0.000000000000000000000000000001", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "DECIMAL(10,2)", {"-12345678.91", "0.50", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "FLOAT", {"0.15", "-3.4e38", "1e-38", "NULL"}, Compare::Single},
        {"mariadb", "DOUBLE", {"0.1", "-1.7976931348623157e308", "2.2250738585072014e-308", "NULL"}, Compare::Real, "", true},
        {"mariadb", "BIT(1)", {"b'1'", "b'0'", "NULL"}, Compare::Bool, "%1 + 0"},
        {"mariadb", "BIT(64)", {"b'1111111111111111111111111111111111111111111111111111111111111111'", "b'1'", "NULL"}, Compare::Hex, "lpad(hex(%1), 16, '0')"},
        {"mariadb", "BOOLEAN", {"TRUE", "FALSE", "NULL"}},
        {"mariadb", "DATE", {"'2024-02-29'", "'1000-01-01'", "'9999-12-31'", "NULL"}, Compare::When, "", true},
        {"mariadb", "DATETIME(6)", {"'2024-02-29 13:45:30.123456'", "'1850-01-01 00:00:00'", "'2100-01-01 00:00:00.5'", "NULL"}, Compare::When, "", true},
        {"mariadb", "TIMESTAMP NULL", {"'2038-01-19 03:14:07'", "'1970-01-02 00:00:00'", "NULL"}, Compare::When, "", true},
        {"mariadb", "TIME(3)", {"'13:45:30.125'", "'00:00:00'", "NULL"}, Compare::When, "", true},
        {"mariadb", "TIME", {"'838:59:59'", "'-01:00:00'", "'09:30:00'", "NULL"}},
        {"mariadb", "YEAR", {"1901", "2155", "NULL"}, Compare::Exact, "", true},
        {"mariadb", "JSON", {"'{\"a\": [1, 2.50, null], \"b\": \"ü\"}'", "NULL"}},
        {"mariadb", "ENUM('red','green','blue')", {"'green'", "'blue'", "NULL"}},
        {"mariadb", "SET('a','b','c')", {"'a,c'", "''", "NULL"}},
        {"mariadb", "UUID", {"'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", "NULL"}, Compare::Guid},
        // (mariadb --xml cannot show a CR: XML readers turn CR LF into LF.)
        {"mariadb", "VARCHAR(300)", {"''", "'Grüße, Ærø – 日本語 ✓ עברית العربية 🎉👩‍👩‍👧'", "'C:\\\\bin\\\\index'", "CONCAT('line', CHAR(10), 'break')", "NULL"}},
        {"mariadb", "LONGTEXT", {"REPEAT('xü', 524288)", "''", "NULL"}},
        {"mariadb", "CHAR(3)", {"'ab'", "NULL"}},
        {"mariadb", "VARBINARY(10)", {"x''", "x'00ff0041'", "NULL"}, Compare::Hex, "hex(%1)"},
        {"mariadb", "LONGBLOB", {"x'000102'", "NULL"}, Compare::Hex, "hex(%1)"},
    };
    return all;
}

// Access files cannot be written here (MDBTools reads only): the fixtures' own columns, compared
// with mdb-export of the same table.
struct AccessColumn {
    const char* file;
    const char* table;
    const char* column;
    Compare compare = Compare::Exact;
};

inline const std::vector<AccessColumn>& accessColumns() {
    static const std::vector<AccessColumn> all = {
        {"nwind.mdb", "Order Details", "OrderID"},
        {"nwind.mdb", "Order Details", "Quantity"},
        {"nwind.mdb", "Order Details", "UnitPrice", Compare::Real},
        {"nwind.mdb", "Order Details", "Discount", Compare::Single},
        {"nwind.mdb", "Products", "ProductName"},
        {"nwind.mdb", "Products", "Discontinued", Compare::Bool},
        {"nwind.mdb", "Orders", "OrderDate", Compare::When},
        {"nwind.mdb", "Orders", "Freight", Compare::Real},
        {"nwind.mdb", "Orders", "ShipRegion"},
        {"nwind.mdb", "Employees", "Notes"},
        // dates.mdb's date columns are left out: MDBTools 1.0 decodes its years 9999 and before
        // 1900 as "1900-01-00" (mdb-export prints the same), a day that does not exist.
        {"dates.mdb", "DateTest", "LongTextCol"},
    };
    return all;
}

} // namespace mvtest::matrix
