#include "db/mariadb/mariadb_catalog.h"

#include "db/odbc/odbc_catalog_support.h"

#include <algorithm>
#include <map>

namespace mv::mariadb {

using namespace odbc::catalog;

namespace {

const QStringList SystemDatabases{QStringLiteral("information_schema"), QStringLiteral("mysql"),
                                  QStringLiteral("performance_schema"), QStringLiteral("sys")};

// A text as an SQL literal that reads the same whatever the server's quoting mode.
QString literal(const QString& text) {
    return QStringLiteral("CONVERT(X'%1' USING utf8mb4)").arg(QString::fromLatin1(text.toUtf8().toHex()));
}

bool nonEmpty(const std::optional<QString>& v) {
    return v && !v->isEmpty();
}

// The databases a request looks in: the one named as catalog or (MariaDB has no schemas) as
// schema; otherwise the current one and, where asked for, the system databases.
QStringList databasesFor(const QString& current, const std::optional<QString>& catalog,
                         const std::optional<QString>& schema, bool withSystem) {
    if (nonEmpty(catalog)) return {*catalog};
    if (nonEmpty(schema)) return {*schema};
    QStringList all{current};
    if (withSystem)
        for (const QString& db : SystemDatabases)
            if (db.compare(current, Qt::CaseInsensitive) != 0) all << db;
    return all;
}

// A database other than the current one is shown as the schema.
QVariant schemaOf(const QString& database, const QString& current) {
    return database.compare(current, Qt::CaseInsensitive) == 0 ? QVariant() : QVariant(database);
}

struct Table {
    QString database;
    QString name;
    QString type; // TABLE, VIEW, SYSTEM TABLE, SYSTEM VIEW
    Cell comment;
};

QString typeOf(const QString& database, const QString& serverType) {
    const QString t = serverType.trimmed().toUpper();
    const bool view = t.contains(QLatin1String("VIEW"));
    if (t.startsWith(QLatin1String("SYSTEM VIEW")) || SystemDatabases.contains(database, Qt::CaseInsensitive))
        return view ? QStringLiteral("SYSTEM VIEW") : QStringLiteral("SYSTEM TABLE");
    return view ? QStringLiteral("VIEW") : QStringLiteral("TABLE");
}

std::vector<Table> tablesOf(const CatalogQuery& query, const QString& database) {
    std::vector<Table> tables;
    for (const CatalogRow& row :
         query(QStringLiteral("SELECT TABLE_NAME, TABLE_TYPE, TABLE_COMMENT FROM information_schema.TABLES "
                              "WHERE TABLE_SCHEMA = %1 ORDER BY TABLE_NAME")
                   .arg(literal(database))))
        tables.push_back({database, at(row, 1).value_or(QString()), typeOf(database, at(row, 2).value_or(QString())),
                          at(row, 3)});
    return tables;
}

bool typeWanted(const Table& t, const std::optional<QString>& wanted) {
    if (!nonEmpty(wanted)) return true;
    return t.type.compare(wanted->trimmed(), Qt::CaseInsensitive) == 0;
}

// The existing tables (and views) the restrictions name.
std::vector<Table> findTables(const CatalogQuery& query, const QString& current, const SchemaRestrictions& r,
                              size_t nameIndex, bool viewsToo) {
    std::vector<Table> found;
    for (const QString& db : databasesFor(current, restriction(r, 0), restriction(r, 1), true))
        for (const Table& t : tablesOf(query, db)) {
            if (!matches(t.name, restriction(r, nameIndex)) || !matches(t.database, restriction(r, 0))) continue;
            if (!viewsToo && t.type.contains(QLatin1String("VIEW"))) continue;
            found.push_back(t);
        }
    return found;
}

Recordset tablesRowset(const CatalogQuery& query, const QString& current, const SchemaRestrictions& r) {
    const auto typeR = restriction(r, 3);
    const bool withSystem = !nonEmpty(typeR) || typeR->trimmed().toUpper().startsWith(QLatin1String("SYSTEM "));
    RowsetWriter out = tablesWriter();
    for (const QString& db : databasesFor(current, restriction(r, 0), restriction(r, 1), withSystem))
        for (const Table& t : tablesOf(query, db)) {
            if (!matches(t.name, restriction(r, 2)) || !matches(t.database, restriction(r, 0)) || !typeWanted(t, typeR))
                continue;
            out.add({t.database, schemaOf(t.database, current), t.name, t.type, v(t.comment)});
        }
    return out.finish();
}

// --- columns: the driver's ODBC description of each declared type ---

struct OdbcColumn {
    qint64 sqlType = SQL_UNKNOWN_TYPE;
    QString typeName;
    std::optional<qint64> columnSize;
    std::optional<qint64> decimalDigits;
    std::optional<qint64> octetLength;
};

std::optional<qint64> number(const Cell& c) {
    if (!c) return std::nullopt;
    bool ok = false;
    const qint64 n = c->toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

// The declared type without its length or members, in capitals: "int(10) unsigned" gives
// "INT UNSIGNED", "enum('a','b')" gives "ENUM".
QString typeNameOf(const QString& columnType) {
    QString out;
    int depth = 0;
    QChar quote;
    for (const QChar ch : columnType) {
        if (!quote.isNull()) {
            if (ch == quote) quote = QChar();
            continue;
        }
        if (depth > 0 && (ch == u'\'' || ch == u'"')) {
            quote = ch;
        } else if (ch == u'(') {
            ++depth;
        } else if (ch == u')') {
            depth = qMax(0, depth - 1);
        } else if (depth == 0) {
            out += ch;
        }
    }
    return out.simplified().toUpper();
}

// From information_schema.COLUMNS' DATA_TYPE, COLUMN_TYPE, CHARACTER_MAXIMUM_LENGTH,
// NUMERIC_PRECISION and NUMERIC_SCALE, as the driver's SQLColumns describes the column.
OdbcColumn describe(const QString& dataType, const QString& columnType, const Cell& maxLength, const Cell& precision,
                    const Cell& scale) {
    OdbcColumn c;
    const QString t = dataType.trimmed().toLower();
    c.typeName = typeNameOf(columnType);
    const bool isUnsigned = c.typeName.contains(QLatin1String(" UNSIGNED"));
    const std::optional<qint64> chars = number(maxLength);
    auto integer = [&](qint64 sqlType, qint64 digits) {
        c.sqlType = sqlType;
        c.columnSize = digits;
        c.decimalDigits = 0;
    };
    if (t == QLatin1String("tinyint")) {
        integer(SQL_TINYINT, 3);
    } else if (t == QLatin1String("smallint")) {
        integer(SQL_SMALLINT, 5);
    } else if (t == QLatin1String("mediumint")) {
        integer(SQL_INTEGER, 7);
    } else if (t == QLatin1String("int") || t == QLatin1String("integer")) {
        integer(SQL_INTEGER, 10);
    } else if (t == QLatin1String("bigint")) {
        integer(SQL_BIGINT, isUnsigned ? 20 : 19);
    } else if (t == QLatin1String("decimal") || t == QLatin1String("numeric")) {
        c.sqlType = SQL_DECIMAL;
        c.columnSize = number(precision);
        c.decimalDigits = number(scale);
    } else if ((t == QLatin1String("float") || t == QLatin1String("double")) && number(scale)) {
        // DOUBLE(10,3) has digits and places like a decimal, and the driver calls it one.
        c.sqlType = SQL_DECIMAL;
        c.columnSize = number(precision);
        c.decimalDigits = number(scale);
    } else if (t == QLatin1String("float")) {
        c.sqlType = SQL_REAL;
        c.columnSize = 7;
    } else if (t == QLatin1String("double")) {
        c.sqlType = SQL_DOUBLE;
        c.columnSize = 15;
    } else if (t == QLatin1String("bit")) {
        const qint64 bits = number(precision).value_or(1);
        c.sqlType = bits > 1 ? SQL_BINARY : SQL_BIT;
        c.columnSize = bits > 1 ? bits / 8 + 1 : 1;
    } else if (t == QLatin1String("year")) {
        c.sqlType = SQL_SMALLINT;
        c.columnSize = 4;
    } else if (t == QLatin1String("date")) {
        c.sqlType = SQL_TYPE_DATE;
        c.columnSize = 10;
    } else if (t == QLatin1String("time")) {
        c.sqlType = SQL_TYPE_TIME;
        c.columnSize = 8;
    } else if (t == QLatin1String("datetime") || t == QLatin1String("timestamp")) {
        c.sqlType = SQL_TYPE_TIMESTAMP;
        c.columnSize = 19;
    } else if (t == QLatin1String("char") || t == QLatin1String("enum") || t == QLatin1String("set")) {
        c.sqlType = SQL_WCHAR;
        c.columnSize = chars;
    } else if (t == QLatin1String("varchar")) {
        c.sqlType = SQL_WVARCHAR;
        c.columnSize = chars;
    } else if (t.endsWith(QLatin1String("text")) || t == QLatin1String("json")) {
        c.sqlType = SQL_WLONGVARCHAR;
        c.columnSize = chars;
    } else if (t == QLatin1String("binary")) {
        c.sqlType = SQL_BINARY;
        c.columnSize = chars;
    } else if (t == QLatin1String("varbinary")) {
        c.sqlType = SQL_VARBINARY;
        c.columnSize = chars;
    } else {
        // Blobs, geometry and the types of plugins (UUID, INET6) are long binary data to the driver.
        c.sqlType = SQL_LONGVARBINARY;
        c.columnSize = t.endsWith(QLatin1String("blob")) ? chars : std::nullopt;
    }
    // The driver counts four bytes a character for every text, whatever its character set.
    if (c.sqlType == SQL_WCHAR || c.sqlType == SQL_WVARCHAR || c.sqlType == SQL_WLONGVARCHAR)
        c.octetLength = c.columnSize ? std::optional<qint64>(*c.columnSize * 4) : std::nullopt;
    else
        c.octetLength = c.columnSize;
    return c;
}

Recordset columnsRowset(const CatalogQuery& query, const QString& current, const SchemaRestrictions& r) {
    RowsetWriter out = columnsWriter();
    for (const Table& table : findTables(query, current, r, 2, true)) {
        const auto rows = query(QStringLiteral(
                                    "SELECT COLUMN_NAME, ORDINAL_POSITION, COLUMN_DEFAULT, IS_NULLABLE, DATA_TYPE, "
                                    "COLUMN_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE, "
                                    "COLUMN_COMMENT, EXTRA FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = %1 AND "
                                    "TABLE_NAME = %2 ORDER BY ORDINAL_POSITION")
                                    .arg(literal(table.database), literal(table.name)));
        for (const CatalogRow& row : rows) {
            const Cell name = at(row, 1);
            if (!name || !matches(name, restriction(r, 3))) continue;
            const OdbcColumn c = describe(at(row, 5).value_or(QString()), at(row, 6).value_or(QString()), at(row, 7),
                                          at(row, 8), at(row, 9));
            const auto [adoType, sizes] = catalogColumnType(odbc::DriverFamily::MariaDB, c.sqlType, c.typeName,
                                                            c.columnSize, c.decimalDigits, c.octetLength);
            const Cell def = at(row, 3);
            // TIMESTAMP and AUTO_INCREMENT columns take a Null (for the current time, the next
            // number), so the driver calls them nullable.
            const bool nullable = at(row, 4) != QStringLiteral("NO") || at(row, 5) == QStringLiteral("timestamp") ||
                                  at(row, 11).value_or(QString()).contains(QLatin1String("auto_increment"),
                                                                           Qt::CaseInsensitive);
            out.add({table.database, schemaOf(table.database, current), table.name, *name,
                     number(at(row, 2)).value_or(0), vBool(def.has_value()), v(def),
                     vBool(nullable), adoType, c.typeName, v(sizes.characterMaximumLength),
                     v(sizes.characterOctetLength), v(sizes.numericPrecision), v(sizes.numericScale),
                     v(sizes.datetimePrecision), v(at(row, 10))});
        }
    }
    return out.finish();
}

// --- keys and indexes ---

struct IndexColumn {
    QString index;
    bool unique;
    qint64 position;
    QString column;
    Cell collation;
    Cell cardinality;
};

std::vector<IndexColumn> indexColumnsOf(const CatalogQuery& query, const Table& table) {
    std::vector<IndexColumn> columns;
    for (const CatalogRow& row :
         query(QStringLiteral("SELECT INDEX_NAME, NON_UNIQUE, SEQ_IN_INDEX, COLUMN_NAME, COLLATION, CARDINALITY "
                              "FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = %1 AND TABLE_NAME = %2 "
                              "ORDER BY NON_UNIQUE, INDEX_NAME, SEQ_IN_INDEX")
                   .arg(literal(table.database), literal(table.name))))
        columns.push_back({at(row, 1).value_or(QString()), at(row, 2) == QStringLiteral("0"),
                           number(at(row, 3)).value_or(0), at(row, 4).value_or(QString()), at(row, 5), at(row, 6)});
    return columns;
}

// The key of a table in its own column order: the primary key, or (as the server reports it
// without one) the first unique index whose columns are all NOT NULL.
QStringList keyOf(const CatalogQuery& query, const Table& table, const std::vector<IndexColumn>& indexes) {
    QStringList keyColumns;
    for (const CatalogRow& row :
         query(QStringLiteral("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = %1 AND "
                              "TABLE_NAME = %2 AND COLUMN_KEY = 'PRI' ORDER BY ORDINAL_POSITION")
                   .arg(literal(table.database), literal(table.name))))
        keyColumns << at(row, 1).value_or(QString());
    if (keyColumns.isEmpty()) return {};
    // The index with just these columns gives their order.
    std::map<QString, QStringList> unique;
    QStringList order; // index names, PRIMARY first as listed
    for (const IndexColumn& c : indexes) {
        if (!c.unique) continue;
        if (!unique.count(c.index)) order << c.index;
        unique[c.index] << c.column;
    }
    for (const QString& name : order) {
        QStringList sorted = unique[name], wanted = keyColumns;
        sorted.sort(Qt::CaseInsensitive);
        wanted.sort(Qt::CaseInsensitive);
        if (sorted == wanted) return unique[name];
    }
    return keyColumns;
}

Recordset primaryKeysRowset(const CatalogQuery& query, const QString& current, const SchemaRestrictions& r) {
    RowsetWriter out = primaryKeysWriter();
    for (const Table& table : findTables(query, current, r, 2, false)) {
        const QStringList key = keyOf(query, table, indexColumnsOf(query, table));
        for (qsizetype i = 0; i < key.size(); ++i)
            out.add({table.database, schemaOf(table.database, current), table.name, key[i], i + 1,
                     QStringLiteral("PRIMARY")});
    }
    return out.finish();
}

Recordset indexesRowset(const CatalogQuery& query, const QString& current, const SchemaRestrictions& r) {
    const auto indexR = restriction(r, 2), typeR = restriction(r, 3);
    RowsetWriter out = indexesWriter();
    // Every index is of the "other" kind to the driver (4 on the OLE DB scale).
    if (nonEmpty(typeR) && typeR->trimmed() != QLatin1String("4")) return out.finish();
    for (const Table& table : findTables(query, current, r, 4, false)) {
        const std::vector<IndexColumn> indexes = indexColumnsOf(query, table);
        const QStringList key = keyOf(query, table, indexes);
        std::map<QString, QStringList> columnsOf;
        for (const IndexColumn& c : indexes)
            columnsOf[c.index] << c.column;
        for (const IndexColumn& c : indexes) {
            if (!matches(c.index, indexR)) continue;
            const bool primary =
                c.index == QLatin1String("PRIMARY") || (c.unique && !key.isEmpty() && columnsOf[c.index] == key);
            QVariant collation;
            if (c.collation == QStringLiteral("A"))
                collation = 1;
            else if (c.collation == QStringLiteral("D"))
                collation = 2;
            const QVariant schema = schemaOf(table.database, current);
            out.add({table.database, schema, table.name, table.database, schema, c.index,
                     vBool(primary), vBool(c.unique), vBool(false), 4, c.position,
                     c.column, collation, v(number(c.cardinality)), QVariant()});
        }
    }
    return out.finish();
}

// --- provider types ---

// The MariaDB ODBC driver's answer to SQLGetTypeInfo, in its order and column layout.
const char* const TypeInfo[][19] = {
    {"BIT", "-7", "1", "", "", nullptr, "1", "1", "3", "0", "0", "0", "BIT", "0", "0", "0", "0", "10", nullptr},
    {"BOOL", "-7", "1", "", "", nullptr, "1", "1", "3", "0", "0", "0", "BOOL", "0", "0", "0", "0", "10", nullptr},
    {"TINYINT", "-6", "3", "", "", nullptr, "1", "0", "3", "0", "0", "1", "TINYINT", "0", "0", "0", "0", "10", nullptr},
    {"TINYINT UNSIGNED", "-6", "3", "", "", nullptr, "1", "0", "3", "1", "0", "1", "TINYINT UNSIGNED", "0", "0", "0", "0", "10", nullptr},
    {"BIGINT", "-5", "19", "", "", nullptr, "1", "0", "3", "0", "0", "1", "BIGINT", "0", "0", "0", "0", "10", nullptr},
    {"BIGINT UNSIGNED", "-5", "20", "", "", nullptr, "1", "0", "3", "1", "0", "1", "BIGINT UNSIGNED", "0", "0", "0", "0", "10", nullptr},
    {"LONG VARBINARY", "-4", "16777215", "'", "'", nullptr, "1", "1", "3", "0", "0", "0", "LONG VARBINARY", "0", "0", "0", "0", "10", nullptr},
    {"MEDIUMBLOB", "-4", "16777215", "'", "'", nullptr, "1", "1", "3", "0", "0", "0", "MEDIUMBLOB", "0", "0", "0", "0", "10", nullptr},
    {"LONGBLOB", "-4", "2147483647", "'", "'", nullptr, "1", "1", "3", "0", "0", "0", "LONGBLOB", "0", "0", "0", "0", "10", nullptr},
    {"BLOB", "-4", "65535", "'", "'", nullptr, "1", "1", "3", "0", "0", "0", "BLOB", "0", "0", "0", "0", "10", nullptr},
    {"TINYBLOB", "-4", "255", "'", "'", nullptr, "1", "1", "3", "0", "0", "0", "TINYBLOB", "0", "0", "0", "0", "10", nullptr},
    {"VARBINARY", "-3", "255", "'", "'", "length", "1", "1", "3", "0", "0", "0", "VARBINARY", "0", "0", "0", "0", "10", nullptr},
    {"BINARY", "-2", "255", "'", "'", "length", "1", "1", "3", "0", "0", "0", "BINARY", "0", "0", "0", "0", "10", nullptr},
    {"LONG VARCHAR", "-1", "16777215", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "LONG VARCHAR", "0", "0", "0", "0", "10", nullptr},
    {"MEDIUMTEXT", "-1", "16777215", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "MEDIUMTEXT", "0", "0", "0", "0", "10", nullptr},
    {"LONGTEXT", "-1", "2147483647", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "LONGTEXT", "0", "0", "0", "0", "10", nullptr},
    {"TEXT", "-1", "65535", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "TEXT", "0", "0", "0", "0", "10", nullptr},
    {"TINYTEXT", "-1", "255", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "TINYTEXT", "0", "0", "0", "0", "10", nullptr},
    {"CHAR", "1", "255", "'", "'", "length", "1", "0", "3", "0", "0", "0", "CHAR", "0", "0", "0", "0", "10", nullptr},
    {"NUMERIC", "2", "65", "", "", "precision,scale", "1", "0", "3", "0", "0", "1", "NUMERIC", "-308", "308", "0", "0", "10", nullptr},
    {"DECIMAL", "3", "65", "", "", "precision,scale", "1", "0", "3", "0", "0", "1", "DECIMAL", "-308", "308", "0", "0", "10", nullptr},
    {"INTEGER", "4", "10", "", "", nullptr, "1", "0", "3", "0", "0", "1", "INTEGER", "0", "0", "0", "0", "10", nullptr},
    {"INTEGER UNSIGNED", "4", "10", "", "", nullptr, "1", "0", "3", "1", "0", "1", "INTEGER UNSIGNED", "0", "0", "0", "0", "10", nullptr},
    {"INT", "4", "10", "", "", nullptr, "1", "0", "3", "0", "0", "1", "INT", "0", "0", "0", "0", "10", nullptr},
    {"INT UNSIGNED", "4", "10", "", "", nullptr, "1", "0", "3", "1", "0", "1", "INT UNSIGNED", "0", "0", "0", "0", "10", nullptr},
    {"MEDIUMINT", "4", "7", "", "", nullptr, "1", "0", "3", "0", "0", "1", "MEDIUMINT", "0", "0", "0", "0", "10", nullptr},
    {"MEDIUMINT UNSIGNED", "4", "8", "", "", nullptr, "1", "0", "3", "1", "0", "1", "MEDIUMINT UNSIGNED", "0", "0", "0", "0", "10", nullptr},
    {"SMALLINT", "5", "5", "", "", nullptr, "1", "0", "3", "0", "0", "1", "SMALLINT", "0", "0", "0", "0", "10", nullptr},
    {"SMALLINT UNSIGNED", "5", "5", "", "", nullptr, "1", "0", "3", "1", "0", "1", "SMALLINT UNSIGNED", "0", "0", "0", "0", "10", nullptr},
    {"FLOAT", "6", "10", "", "", "precision,scale", "1", "0", "3", "0", "0", "1", "FLOAT", "-38", "38", "0", "0", "10", nullptr},
    {"DOUBLE", "8", "17", "", "", "precision,scale", "1", "0", "3", "0", "0", "1", "DOUBLE", "-308", "308", "0", "0", "10", nullptr},
    {"DOUBLE PRECISION", "8", "17", "", "", "precision,scale", "1", "0", "3", "0", "0", "1", "DOUBLE PRECISION", "-308", "308", "0", "0", "10", nullptr},
    {"REAL", "8", "17", "", "", "precision,scale", "1", "0", "3", "0", "0", "1", "REAL", "-308", "308", "0", "0", "10", nullptr},
    {"VARCHAR", "12", "255", "'", "'", "length", "1", "0", "3", "0", "0", "0", "VARCHAR", "0", "0", "0", "0", "10", nullptr},
    {"ENUM", "12", "65535", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "ENUM", "0", "0", "0", "0", "10", nullptr},
    {"SET", "12", "64", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "SET", "0", "0", "0", "0", "10", nullptr},
    {"DATE", "91", "10", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "DATE", "0", "0", "0", "0", "10", nullptr},
    {"TIME", "92", "8", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "TIME", "0", "0", "0", "0", "10", nullptr},
    {"DATETIME", "93", "16", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "DATETIME", "0", "0", "0", "0", "10", nullptr},
    {"TIMESTAMP", "93", "16", "'", "'", "scale", "1", "0", "3", "0", "0", "0", "TIMESTAMP", "0", "0", "0", "0", "10", nullptr},
    {"CHAR", "-8", "255", "'", "'", "length", "1", "0", "3", "0", "0", "0", "CHAR", "0", "0", "0", "0", "10", nullptr},
    {"VARCHAR", "-9", "255", "'", "'", "length", "1", "0", "3", "0", "0", "0", "VARCHAR", "0", "0", "0", "0", "10", nullptr},
    {"LONG VARCHAR", "-10", "16777215", "'", "'", nullptr, "1", "0", "3", "0", "0", "0", "LONG VARCHAR", "0", "0", "0", "0", "10", nullptr},
};

Recordset providerTypesRowset(const SchemaRestrictions& r) {
    return providerTypesFromTexts(TypeInfo, r);
}

// --- procedures ---

Recordset proceduresRowset(const CatalogQuery& query, const QString& current, const SchemaRestrictions& r) {
    const auto typeR = restriction(r, 3);
    const bool systemOnly = typeR && typeR->trimmed().compare(QLatin1String("SYSTEM PROCEDURE"), Qt::CaseInsensitive) == 0;
    const bool typeNumber = nonEmpty(typeR) && !systemOnly;
    RowsetWriter out = proceduresWriter();
    for (const QString& db : databasesFor(current, restriction(r, 0), restriction(r, 1), true)) {
        if (systemOnly && !SystemDatabases.contains(db, Qt::CaseInsensitive)) continue;
        for (const CatalogRow& row :
             query(QStringLiteral("SELECT ROUTINE_NAME, ROUTINE_TYPE, ROUTINE_COMMENT FROM information_schema.ROUTINES "
                                  "WHERE ROUTINE_SCHEMA = %1 ORDER BY ROUTINE_NAME")
                       .arg(literal(db)))) {
            const Cell name = at(row, 1);
            if (!name || !matches(name, restriction(r, 2)) || !matches(db, restriction(r, 0))) continue;
            // Procedure 2, function 3 on the OLE DB scale.
            const QString kind = at(row, 2).value_or(QString()).toUpper();
            const qint64 type = kind == QLatin1String("PROCEDURE") ? 2 : kind == QLatin1String("FUNCTION") ? 3 : 1;
            if (typeNumber && QString::number(type) != typeR->trimmed()) continue;
            out.add({db, schemaOf(db, current), *name, type, v(at(row, 3))});
        }
    }
    return out.finish();
}

// Parameters in their order, a function's return value first (ordinal 0, no name).
Recordset procedureParametersRowset(const CatalogQuery& query, const QString& current, const SchemaRestrictions& r) {
    const auto parameterR = restriction(r, 3);
    RowsetWriter out = procedureParametersWriter();
    const Recordset procedures = proceduresRowset(query, current, {restriction(r, 0), restriction(r, 1), restriction(r, 2)});
    for (int p = 0; p < procedures.recordCount(); ++p) {
        const QString db = procedures.text(p, 0), name = procedures.text(p, 2);
        const QVariant schema = schemaOf(db, current);
        for (const CatalogRow& row :
             query(QStringLiteral("SELECT PARAMETER_NAME, ORDINAL_POSITION, PARAMETER_MODE, DATA_TYPE, DTD_IDENTIFIER, "
                                  "CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE FROM "
                                  "information_schema.PARAMETERS WHERE SPECIFIC_SCHEMA = %1 AND SPECIFIC_NAME = %2 "
                                  "ORDER BY ORDINAL_POSITION")
                       .arg(literal(db), literal(name)))) {
            const Cell parameter = at(row, 1).value_or(QString());
            if (!matches(parameter, parameterR)) continue;
            const QString mode = at(row, 3).value_or(QString()).toUpper();
            // Input 1, input/output 2, output 3, return value 4 on the OLE DB scale.
            const qint64 kind = mode == QLatin1String("IN")      ? 1
                                : mode == QLatin1String("INOUT") ? 2
                                : mode == QLatin1String("OUT")   ? 3
                                                                 : 4;
            const QString dataType = at(row, 4).value_or(QString()).toLower();
            const OdbcColumn c = describe(dataType, at(row, 5).value_or(QString()), at(row, 6), at(row, 7), at(row, 8));
            // The driver names a parameter's type by its bare data type, without UNSIGNED.
            const int adoType = adoTypeOfCatalog(c.sqlType, dataType);
            const Sizes sizes = sizesFor(adoType, c.columnSize, c.decimalDigits, c.octetLength);
            out.add({db, schema, name, v(parameter), number(at(row, 2)).value_or(0), kind, vBool(false), QVariant(),
                     vBool(true), adoType, v(sizes.characterMaximumLength), v(sizes.characterOctetLength),
                     v(sizes.numericPrecision), v(sizes.numericScale), QVariant(), dataType, dataType});
        }
    }
    return out.finish();
}

} // namespace

Recordset openSchemaRowset(const CatalogQuery& query, const QString& database, SchemaKind kind,
                           const SchemaRestrictions& restrictions) {
    switch (kind) {
    case SchemaKind::Tables:
        return tablesRowset(query, database, restrictions);
    case SchemaKind::Columns:
        return columnsRowset(query, database, restrictions);
    case SchemaKind::PrimaryKeys:
        return primaryKeysRowset(query, database, restrictions);
    case SchemaKind::Indexes:
        return indexesRowset(query, database, restrictions);
    case SchemaKind::Procedures:
        return proceduresRowset(query, database, restrictions);
    case SchemaKind::ProcedureParameters:
        return procedureParametersRowset(query, database, restrictions);
    case SchemaKind::ProviderTypes:
        return providerTypesRowset(restrictions);
    default:
        break;
    }
    throw DbError(DbError::Kind::NotSupported, QStringLiteral("Operation is not supported by this provider."));
}

} // namespace mv::mariadb
