// Columns, routine parameters and the provider's types, read from pg_catalog with the values the
// PostgreSQL ODBC driver gives for them.
#include "db/odbc/odbc_catalog_support.h"
#include "db/pg/pg_catalog_support.h"
#include "db/pg/pg_catalog_types.h"

#include <map>
#include <set>

namespace mv::pg {

using namespace odbc::catalog;

namespace {

// The driver shows a default longer than its info field as this word.
constexpr qsizetype LongestDefault = 254;

// A routine's parameter kinds and the pseudo type of "returns nothing".
constexpr qint64 ParamInput = 1, ParamInputOutput = 2, ParamOutput = 3, ReturnValue = 4;
constexpr unsigned VoidOid = 2278;

int nameLengthOf(const CatalogQuery& query) {
    const std::vector<CatalogRow> rows =
        query(QStringLiteral("SELECT pg_catalog.current_setting('max_identifier_length')"), {});
    return rows.empty() ? 63 : int(number(at(rows.front(), 1)).value_or(63));
}

// A pattern in capitals that found nothing is asked for again in lower case, as the driver does.
std::optional<QString> loweredPattern(const QString& pattern) {
    const QString lower = pattern.toLower();
    return lower != pattern && pattern == pattern.toUpper() ? std::optional<QString>(lower) : std::nullopt;
}

// A column's type as the driver describes it: a domain by its base type and modifier.
const char* const ColumnsSql =
    "SELECT c.relname, a.attname, t.typname, "
    "CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE a.atttypid END, "
    "CASE WHEN t.typtype = 'd' THEN t.typtypmod ELSE a.atttypmod END, a.attnotnull, "
    "pg_catalog.pg_get_expr(d.adbin, d.adrelid) "
    "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
    "LEFT JOIN pg_catalog.pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
    "WHERE a.attnum > 0 AND NOT a.attisdropped AND c.relkind IN ('r', 'v', 'm', 'f', 'p') "
    "AND n.nspname = $1 AND c.relname LIKE $2 AND a.attname LIKE $3 ORDER BY c.relname, a.attnum";

using ColumnRows = std::map<QString, std::vector<CatalogRow>>; // by relation name

// A name as a LIKE pattern that matches it alone.
QString likeLiteral(QString name) {
    return name.replace(u'\\', QLatin1String("\\\\")).replace(u'%', QLatin1String("\\%")).replace(u'_', QLatin1String("\\_"));
}

ColumnRows columnsIn(const CatalogQuery& query, const QString& schema, const QString& relation, const QString& column) {
    ColumnRows out;
    for (CatalogRow& row : query(QString::fromLatin1(ColumnsSql), {schema, relation, column}))
        out[at(row, 1).value_or(QString())].push_back(std::move(row));
    return out;
}

} // namespace

Recordset columnsRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r) {
    const auto columnR = restriction(r, 3);
    RowsetWriter out = columnsWriter();
    if (!matches(database, restriction(r, 0))) return out.finish();
    const std::vector<Relation> found = relations(query, restriction(r, 1), restriction(r, 2), true);
    if (found.empty()) return out.finish();
    const int nameLength = nameLengthOf(query);
    const QString columnPattern = patternOf(columnR);
    // One read per schema (and per table when only one is wanted there).
    std::map<QString, std::set<QString>> wanted;
    for (const Relation& rel : found)
        wanted[rel.schema].insert(rel.name);
    std::map<QString, ColumnRows> bySchema;
    for (const auto& [schema, names] : wanted) {
        const QString relation = names.size() == 1 ? likeLiteral(*names.begin()) : QStringLiteral("%");
        ColumnRows rows = columnsIn(query, schema, relation, columnPattern);
        if (const auto lower = loweredPattern(columnPattern)) {
            std::optional<ColumnRows> again;
            for (const QString& name : names) {
                if (rows.count(name)) continue;
                if (!again) again = columnsIn(query, schema, relation, *lower);
                if (again->count(name)) rows[name] = (*again)[name];
            }
        }
        bySchema[schema] = std::move(rows);
    }
    for (const Relation& rel : found) {
        const ColumnRows& rows = bySchema[rel.schema];
        const auto it = rows.find(rel.name);
        if (it == rows.end()) continue;
        // The driver numbers the columns it lists.
        qint64 ordinal = 0;
        for (const CatalogRow& row : it->second) {
            ++ordinal;
            const Cell name = at(row, 2);
            if (!name || !matches(name, columnR)) continue;
            const Cell typeName = at(row, 3);
            const DriverType t = describeColumnType(unsigned(number(at(row, 4)).value_or(0)),
                                                    int(number(at(row, 5)).value_or(-1)), nameLength);
            const auto [adoType, sizes] = catalogColumnType(odbc::DriverFamily::PostgreSQL, t.sqlType, typeName,
                                                            t.columnSize, t.decimalDigits, t.octetLength);
            Cell def = at(row, 7);
            if (def && def->toUtf8().size() > LongestDefault) def = QStringLiteral("TRUNCATE");
            const bool notNull = at(row, 6) == QStringLiteral("t");
            // The driver has no remarks for columns: an empty text.
            out.add({database, rel.schema, rel.name, *name, ordinal, vBool(def.has_value()), v(def), vBool(!notNull),
                     adoType, v(typeName), v(sizes.characterMaximumLength), v(sizes.characterOctetLength),
                     v(sizes.numericPrecision), v(sizes.numericScale), v(sizes.datetimePrecision),
                     QString(QLatin1String(""))});
        }
    }
    return out.finish();
}

