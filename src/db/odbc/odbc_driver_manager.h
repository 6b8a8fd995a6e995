#pragma once
// Facts about the ODBC driver manager itself: its version and where it keeps its configuration.
#include <QString>

namespace mv::odbc {

struct DriverManagerInfo {
    QString release;               // "unixODBC 2.3.11"; empty when odbcinst is not installed
    QString version;               // SQL_DM_VER, "03.52.0002.0003"; empty when unavailable
    QString driversFile;           // odbcinst.ini
    QString systemDataSourcesFile; // the system odbc.ini
    QString userDataSourcesFile;   // the user's .odbc.ini
};

// Asks the driver manager for its version and runs "odbcinst -j" for the release and the files.
// Parts that cannot be learned stay empty; never throws for a missing tool.
DriverManagerInfo driverManagerInfo();

// SQL_DM_VER from a connection handle that is allocated but not connected.
QString driverManagerVersion();

// Fills release and file locations from the output of "odbcinst -j".
void parseOdbcinstPaths(const QString& output, DriverManagerInfo* info);

} // namespace mv::odbc
