#pragma once
// What the driver manager offers: the installed ODBC drivers and the configured data source names.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace mv::odbc {

struct DriverEntry {
    QString name;                      // as odbcinst.ini names it ("PostgreSQL Unicode")
    QMap<QString, QString> attributes; // "Description", "Driver", "Setup", "FileUsage", ...
    // The driver opens a database file rather than a server (SQLite, MDBTools).
    bool usesFile() const;
};

struct DataSourceEntry {
    QString name;
    QString driver; // the driver's description as the data source gives it
    bool system = false;
};

// Empty lists when the driver manager cannot be reached.
QList<DriverEntry> listDrivers();
QList<DataSourceEntry> listDataSources();
QStringList installedDriverNames();

// The attribute list SQLDrivers returns ("key=value\0key=value\0\0") as a map.
QMap<QString, QString> parseDriverAttributes(const char* list, qsizetype size);

} // namespace mv::odbc
