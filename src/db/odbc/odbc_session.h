#pragma once
// A physical connection together with what was read from it when it opened: the facts of the data
// source, the property list, and the session settings the layer has changed on the server.
#include "db/db_access.h"
#include "db/odbc/odbc_connection.h"

#include <memory>
#include <optional>

namespace mv::odbc {

struct Session {
    explicit Session(std::shared_ptr<Environment> env = Environment::shared()) : connection(std::move(env)) {}

    Connection connection;
    DbInfo info;
    QList<DbProperty> properties;
    // MariaDB's max_statement_time as last set on this server session (seconds, 0 = none), and
    // whether the server knows the variable at all.
    int serverTimeout = 0;
    bool serverTimeoutSupported = true;
    // MariaDB's sql_select_limit as last set (0 = none).
    qint64 serverSelectLimit = 0;
    // psqlODBC's cursor fetch as the connection string set it (read once), and the rows per
    // cursor fetch as last set on the connection (0 = the string's own setting).
    std::optional<std::pair<SQLINTEGER, SQLINTEGER>> pgFetchDefault;
    qint64 pgFetchRows = 0;
};

// Connects and reads the facts. Throws DbError with the driver's records on failure.
std::unique_ptr<Session> openSession(const QString& connectionString);

// SQL_TXN_CAPABLE on the OLE DB "Transaction DDL" scale.
int transactionDdlOf(quint16 txnCapable);

// The connection string with the values of password keys ("PWD", "...Password") replaced by ten "#".
QString maskPasswords(const QString& connectionString);

} // namespace mv::odbc
