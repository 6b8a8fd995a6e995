#include "db/odbc/odbc_session.h"

#include "db/connection_string.h"

namespace mv::odbc {

namespace {

QString yesNo(const std::optional<QString>& text) {
    return text.value_or(QString());
}

} // namespace

int transactionDdlOf(quint16 txnCapable) {
    switch (txnCapable) {
    case SQL_TC_DML:
        return 1;
    case SQL_TC_DDL_COMMIT:
        return 2;
    case SQL_TC_DDL_IGNORE:
        return 4;
    case SQL_TC_ALL:
        return 8;
    default:
        return 0;
    }
}

QString maskPasswords(const QString& connectionString) {
    QString result = connectionString;
    const QList<ConnectionPart> parts = splitConnectionString(connectionString);
    // From the end, so the earlier positions stay valid.
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        const QString key = it->trimmedKey().toLower();
        if (!it->hasEquals ||
            !(key.endsWith(QLatin1String("pwd")) || key.endsWith(QLatin1String("password"))))
            continue;
        result.replace(it->valueStart, it->valueEnd - it->valueStart, QStringLiteral("##########"));
    }
    return result;
}

std::unique_ptr<Session> openSession(const QString& connectionString) {
    auto session = std::make_unique<Session>();
    Connection& c = session->connection;
    c.connect(connectionString);

    DbInfo& info = session->info;
    info.dbmsName = yesNo(c.tryInfoText(SQL_DBMS_NAME));
    info.dbmsVersion = yesNo(c.tryInfoText(SQL_DBMS_VER));
    info.driverName = c.driverName();
    info.driverVersion = yesNo(c.tryInfoText(SQL_DRIVER_VER));
    info.driverOdbcVersion = yesNo(c.tryInfoText(SQL_DRIVER_ODBC_VER));
    info.managerVersion = yesNo(c.tryInfoText(SQL_DM_VER));
    info.dataSourceName = yesNo(c.tryInfoText(SQL_DATA_SOURCE_NAME));
    info.databaseName = yesNo(c.tryInfoText(SQL_DATABASE_NAME));
    info.serverName = yesNo(c.tryInfoText(SQL_SERVER_NAME));
    info.userName = yesNo(c.tryInfoText(SQL_USER_NAME));
    info.identifierQuote = c.tryInfoText(SQL_IDENTIFIER_QUOTE_CHAR).value_or(QStringLiteral("\""));
    info.keywords = c.tryInfoText(SQL_KEYWORDS).value_or(QString()).split(u',', Qt::SkipEmptyParts);
    info.transactionDdl = transactionDdlOf(c.tryInfoUShort(SQL_TXN_CAPABLE).value_or(SQL_TC_NONE));

    QList<DbProperty>& p = session->properties;
    p << DbProperty{QStringLiteral("Data Source Name"), info.dataSourceName}
      << DbProperty{QStringLiteral("Current Catalog"), info.databaseName}
      << DbProperty{QStringLiteral("Server Name"), info.serverName}
      << DbProperty{QStringLiteral("User Name"), info.userName}
      << DbProperty{QStringLiteral("DBMS Name"), info.dbmsName}
      << DbProperty{QStringLiteral("DBMS Version"), info.dbmsVersion}
      << DbProperty{QStringLiteral("Driver Name"), info.driverName}
      << DbProperty{QStringLiteral("Driver Version"), info.driverVersion}
      << DbProperty{QStringLiteral("Driver ODBC Version"), info.driverOdbcVersion}
      << DbProperty{QStringLiteral("Driver Manager Version"), info.managerVersion}
      << DbProperty{QStringLiteral("Transaction DDL"), QString::number(info.transactionDdl)}
      << DbProperty{QStringLiteral("Identifier Quote Character"), info.identifierQuote}
      << DbProperty{QStringLiteral("Read-Only Data Source"), yesNo(c.tryInfoText(SQL_DATA_SOURCE_READ_ONLY))}
      << DbProperty{QStringLiteral("Multiple Results"), yesNo(c.tryInfoText(SQL_MULT_RESULT_SETS))}
      << DbProperty{QStringLiteral("Catalog Term"), yesNo(c.tryInfoText(SQL_CATALOG_TERM))}
      << DbProperty{QStringLiteral("Schema Term"), yesNo(c.tryInfoText(SQL_SCHEMA_TERM))}
      << DbProperty{QStringLiteral("Table Term"), yesNo(c.tryInfoText(SQL_TABLE_TERM))}
      << DbProperty{QStringLiteral("Procedure Term"), yesNo(c.tryInfoText(SQL_PROCEDURE_TERM))}
      << DbProperty{QStringLiteral("Extended Properties"), maskPasswords(c.completedConnectionString())};
    return session;
}

} // namespace mv::odbc
