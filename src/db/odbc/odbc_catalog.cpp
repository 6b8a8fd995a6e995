#include "db/odbc/odbc_catalog.h"

#include "app/texts.h"
#include "db/odbc/odbc_catalog_procedures.h"
#include "db/odbc/odbc_catalog_support.h"

#include <algorithm>
#include <map>
#include <set>

namespace mv::odbc {

using namespace catalog;

namespace {

DbError notSupported() {
    return DbError(DbError::Kind::NotSupported, ui_text("Der Vorgang wird vom Provider nicht unterstützt.",
                                                        "Operation is not supported by this provider."));
}

// --- TABLES: TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE ---

bool typeWanted(const QString& reported, const QString& driverType, const std::optional<QString>& wanted) {
    if (!wanted || wanted->isEmpty()) return true;
    const QString w = wanted->trimmed().toUpper();
    if (reported.compare(w, Qt::CaseInsensitive) == 0 || driverType.compare(w, Qt::CaseInsensitive) == 0)
        return true;
    // Linked tables are asked for as the desktop databases name them.
    return (w == QLatin1String("PASS-THROUGH") || w == QLatin1String("LINK")) && isLinkedType(driverType);
}

bool wantsSystem(const std::optional<QString>& type) {
    return !type || type->isEmpty() || type->trimmed().toUpper().startsWith(QLatin1String("SYSTEM "));
}

Recordset tablesRowset(Session& session, const SchemaRestrictions& r) {
    const auto catalogR = restriction(r, 0), schemaR = restriction(r, 1), nameR = restriction(r, 2),
               typeR = restriction(r, 3);
    const bool withSystem = wantsSystem(typeR);
    RowsetWriter out = tablesWriter();
    std::set<std::tuple<QString, QString, QString>> seen;
    auto addRow = [&](const Row& row) {
        const Cell cat = at(row, 1), sch = at(row, 2), name = at(row, 3);
        if (!name || !matches(name, nameR) || !matches(cat, catalogR)) return;
        const Cell schema = reportedSchema(session, cat, sch);
        if (session.connection.family() != DriverFamily::MariaDB && !matches(schema, schemaR)) return;
        const QString driverType = at(row, 4).value_or(QString());
        const QString type = classifyTableType(session, cat, sch, *name, driverType);
        if (!typeWanted(type, driverType, typeR)) return;
        if (!seen.insert({cat.value_or(QString()), schema.value_or(QString()), *name}).second) return;
        out.add({v(cat), v(schema), *name, type, v(at(row, 5))});
    };

    for (const Scope& scope : scopesFor(session, catalogR, schemaR, withSystem)) {
        Statement st(session.connection);
        st.tables(scope.catalog, scope.schema, patternArg(nameR), std::nullopt);
        for (const Row& row : readAll(st))
            addRow(row);
        if (withSystem && session.connection.family() == DriverFamily::PostgreSQL) {
            // psqlODBC lists system relations only when asked for them by type.
            Statement system(session.connection);
            system.tables(scope.catalog, scope.schema.value_or(QStringLiteral("%")),
                          patternArg(nameR).value_or(QStringLiteral("%")), QStringLiteral("SYSTEM TABLE"));
            for (const Row& row : readAll(system))
                addRow(row);
        }
    }
    if (withSystem && session.connection.family() == DriverFamily::SQLite) {
        // The driver never lists SQLite's own catalog table.
        addRow(Row{std::nullopt, std::nullopt, QStringLiteral("sqlite_master"),
                   QStringLiteral("SYSTEM TABLE"), std::nullopt});
    }
    return out.finish();
}

// --- COLUMNS: TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME ---

Recordset columnsRowset(Session& session, const SchemaRestrictions& r) {
    const auto catalogR = restriction(r, 0), schemaR = restriction(r, 1), tableR = restriction(r, 2),
               columnR = restriction(r, 3);
    RowsetWriter out = columnsWriter();
    // Only tables and views that exist are asked for their columns: a pattern of another table
    // must not leak in, and some drivers fail on names they do not know.
    for (const TableRef& table : findTables(session, catalogR, schemaR, tableR, true)) {
        if (!matches(table.catalog, catalogR)) continue;
        Statement st(session.connection);
        st.columns(table.catalog, table.schema, table.name, patternArg(columnR));
        qint64 running = 0;
        for (const Row& row : readAll(st)) {
            const Cell name = at(row, 4);
            if (!name || !matches(at(row, 3), table.name) || !matches(name, columnR)) continue;
            ++running;
            const Cell typeName = at(row, 6);
            const auto [adoType, sizes] = catalogColumnType(session.connection.family(), intAt(row, 5), typeName,
                                                            intAt(row, 7), intAt(row, 9), intAt(row, 16));
            const std::optional<qint64> nullable = intAt(row, 11);
            const Cell def = at(row, 13);
            const std::optional<qint64> ordinal = intAt(row, 17);
            out.add({v(table.catalog), v(reportedSchema(session, table.catalog, table.schema)), table.name,
                     *name, ordinal.value_or(running), vBool(def.has_value()), v(def),
                     vBool(!nullable || *nullable != SQL_NO_NULLS), adoType, v(typeName),
                     v(sizes.characterMaximumLength), v(sizes.characterOctetLength),
                     v(sizes.numericPrecision), v(sizes.numericScale), v(sizes.datetimePrecision),
                     v(at(row, 12))});
        }
    }
    return out.finish();
}

// --- PRIMARY_KEYS: TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME ---

struct KeyColumn {
    QString column;
    qint64 ordinal;
    Cell name;
};

std::vector<KeyColumn> primaryKeyOf(Session& session, const TableRef& table) {
    Statement st(session.connection);
    st.primaryKeys(table.catalog, table.schema, table.name);
    std::vector<KeyColumn> keys;
    for (const Row& row : readAll(st)) {
        const Cell column = at(row, 4);
        if (!column || !matches(at(row, 3), table.name)) continue;
        keys.push_back(KeyColumn{*column, intAt(row, 5).value_or(qint64(keys.size()) + 1), at(row, 6)});
    }
    std::sort(keys.begin(), keys.end(),
              [](const KeyColumn& a, const KeyColumn& b) { return a.ordinal < b.ordinal; });
    return keys;
}

Recordset primaryKeysRowset(Session& session, const SchemaRestrictions& r) {
    const auto catalogR = restriction(r, 0), schemaR = restriction(r, 1), tableR = restriction(r, 2);
    RowsetWriter out = primaryKeysWriter();
    for (const TableRef& table : findTables(session, catalogR, schemaR, tableR, false)) {
        if (!matches(table.catalog, catalogR)) continue;
        for (const KeyColumn& key : primaryKeyOf(session, table))
            out.add({v(table.catalog), v(reportedSchema(session, table.catalog, table.schema)), table.name,
                     key.column, key.ordinal, v(key.name)});
    }
    return out.finish();
}

// --- INDEXES: TABLE_CATALOG, TABLE_SCHEMA, INDEX_NAME, TYPE, TABLE_NAME ---

// ODBC index types on the OLE DB scale (DBPROPVAL_IT_BTREE 1, _HASH 2, _OTHER 4).
std::optional<qint64> oledbIndexType(const std::optional<qint64>& odbcType) {
    if (!odbcType) return std::nullopt;
    switch (*odbcType) {
    case SQL_INDEX_CLUSTERED:
        return 1;
    case SQL_INDEX_HASHED:
        return 2;
    default:
        return 4;
    }
}

Recordset indexesRowset(Session& session, const SchemaRestrictions& r) {
    const auto catalogR = restriction(r, 0), schemaR = restriction(r, 1), indexR = restriction(r, 2),
               typeR = restriction(r, 3), tableR = restriction(r, 4);
    RowsetWriter out = indexesWriter();
    // MDBTools gives no index rows and crashes on the fetch that follows SQLStatistics.
    if (session.connection.family() == DriverFamily::MDBTools) throw notSupported();
    // SQLStatistics is called only for tables that exist: some drivers crash on other names.
    for (const TableRef& table : findTables(session, catalogR, schemaR, tableR, false)) {
        if (!matches(table.catalog, catalogR)) continue;
        std::vector<KeyColumn> key;
        try {
            key = primaryKeyOf(session, table);
        } catch (const DbError& e) {
            if (e.kind() != DbError::Kind::NotSupported) throw;
        }
        Statement st(session.connection);
        st.statistics(table.catalog, table.schema, table.name);
        const std::vector<Row> rows = readAll(st);

        // The columns of each index, to recognise the primary key by its columns where the
        // driver names the key and its index differently.
        std::map<QString, QStringList> indexColumns;
        for (const Row& row : rows)
            if (intAt(row, 7).value_or(SQL_TABLE_STAT) != SQL_TABLE_STAT && at(row, 6))
                indexColumns[*at(row, 6)] << at(row, 9).value_or(QString());
        QStringList keyColumns;
        for (const KeyColumn& k : key)
            keyColumns << k.column;

        for (const Row& row : rows) {
            const std::optional<qint64> odbcType = intAt(row, 7);
            const Cell indexName = at(row, 6);
            if (!indexName || odbcType.value_or(SQL_TABLE_STAT) == SQL_TABLE_STAT) continue;
            if (!matches(indexName, indexR)) continue;
            const std::optional<qint64> type = oledbIndexType(odbcType);
            if (typeR && !typeR->isEmpty() && QString::number(type.value_or(0)) != typeR->trimmed()) continue;
            const bool unique = intAt(row, 4).value_or(1) == 0;
            bool primary = false;
            for (const KeyColumn& k : key)
                if (k.name && k.name->compare(*indexName, Qt::CaseInsensitive) == 0) primary = true;
            if (!primary && unique && !keyColumns.isEmpty() && indexColumns[*indexName] == keyColumns)
                primary = true;
            const Cell order = at(row, 10);
            QVariant collation;
            if (order == QStringLiteral("A"))
                collation = 1;
            else if (order == QStringLiteral("D"))
                collation = 2;
            const Cell schema = reportedSchema(session, table.catalog, table.schema);
            out.add({v(table.catalog), v(schema), table.name, v(table.catalog), v(schema), *indexName,
                     vBool(primary), vBool(unique), vBool(odbcType == SQL_INDEX_CLUSTERED), v(type),
                     v(intAt(row, 8)), v(at(row, 9)), collation, v(intAt(row, 11)), v(at(row, 13))});
        }
    }
    return out.finish();
}

} // namespace

Recordset openSchemaRowset(Session& session, SchemaKind kind, const SchemaRestrictions& restrictions) {
    switch (kind) {
    case SchemaKind::Tables:
        return tablesRowset(session, restrictions);
    case SchemaKind::Columns:
        return columnsRowset(session, restrictions);
    case SchemaKind::PrimaryKeys:
        return primaryKeysRowset(session, restrictions);
    case SchemaKind::Indexes:
        return indexesRowset(session, restrictions);
    case SchemaKind::Procedures:
        return proceduresRowset(session, restrictions);
    case SchemaKind::ProcedureParameters:
        return procedureParametersRowset(session, restrictions);
    case SchemaKind::ProviderTypes:
        return providerTypesRowset(session, restrictions);
    }
    throw notSupported();
}

} // namespace mv::odbc
