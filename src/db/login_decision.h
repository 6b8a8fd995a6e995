#pragma once
// Opening a data link or database file: whether it connects at once or asks in the login dialog,
// and with which user name and password.
#include "db/connection_string.h"
#include "db/data_link_file.h"
#include "db/odbc/odbc_sources.h"

#include <optional>

namespace mv {

// The ODBC drivers and data sources a connection string may name, and whether they open a database
// file rather than a server.
class OdbcDriverCatalog {
  public:
    OdbcDriverCatalog() = default;
    OdbcDriverCatalog(QList<odbc::DriverEntry> drivers, QList<odbc::DataSourceEntry> dataSources);
    // What the driver manager of this machine offers.
    static OdbcDriverCatalog installed();

    // A driver that is not installed (or given as a library path) is judged by its name.
    bool driverUsesFile(const QString& driver) const;
    // Nothing when no such data source is configured.
    std::optional<bool> dataSourceUsesFile(const QString& dataSource) const;

  private:
    QList<odbc::DriverEntry> m_drivers;
    QList<odbc::DataSourceEntry> m_dataSources;
};

enum class LoginKind {
    // A database file: connects at once as "Admin" unless the string names its own user.
    FileDatabase,
    // A server: connects at once only with a user name and a password, else asks.
    Server,
};

// FileDatabase: a string whose Provider contains "Microsoft.Jet.OLEDB", a database file opened
// directly, an ODBC string (no Provider) whose driver or data source opens a file, and a string that
// names no provider, driver or data source at all (also one that could not be split: keys empty).
// Server: every other provider, and ODBC strings for server drivers and for data sources not
// configured here.
LoginKind loginKindOf(const ConnectionKeys& keys, FileShortcut shortcut, const OdbcDriverCatalog& catalog);

struct LoginDecision {
    bool connectAtOnce = false;
    QString user;     // to connect with, or to fill in the login dialog
    QString password; // to connect with
};

// given: the file came from the command line or the recent list, so the user and password
// arguments count. The string's own non-empty user and password win over the arguments; the
// password argument counts only together with a user argument.
LoginDecision decideLogin(const ConnectionKeys& keys, LoginKind kind, bool given, const QString& user,
                          const QString& password);

} // namespace mv
