// The catalog queries of the connection object: detached schema rowsets and the properties report.
#include "db/db_connect.h"

#include "app/error_report.h"

#include <algorithm>

namespace mv {

namespace {
constexpr long kErrorsOccurred = long(0x80040E21 - 0x100000000LL); // DB_E_ERRORSOCCURRED
using R = SchemaRestrictions;
std::optional<QString> ownerSlot(const QString& owner) {
    return owner.isEmpty() ? std::nullopt : std::optional<QString>(owner);
}
} // namespace

bool C_DbConnect::schemaQuery(const char* procedure, SchemaKind kind, const SchemaRestrictions& restrictions,
                              Recordset& rs, const std::vector<long>& tolerated, bool toleratedResult,
                              bool clearOnFailure, const QString& sort) {
    try {
        if (m_hasConnection && !IsConnected()) {
            if (!ReConnect()) throw DbError(DbError::Kind::NotOpen, QStringLiteral("No database connection"));
        }
        if (!m_cn) throw DbError(DbError::Kind::NotOpen, QStringLiteral("No database connection"));
        // On the worker, behind a statement that runs: the window keeps working meanwhile.
        Recordset result = openSchema(kind, restrictions);
        if (!sort.isEmpty()) result.setSort(sort);
        rs = result;
        if (m_isDisconnected) CloseConnection();
        return true;
    } catch (...) {
        const CaughtError e = describeCurrentException();
        settleTransactionLoss();
        const bool isTolerated = std::find(tolerated.begin(), tolerated.end(), e.number) != tolerated.end();
        if (!isTolerated) report(Reporter::ErrorMsg, e, procedure, "C_DbConnect");
        if (clearOnFailure) rs = Recordset();
        if (m_isDisconnected) CloseConnection();
        return isTolerated ? toleratedResult : false;
    }
}

bool C_DbConnect::GetTablesRs(Recordset& rs, bool systemObjects) {
    return schemaQuery("GetTablesRs", SchemaKind::Tables,
                       R{{}, {}, {}, systemObjects ? QStringLiteral("SYSTEM TABLE") : QStringLiteral("TABLE")}, rs, {},
                       false, false);
}

bool C_DbConnect::GetViewsRs(Recordset& rs, bool systemObjects) {
    return schemaQuery("GetViewsRs", SchemaKind::Tables,
                       R{{}, {}, {}, systemObjects ? QStringLiteral("SYSTEM VIEW") : QStringLiteral("VIEW")}, rs, {},
                       false, false);
}

bool C_DbConnect::GetLinkedTablesRs(Recordset& rs) {
    return schemaQuery("GetLinkedTablesRs", SchemaKind::Tables, R{{}, {}, {}, QStringLiteral("PASS-THROUGH")}, rs, {},
                       false, false);
}

bool C_DbConnect::GetProcsRs(Recordset& rs, bool systemObjects) {
    const R restrictions = systemObjects ? R{{}, {}, {}, QStringLiteral("SYSTEM PROCEDURE")} : R{};
    return schemaQuery("GetProcsRs", SchemaKind::Procedures, restrictions, rs,
                       {kErrorsOccurred, err::NotSupportedByProvider}, true, false);
}

bool C_DbConnect::GetFieldsRs(const QString& owner, const QString& table, Recordset& rs) {
    return schemaQuery("GetFieldsRs", SchemaKind::Columns, R{{}, ownerSlot(owner), table, {}}, rs, {}, false, false);
}

bool C_DbConnect::GetIndexRs(const QString& owner, const QString& table, Recordset& rs) {
    return schemaQuery("GetIndexRs", SchemaKind::Indexes, R{{}, ownerSlot(owner), {}, {}, table}, rs,
                       {kErrorsOccurred, err::NotSupportedByProvider}, false, true,
                       QStringLiteral("INDEX_NAME,ORDINAL_POSITION"));
}

bool C_DbConnect::GetKeysRs(const QString& owner, const QString& table, Recordset& rs) {
    return schemaQuery("GetKeysRs", SchemaKind::PrimaryKeys, R{{}, ownerSlot(owner), table}, rs,
                       {err::NotSupportedByProvider}, false, false);
}

bool C_DbConnect::GetProcParasRs(const QString& owner, const QString& procedure, Recordset& rs) {
    return schemaQuery("GetProcParasRs", SchemaKind::ProcedureParameters, R{{}, owner, procedure, {}}, rs,
                       {err::NotSupportedByProvider}, false, false);
}

bool C_DbConnect::GetProviderTypes(Recordset& rs) {
    return schemaQuery("GetProviderTypes", SchemaKind::ProviderTypes, R{}, rs, {}, false, false);
}

QString C_DbConnect::GetCnProperties() {
    return guarded(Reporter::ErrorMsg, "GetCnProperties", "C_DbConnect", QString(), [&] {
        QString text = QStringLiteral("// Connection Properties:\r\n");
        if (!m_cn) return text;
        int n = 1;
        for (const auto& [name, value] : m_properties) {
            const QString upper = name.toUpper();
            const bool secret = upper == QLatin1String("PASSWORD") || upper == QLatin1String("PWD");
            text += QStringLiteral(" {%1} ").arg(n, 3, 10, QLatin1Char('0')) + name + QStringLiteral(": '") +
                    (secret ? QStringLiteral("##########") : value) + QStringLiteral("'\r\n");
            ++n;
        }
        return text;
    });
}

} // namespace mv