namespace {

// Every argument of the routines, in their order (a routine without any gives one row of Nulls),
// and whether one of them is a result (OUT, INOUT, TABLE).
const char* const ArgumentsSql =
    "SELECT n.nspname, p.proname, p.oid, p.proretset, p.prorettype, rt.typrelid, u.ord, u.typ, "
    "p.proargmodes[u.ord], p.proargnames[u.ord], "
    "coalesce(p.proargmodes && ARRAY['o', 'b', 't']::pg_catalog.\"char\"[], false) "
    "FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
    "JOIN pg_catalog.pg_type rt ON rt.oid = p.prorettype "
    "LEFT JOIN LATERAL unnest(coalesce(p.proallargtypes, p.proargtypes::pg_catalog.oid[])) "
    "WITH ORDINALITY AS u(typ, ord) ON true "
    "WHERE pg_catalog.has_function_privilege(p.oid, 'EXECUTE') AND n.nspname LIKE $1 AND p.proname LIKE $2 "
    "ORDER BY n.nspname, p.proname, p.oid, u.ord";

// The columns of routines that return rows of a table's or a composite type.
const char* const ResultColumnsSql =
    "SELECT p.oid, a.attname, a.atttypid FROM pg_catalog.pg_proc p "
    "JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace JOIN pg_catalog.pg_type rt ON rt.oid = p.prorettype "
    "JOIN pg_catalog.pg_attribute a ON a.attrelid = rt.typrelid AND a.attnum > 0 AND NOT a.attisdropped "
    "WHERE rt.typrelid <> 0 AND pg_catalog.has_function_privilege(p.oid, 'EXECUTE') AND n.nspname LIKE $1 "
    "AND p.proname LIKE $2 ORDER BY p.oid, a.attnum";

struct Parameter {
    Cell name;
    qint64 ordinal;
    std::optional<qint64> kind; // nothing: a column of the rows returned
    unsigned type;
};

struct Routine {
    std::vector<Parameter> parameters;
};

std::optional<qint64> argumentKind(const Cell& mode, bool returnsSet) {
    const QString m = mode.value_or(QStringLiteral("i"));
    if (m == QLatin1String("b")) return ParamInputOutput;
    // TABLE arguments, and the OUT arguments of a routine returning a set, are the columns of its rows.
    if (m == QLatin1String("t") || (m == QLatin1String("o") && returnsSet)) return std::nullopt;
    if (m == QLatin1String("o")) return ParamOutput;
    return ParamInput;
}

// The parameters of every routine the patterns name, by schema and name, each routine's in order:
// a single value returned first, then the arguments, then the columns of the rows returned.
std::map<std::pair<QString, QString>, std::vector<Routine>> routines(const CatalogQuery& query, const QString& schema,
                                                                     const QString& name) {
    std::map<QString, std::vector<CatalogRow>> resultColumns;
    for (CatalogRow& row : query(QString::fromLatin1(ResultColumnsSql), {schema, name}))
        resultColumns[at(row, 1).value_or(QString())].push_back(std::move(row));

    std::map<std::pair<QString, QString>, std::vector<Routine>> out;
    const std::vector<CatalogRow> rows = query(QString::fromLatin1(ArgumentsSql), {schema, name});
    for (size_t i = 0; i < rows.size();) {
        const CatalogRow& first = rows[i];
        const QString oid = at(first, 3).value_or(QString());
        const bool returnsSet = at(first, 4) == QStringLiteral("t");
        const unsigned returnType = unsigned(number(at(first, 5)).value_or(0));
        const bool composite = number(at(first, 6)).value_or(0) != 0;
        const bool resultArguments = at(first, 11) == QStringLiteral("t");
        Routine routine;
        if (!returnsSet && returnType != VoidOid && !composite && !resultArguments)
            routine.parameters.push_back({QString(QLatin1String("")), 0, ReturnValue, returnType});
        for (; i < rows.size() && at(rows[i], 3) == oid; ++i) {
            const CatalogRow& row = rows[i];
            const std::optional<qint64> ordinal = number(at(row, 7));
            if (!ordinal) continue;
            const Cell argName = at(row, 10).value_or(QString(QLatin1String("")));
            routine.parameters.push_back(
                {argName, *ordinal, argumentKind(at(row, 9), returnsSet), unsigned(number(at(row, 8)).value_or(0))});
        }
        if (composite) {
            for (const CatalogRow& column : resultColumns[oid])
                routine.parameters.push_back({at(column, 2), 0, returnsSet ? std::nullopt : std::optional<qint64>(ParamOutput),
                                              unsigned(number(at(column, 3)).value_or(0))});
        } else if (returnsSet && !resultArguments) {
            // The rows' one column. (The driver types it by the routine's last argument where
            // there is one; its type is the one returned.)
            routine.parameters.push_back({std::nullopt, 0, std::nullopt, returnType});
        }
        out[{at(first, 1).value_or(QString()), at(first, 2).value_or(QString())}].push_back(std::move(routine));
    }
    return out;
}

} // namespace

