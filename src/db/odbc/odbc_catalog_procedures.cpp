#include "db/odbc/odbc_catalog_procedures.h"

#include "db/odbc/odbc_catalog_support.h"
#include "db/odbc/odbc_types.h"

#include <set>

namespace mv::odbc {

using namespace catalog;

namespace {

// ODBC procedure types (unknown 0, procedure 1, function 2) on the OLE DB scale (1, 2, 3).
qint64 oledbProcedureType(const std::optional<qint64>& odbcType) {
    switch (odbcType.value_or(SQL_PT_UNKNOWN)) {
    case SQL_PT_PROCEDURE:
        return 2;
    case SQL_PT_FUNCTION:
        return 3;
    default:
        return 1;
    }
}

// ODBC parameter kinds on the OLE DB scale (input 1, input/output 2, output 3, return value 4).
std::optional<qint64> oledbParameterType(const std::optional<qint64>& odbcType) {
    switch (odbcType.value_or(SQL_PARAM_TYPE_UNKNOWN)) {
    case SQL_PARAM_INPUT:
        return 1;
    case SQL_PARAM_INPUT_OUTPUT:
        return 2;
    case SQL_PARAM_OUTPUT:
        return 3;
    case SQL_RETURN_VALUE:
        return 4;
    default:
        return std::nullopt;
    }
}

struct ProcedureRef {
    Cell catalog;
    Cell schema; // as the driver gave it
    QString name;
    qint64 type;
    Cell remarks;
};

std::vector<ProcedureRef> findProcedures(Session& session, const SchemaRestrictions& r, bool withSystem) {
    const auto catalogR = restriction(r, 0), schemaR = restriction(r, 1), nameR = restriction(r, 2);
    std::vector<ProcedureRef> found;
    std::set<std::tuple<QString, QString, QString>> seen;
    for (const Scope& scope : scopesFor(session, catalogR, schemaR, withSystem)) {
        Statement st(session.connection);
        st.procedures(scope.catalog, scope.schema, patternArg(nameR));
        // Read by position: psqlODBC names these columns in lower case.
        for (const Row& row : readAll(st)) {
            const Cell cat = at(row, 1), sch = at(row, 2), name = at(row, 3);
            if (!name || !matches(name, nameR) || !matches(cat, catalogR)) continue;
            if (session.connection.family() != DriverFamily::MariaDB &&
                !matches(reportedSchema(session, cat, sch), schemaR))
                continue;
            if (!seen.insert({cat.value_or(QString()), sch.value_or(QString()), *name}).second) continue;
            found.push_back(ProcedureRef{cat, sch, *name, oledbProcedureType(intAt(row, 8)), at(row, 7)});
        }
    }
    return found;
}

} // namespace

Recordset proceduresRowset(Session& session, const SchemaRestrictions& r) {
    const auto typeR = restriction(r, 3);
    const bool systemOnly =
        typeR && typeR->trimmed().compare(QLatin1String("SYSTEM PROCEDURE"), Qt::CaseInsensitive) == 0;
    const bool typeNumber = typeR && !typeR->trimmed().isEmpty() && !systemOnly;
    RowsetWriter out = proceduresWriter();
    for (const ProcedureRef& p : findProcedures(session, r, true)) {
        if (systemOnly && !isSystemSchema(session, p.catalog, p.schema)) continue;
        if (typeNumber && QString::number(p.type) != typeR->trimmed()) continue;
        out.add(
            {v(p.catalog), v(reportedSchema(session, p.catalog, p.schema)), p.name, p.type, v(p.remarks)});
    }
    return out.finish();
}

Recordset procedureParametersRowset(Session& session, const SchemaRestrictions& r) {
    const auto parameterR = restriction(r, 3);
    RowsetWriter out = procedureParametersWriter();
    // psqlODBC answers only for a literal procedure name and a NULL column name, so the
    // procedures are looked up first and asked one by one.
    for (const ProcedureRef& p : findProcedures(session, r, true)) {
        Statement st(session.connection);
        st.procedureColumns(p.catalog, p.schema, p.name, std::nullopt);
        const Cell schema = reportedSchema(session, p.catalog, p.schema);
        // By position: psqlODBC misspells the schema column "PROCEDUR_SCHEM".
        for (const Row& row : readAll(st)) {
            if (!matches(at(row, 3), p.name)) continue;
            const Cell parameter = at(row, 4);
            if (!matches(parameter, parameterR)) continue;
            const Cell typeName = at(row, 7);
            const int adoType = adoTypeOfCatalog(intAt(row, 6), typeName);
            const Sizes sizes = sizesFor(adoType, intAt(row, 8), intAt(row, 10), intAt(row, 17));
            const std::optional<qint64> nullable = intAt(row, 12);
            const Cell def = at(row, 14);
            out.add({v(p.catalog), v(schema), p.name, v(parameter), v(intAt(row, 18)),
                     v(oledbParameterType(intAt(row, 5))), vBool(def.has_value()), v(def),
                     vBool(!nullable || *nullable != SQL_NO_NULLS), adoType, v(sizes.characterMaximumLength),
                     v(sizes.characterOctetLength), v(sizes.numericPrecision), v(sizes.numericScale),
                     v(at(row, 13)), v(typeName), v(typeName)});
        }
    }
    return out.finish();
}

Recordset providerTypesRowset(Session& session, const SchemaRestrictions& r) {
    Statement st(session.connection);
    st.typeInfo();
    return catalog::providerTypesFromTypeInfo(readAll(st), r);
}

Recordset catalog::providerTypesFromTypeInfo(const std::vector<Row>& rows, const SchemaRestrictions& r) {
    const auto dataTypeR = restriction(r, 0), bestMatchR = restriction(r, 1);
    RowsetWriter out = providerTypesWriter();
    std::set<int> matched; // the first type of each ADO code is its best match
    auto flag = [](const std::optional<qint64>& value) {
        return value ? QVariant(*value == SQL_TRUE) : QVariant();
    };
    for (const Row& row : rows) {
        const Cell name = at(row, 1);
        if (!name) continue;
        const std::optional<qint64> sqlType = intAt(row, 2);
        const std::optional<qint64> unsignedAttr = intAt(row, 10);
        const int adoType = adoTypeOf(SQLSMALLINT(sqlType.value_or(SQL_UNKNOWN_TYPE)),
                                      unsignedAttr.value_or(0) == SQL_TRUE, *name);
        const bool best = matched.insert(adoType).second;
        if (dataTypeR && !dataTypeR->isEmpty() && QString::number(adoType) != dataTypeR->trimmed()) continue;
        if (bestMatchR && !bestMatchR->isEmpty()) {
            const QString w = bestMatchR->trimmed().toLower();
            const bool wantBest =
                w == QLatin1String("true") || w == QLatin1String("1") || w == QLatin1String("-1");
            if (best != wantBest) continue;
        }
        const std::optional<qint64> nullable = intAt(row, 7);
        out.add({*name, adoType, v(intAt(row, 3)), v(at(row, 4)), v(at(row, 5)), v(at(row, 6)),
                 nullable ? QVariant(*nullable != SQL_NO_NULLS) : QVariant(), flag(intAt(row, 8)),
                 v(intAt(row, 9)), flag(unsignedAttr), flag(intAt(row, 11)), flag(intAt(row, 12)),
                 v(at(row, 13)), v(intAt(row, 14)), v(intAt(row, 15)),
                 vBool(isLongSqlType(SQLSMALLINT(sqlType.value_or(0)))), vBool(best),
                 vBool(ado::isFixedLengthType(adoType))});
    }
    return out.finish();
}

} // namespace mv::odbc
