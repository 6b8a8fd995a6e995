#include "db/sqlite/sqlite_catalog.h"

#include "db/odbc/odbc_catalog_support.h"
#include "db/sqlite/sqlite_db_connection.h"
#include "db/sqlite/sqlite_types.h"

#include <sqlite3.h>

#include <algorithm>

namespace mv::sqlite {

using namespace odbc::catalog;

namespace {

// The SQLite ODBC driver's answer to SQLGetTypeInfo, in its order and column layout.
const char* const TypeInfo[][19] = {
    {"bit", "-7", "1", nullptr, nullptr, nullptr, "1", "0", "3", nullptr, "0", "0", "bit", nullptr, nullptr, "-7", "0", nullptr, nullptr},
    {"tinyint", "-6", "3", nullptr, nullptr, nullptr, "1", "0", "3", "0", "0", "0", "tinyint", nullptr, nullptr, "-6", "0", nullptr, nullptr},
    {"bigint", "-5", "19", nullptr, nullptr, nullptr, "1", "0", "3", "0", "0", "0", "bigint", nullptr, nullptr, "-5", "0", nullptr, nullptr},
    {"longvarbinary", "-4", "65536", "0x", nullptr, nullptr, "1", "0", "3", nullptr, "0", "0", "longvarbinary", nullptr, nullptr, "-4", "0", nullptr, nullptr},
    {"varbinary", "-3", "255", "0x", nullptr, nullptr, "1", "0", "3", nullptr, "0", "0", "varbinary", nullptr, nullptr, "-3", "0", nullptr, nullptr},
    {"text", "-1", "65536", "'", "'", "length", "1", "0", "3", nullptr, "0", "0", "text", nullptr, nullptr, "-1", "0", nullptr, nullptr},
    {"longvarchar", "-1", "65536", "'", "'", "length", "1", "0", "3", nullptr, "0", "0", "longvarchar", nullptr, nullptr, "-1", "0", nullptr, nullptr},
    {"char", "1", "255", "'", "'", "length", "1", "0", "3", nullptr, "0", "0", "char", nullptr, nullptr, "1", "0", nullptr, nullptr},
    {"integer", "4", "9", nullptr, nullptr, nullptr, "1", "0", "3", "0", "0", "0", "integer", nullptr, nullptr, "4", "0", nullptr, nullptr},
    {"smallint", "5", "5", nullptr, nullptr, nullptr, "1", "0", "3", "0", "0", "0", "smallint", nullptr, nullptr, "5", "0", nullptr, nullptr},
    {"float", "6", "7", nullptr, nullptr, nullptr, "1", "0", "3", "0", "0", "0", "float", nullptr, nullptr, "6", "0", nullptr, nullptr},
    {"double", "8", "15", nullptr, nullptr, nullptr, "1", "0", "3", "0", "0", "0", "double", nullptr, nullptr, "8", "0", nullptr, nullptr},
    {"numeric", "8", "15", nullptr, nullptr, nullptr, "1", "0", "3", "0", "0", "0", "numeric", nullptr, nullptr, "8", "0", nullptr, nullptr},
    {"varchar", "12", "255", "'", "'", "length", "1", "0", "3", nullptr, "0", "0", "varchar", nullptr, nullptr, "12", "0", nullptr, nullptr},
    {"date", "91", "10", "'", "'", nullptr, "1", "0", "3", nullptr, "0", "0", "date", nullptr, nullptr, "91", "0", nullptr, nullptr},
    {"time", "92", "8", "'", "'", nullptr, "1", "0", "3", nullptr, "0", "0", "time", nullptr, nullptr, "92", "0", nullptr, nullptr},
    {"timestamp", "93", "32", "'", "'", nullptr, "1", "0", "3", nullptr, "0", "0", "timestamp", "0", "3", "93", "0", nullptr, nullptr},
};

// A query of the engine's own; every row as text cells.
std::vector<Row> query(sqlite3* db, const char* sql, std::initializer_list<QString> arguments = {}) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (rc != SQLITE_OK) throw sqliteError(db, rc);
    int index = 1;
    for (const QString& a : arguments) {
        const QByteArray utf8 = a.toUtf8();
        sqlite3_bind_text(st, index++, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    std::vector<Row> rows;
    const int columns = sqlite3_column_count(st);
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Row row;
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_NULL) {
                row.push_back(std::nullopt);
            } else {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                row.push_back(QString::fromUtf8(text, sqlite3_column_bytes(st, c)));
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw sqliteError(db, rc);
    return rows;
}

bool isSystemName(const QString& name) {
    return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

struct TableEntry {
    QString name;
    QString type;       // TABLE, VIEW, SYSTEM TABLE
    QString driverType; // as sqlite_master has it (a restriction may name either)
};

// Tables and views as SQLTables lists them, then SQLite's own catalog table.
std::vector<TableEntry> allTables(sqlite3* db, bool withSchemaTable) {
    std::vector<TableEntry> tables;
    for (const Row& row : query(db, "SELECT tbl_name, upper(type) FROM sqlite_master "
                                    "WHERE type IN ('table', 'view') ORDER BY rowid")) {
        const QString name = at(row, 1).value_or(QString());
        const QString type = at(row, 2).value_or(QString());
        tables.push_back({name, isSystemName(name) ? QStringLiteral("SYSTEM ") + type : type, type});
    }
    if (withSchemaTable)
        tables.push_back({QStringLiteral("sqlite_master"), QStringLiteral("SYSTEM TABLE"), QStringLiteral("SYSTEM TABLE")});
    return tables;
}

bool typeWanted(const TableEntry& t, const std::optional<QString>& wanted) {
    if (!wanted || wanted->isEmpty()) return true;
    const QString w = wanted->trimmed();
    return t.type.compare(w, Qt::CaseInsensitive) == 0 || t.driverType.compare(w, Qt::CaseInsensitive) == 0;
}

// The tables (and views) the catalog and schema restrictions can name: SQLite has neither, so a
// restriction to any value but an empty one names nothing.
std::vector<TableEntry> findTables(sqlite3* db, const SchemaRestrictions& r, size_t tableIndex, bool viewsToo) {
    std::vector<TableEntry> found;
    if (!matches(std::nullopt, restriction(r, 0)) || !matches(std::nullopt, restriction(r, 1))) return found;
    for (const TableEntry& t : allTables(db, false)) {
        if (!matches(t.name, restriction(r, tableIndex))) continue;
        if (!viewsToo && t.type.contains(QLatin1String("VIEW"))) continue;
        found.push_back(t);
    }
    return found;
}

Recordset tablesRowset(sqlite3* db, const SchemaRestrictions& r) {
    const auto typeR = restriction(r, 3);
    const bool withSystem = !typeR || typeR->isEmpty() || typeR->trimmed().toUpper().startsWith(QLatin1String("SYSTEM "));
    RowsetWriter out = tablesWriter();
    if (!matches(std::nullopt, restriction(r, 0)) || !matches(std::nullopt, restriction(r, 1))) return out.finish();
    for (const TableEntry& t : allTables(db, withSystem)) {
        if (!matches(t.name, restriction(r, 2)) || !typeWanted(t, typeR)) continue;
        out.add({QVariant(), QVariant(), t.name, t.type, QVariant()});
    }
    return out.finish();
}

struct ColumnEntry {
    int ordinal;
    QString name;
    QString type;
    bool notNull;
    Cell defaultValue;
    int keyPosition; // 0: not in the primary key
};

std::vector<ColumnEntry> columnsOf(sqlite3* db, const QString& table) {
    std::vector<ColumnEntry> columns;
    for (const Row& row : query(db, "SELECT cid, name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?1)",
                                {table}))
        columns.push_back({int(intAt(row, 1).value_or(0)) + 1, at(row, 2).value_or(QString()),
                           at(row, 3).value_or(QString()), intAt(row, 4).value_or(0) != 0, at(row, 5),
                           int(intAt(row, 6).value_or(0))});
    return columns;
}

Recordset columnsRowset(sqlite3* db, const SchemaRestrictions& r) {
    RowsetWriter out = columnsWriter();
    for (const TableEntry& table : findTables(db, r, 2, true)) {
        for (const ColumnEntry& c : columnsOf(db, table.name)) {
            if (!matches(c.name, restriction(r, 3))) continue;
            const DeclaredType t = declaredType(c.type);
            // The driver reports the digits as the column size and 10 as the decimal digits; the
            // declaration decides where that loses what the column is.
            const auto [adoType, sizes] =
                catalogColumnType(odbc::DriverFamily::SQLite, t.sqlType, c.type, t.digits, 10, 16384);
            // Without a default the driver writes the text NULL.
            const Cell def = c.defaultValue ? c.defaultValue : Cell(QStringLiteral("NULL"));
            out.add({QVariant(), QVariant(), table.name, c.name, c.ordinal, vBool(true), v(def), vBool(!c.notNull),
                     adoType, c.type, v(sizes.characterMaximumLength), v(sizes.characterOctetLength),
                     v(sizes.numericPrecision), v(sizes.numericScale), v(sizes.datetimePrecision), QVariant()});
        }
    }
    return out.finish();
}

// The primary key's columns in key order.
std::vector<ColumnEntry> keyOf(sqlite3* db, const QString& table) {
    std::vector<ColumnEntry> key;
    for (const ColumnEntry& c : columnsOf(db, table))
        if (c.keyPosition > 0) key.push_back(c);
    std::sort(key.begin(), key.end(), [](const ColumnEntry& a, const ColumnEntry& b) { return a.keyPosition < b.keyPosition; });
    return key;
}

Recordset primaryKeysRowset(sqlite3* db, const SchemaRestrictions& r) {
    RowsetWriter out = primaryKeysWriter();
    for (const TableEntry& table : findTables(db, r, 2, false))
        for (const ColumnEntry& c : keyOf(db, table.name))
            out.add({QVariant(), QVariant(), table.name, c.name, c.keyPosition, QVariant()});
    return out.finish();
}

Recordset indexesRowset(sqlite3* db, const SchemaRestrictions& r) {
    const auto indexR = restriction(r, 2), typeR = restriction(r, 3);
    RowsetWriter out = indexesWriter();
    // Every SQLite index is of the "other" kind (4 on the OLE DB scale).
    if (typeR && !typeR->isEmpty() && typeR->trimmed() != QLatin1String("4")) return out.finish();
    for (const TableEntry& table : findTables(db, r, 4, false)) {
        const std::vector<ColumnEntry> key = keyOf(db, table.name);
        QStringList keyColumns;
        for (const ColumnEntry& c : key)
            keyColumns << c.name;
        auto add = [&](const QString& index, bool unique, const QStringList& columns) {
            if (!matches(index, indexR)) return;
            const bool primary = unique && !keyColumns.isEmpty() && columns == keyColumns;
            for (qsizetype i = 0; i < columns.size(); ++i)
                out.add({QVariant(), QVariant(), table.name, QVariant(), QVariant(), index, vBool(primary),
                         vBool(unique), vBool(false), 4, i + 1, columns[i], 1, QVariant(), QVariant()});
        };
        // A rowid alias (a lone INTEGER PRIMARY KEY) has no index of its own; the driver names it so.
        if (key.size() == 1 && key.front().type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
            add(QStringLiteral("sqlite_autoindex_0"), true, keyColumns);
        for (const Row& index : query(db, "SELECT name, \"unique\" FROM pragma_index_list(?1) ORDER BY seq", {table.name})) {
            const QString name = at(index, 1).value_or(QString());
            QStringList columns;
            for (const Row& column : query(db, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno", {name}))
                columns << at(column, 1).value_or(QString());
            add(name, intAt(index, 2).value_or(0) != 0, columns);
        }
    }
    return out.finish();
}

Recordset providerTypesRowset(const SchemaRestrictions& r) {
    return providerTypesFromTexts(TypeInfo, r);
}

} // namespace

Recordset openSchemaRowset(sqlite3* db, SchemaKind kind, const SchemaRestrictions& restrictions) {
    switch (kind) {
    case SchemaKind::Tables:
        return tablesRowset(db, restrictions);
    case SchemaKind::Columns:
        return columnsRowset(db, restrictions);
    case SchemaKind::PrimaryKeys:
        return primaryKeysRowset(db, restrictions);
    case SchemaKind::Indexes:
        return indexesRowset(db, restrictions);
    case SchemaKind::Procedures:
        // SQLite has no stored procedures.
        return proceduresWriter().finish();
    case SchemaKind::ProcedureParameters:
        return procedureParametersWriter().finish();
    case SchemaKind::ProviderTypes:
        return providerTypesRowset(restrictions);
    }
    throw DbError(DbError::Kind::NotSupported, QStringLiteral("Operation is not supported by this provider."));
}

} // namespace mv::sqlite