Recordset procedureParametersRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r) {
    const auto parameterR = restriction(r, 3);
    RowsetWriter out = procedureParametersWriter();
    const Recordset procedures =
        openSchemaRowset(query, database, SchemaKind::Procedures, {restriction(r, 0), restriction(r, 1), restriction(r, 2)});
    if (procedures.recordCount() == 0) return out.finish();
    const int nameLength = nameLengthOf(query);
    const auto all = routines(query, patternOf(restriction(r, 1)), patternOf(restriction(r, 2)));
    for (int p = 0; p < procedures.recordCount(); ++p) {
        const QString catalog = procedures.text(p, 0), schema = procedures.text(p, 1), name = procedures.text(p, 2);
        const auto it = all.find({schema, name});
        if (it == all.end()) continue;
        for (const Routine& routine : it->second)
            for (const Parameter& param : routine.parameters) {
                if (!matches(param.name, parameterR)) continue;
                const DriverType t = describeParameterType(param.type, nameLength);
                const Cell typeName = parameterTypeName(param.type);
                const int adoType = adoTypeOfCatalog(t.sqlType, typeName);
                const Sizes sizes = sizesFor(adoType, t.columnSize, t.decimalDigits, t.octetLength);
                out.add({catalog, schema, name, v(param.name), param.ordinal, v(param.kind), vBool(false), QVariant(),
                         vBool(true), adoType, v(sizes.characterMaximumLength), v(sizes.characterOctetLength),
                         v(sizes.numericPrecision), v(sizes.numericScale), QVariant(), v(typeName), v(typeName)});
            }
    }
    return out.finish();
}

