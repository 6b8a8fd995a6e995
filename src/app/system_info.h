#pragma once
// The facts a bug report needs: program, operating system, Qt, the ODBC driver manager, its drivers
// and data sources. Gathering and formatting are apart, so the text can be checked on any machine.
#include "db/odbc/odbc_driver_manager.h"
#include "db/odbc/odbc_sources.h"

#include <QList>
#include <QString>

namespace mv {

struct SystemInfo {
    QString programVersion;  // getVersion()
    QString operatingSystem; // "Debian GNU/Linux 12 (bookworm)"
    QString kernelType;      // "linux"
    QString kernelVersion;   // "6.1.0-18-amd64"
    QString cpuArchitecture; // "x86_64"
    QString qtRuntime;       // the Qt library the program runs with
    QString qtBuild;         // the Qt the program was built with
    odbc::DriverManagerInfo driverManager;
    QList<odbc::DriverEntry> drivers; // the "Driver" attribute is the library file
    QList<odbc::DataSourceEntry> dataSources;
};

SystemInfo gatherSystemInfo();
// Plain text with headings in the current language, one fact a line.
QString formatSystemInfo(const SystemInfo& info);
QString systemInformationReport();

} // namespace mv
