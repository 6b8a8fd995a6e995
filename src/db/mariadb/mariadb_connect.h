#pragma once
// Reaching a MariaDB or MySQL server through the client library with the keys of the MariaDB (and
// MySQL) ODBC driver's connection strings, and the failures of the library as DbErrors.
#include "db/db_access.h"

#include <QByteArray>
#include <vector>

typedef struct st_mysql MYSQL;

namespace mv::mariadb {

// The connection string in the client library's terms. Empty texts are left to the library.
struct ServerAddress {
    QByteArray host; // "localhost" goes through the socket, as with the driver
    unsigned int port = 0;
    QByteArray socket;
    QByteArray database;
    QByteArray user;
    QByteArray password;
    unsigned int connectTimeout = 15; // seconds
    unsigned int readTimeout = 0;     // 0: none
    unsigned int writeTimeout = 0;
    QByteArray initStatement;
    // TLS: the files and checks the SSL keys name.
    QByteArray sslKey, sslCert, sslCa, sslCaPath, sslCipher, sslCrl, sslCrlPath, tlsVersion, tlsPeerFingerprint;
    bool sslVerify = false;   // the server's certificate must be valid for its name
    bool sslEnforce = false;  // no connection without TLS
    bool foundRows = false;   // UPDATE counts the rows it matched, not only those it changed
    bool multiStatements = false;
};

// The address a connection string names; nothing (and the reason in *error) when it is no valid
// key list.
std::optional<ServerAddress> serverAddress(const QString& connectionString, QString* error = nullptr);

// A new connection with the character set utf8mb4 and the given address. Throws DbError.
MYSQL* connectTo(const ServerAddress& address);

// The error of the last call on the handle, as the server or the library reported it; a lost
// connection carries SQLSTATE 08S01.
DbDiagnostic diagnosticOf(MYSQL* mysql);
DbError failureOf(MYSQL* mysql);

} // namespace mv::mariadb