namespace {

// The driver's answer to SQLGetTypeInfo, in its columns: name, SQL type, size, literal prefix and
// suffix, create parameters, nullable, case sensitive, searchable, unsigned, fixed scale, auto
// unique, local name, minimum and maximum scale (nullptr: Null).
const char* const TypeInfo[][15] = {
    {"int8", "-5", "19", nullptr, nullptr, nullptr, "1", "0", "2", "0", "0", "0", nullptr, "0", "0"},
    {"bool", "-7", "5", "'", "'", nullptr, "1", "0", "2", nullptr, "0", "0", nullptr, "0", "0"},
    {"char", "1", "255", "'", "'", "max. length", "1", "1", "3", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"date", "91", "10", "'", "'", nullptr, "1", "0", "2", nullptr, "0", "0", nullptr, nullptr, nullptr},
    {"date", "9", "10", "'", "'", nullptr, "1", "0", "2", nullptr, "0", "0", nullptr, nullptr, nullptr},
    {"numeric", "3", "28", nullptr, nullptr, "precision, scale", "1", "0", "2", "0", "0", "0", nullptr, "0", "6"},
    {"float8", "8", "17", nullptr, nullptr, nullptr, "1", "0", "2", "0", "0", "0", nullptr, "0", "0"},
    {"float8", "6", "17", nullptr, nullptr, nullptr, "1", "0", "2", "0", "0", "0", nullptr, "0", "0"},
    {"int4", "4", "10", nullptr, nullptr, nullptr, "1", "0", "2", "0", "0", "0", nullptr, "0", "0"},
    {"bytea", "-4", nullptr, "'", "'", nullptr, "1", "0", "2", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"text", "-1", "8190", "'", "'", nullptr, "1", "1", "3", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"numeric", "2", "28", nullptr, nullptr, "precision, scale", "1", "0", "2", "0", "0", "0", nullptr, "0", "6"},
    {"float4", "7", "9", nullptr, nullptr, nullptr, "1", "0", "2", "0", "0", "0", nullptr, "0", "0"},
    {"int2", "5", "5", nullptr, nullptr, nullptr, "1", "0", "2", "0", "0", "0", nullptr, "0", "0"},
    {"time", "92", "8", "'", "'", nullptr, "1", "0", "2", nullptr, "0", "0", nullptr, nullptr, nullptr},
    {"timestamptz", "93", "26", "'", "'", nullptr, "1", "0", "2", nullptr, "0", "0", nullptr, "0", "38"},
    {"time", "10", "8", "'", "'", nullptr, "1", "0", "2", nullptr, "0", "0", nullptr, nullptr, nullptr},
    {"timestamptz", "11", "26", "'", "'", nullptr, "1", "0", "2", nullptr, "0", "0", nullptr, "0", "38"},
    {"int2", "-6", "5", nullptr, nullptr, nullptr, "1", "0", "2", "0", "0", "0", nullptr, "0", "0"},
    {"bytea", "-3", nullptr, "'", "'", nullptr, "1", "0", "2", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"varchar", "12", "255", "'", "'", "max. length", "1", "1", "3", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"char", "-8", "255", "'", "'", "max. length", "1", "1", "3", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"varchar", "-9", "255", "'", "'", "max. length", "1", "1", "3", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"text", "-10", "8190", "'", "'", nullptr, "1", "1", "3", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
    {"uuid", "-11", "37", "'", "'", nullptr, "1", "0", "2", nullptr, "0", nullptr, nullptr, nullptr, nullptr},
};

} // namespace

Recordset providerTypesRowset(const SchemaRestrictions& r) {
    return providerTypesFromTexts(TypeInfo, r);
}

} // namespace mv::pg
