#pragma once
// Which engine serves a connection. SQLite, PostgreSQL and MariaDB/MySQL are reached through their
// own client libraries when the connection string names their ODBC driver (the same keys mean the same);
// every other driver, a DSN, and any string with "Engine=ODBC" go through ODBC. A setting turns
// the native engines off altogether.
#include "db/db_access.h"

#include <QString>

namespace mv {

enum class DbEngine { Odbc, Sqlite, Postgres, MariaDb };

// The engine for an ODBC connection string (as the translation from a data link gives it).
DbEngine engineFor(const QString& odbcString);
// The string without the Engine key, for the client library or the driver manager.
QString withoutEngineKey(const QString& odbcString);
// The engine's name as the connection report and the properties show it.
QString engineName(DbEngine engine);

// Counts the calls of closePooledConnections: an engine that keeps a closed connection's handle
// for the next open() gives it up when the count has moved.
quint64 poolGeneration();

// The program setting (on by default): off, every connection goes through ODBC.
void setNativeEnginesEnabled(bool enabled);
bool nativeEnginesEnabled();

namespace sqlite {
std::unique_ptr<DbConnection> createConnection();
}
namespace pg {
std::unique_ptr<DbConnection> createConnection();
}
namespace mariadb {
std::unique_ptr<DbConnection> createConnection();
}
namespace odbc {
std::unique_ptr<DbConnection> createConnection();
}

} // namespace mv
