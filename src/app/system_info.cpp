#include "app/system_info.h"

#include "app/globals.h"
#include "app/texts.h"

#include <QStringList>
#include <QSysInfo>
#include <QtGlobal>
#include <utility>

namespace mv {
namespace {

using Rows = QList<std::pair<QString, QString>>;

QString orUnknown(const QString& value) {
    return value.trimmed().isEmpty() ? ui_text("(unbekannt)", "(unknown)") : value;
}

// A heading, then one indented row per fact with the values lined up.
void appendSection(QStringList& lines, const QString& heading, const Rows& rows) {
    lines << QString() << heading;
    qsizetype width = 0;
    for (const auto& row : rows)
        width = qMax(width, row.first.size());
    for (const auto& row : rows)
        lines << QStringLiteral("  ") + (row.first + u':').leftJustified(width + 2) + row.second;
}

void appendNote(QStringList& lines, const QString& heading, const QString& note) {
    lines << QString() << heading << QStringLiteral("  ") + note;
}

} // namespace

SystemInfo gatherSystemInfo() {
    SystemInfo info;
    info.programVersion = getVersion();
    info.operatingSystem = QSysInfo::prettyProductName();
    info.kernelType = QSysInfo::kernelType();
    info.kernelVersion = QSysInfo::kernelVersion();
    info.cpuArchitecture = QSysInfo::currentCpuArchitecture();
    info.qtRuntime = QString::fromLatin1(qVersion());
    info.qtBuild = QStringLiteral(QT_VERSION_STR);
    info.driverManager = odbc::driverManagerInfo();
    info.drivers = odbc::listDrivers();
    info.dataSources = odbc::listDataSources();
    return info;
}

QString formatSystemInfo(const SystemInfo& info) {
    QStringList lines;
    lines << QStringLiteral("Morvenda ") + info.programVersion;

    appendSection(
        lines, ui_text("Betriebssystem", "Operating system"),
        {{ui_text("Name", "Name"), orUnknown(info.operatingSystem)},
         {ui_text("Kernel", "Kernel"), orUnknown((info.kernelType + u' ' + info.kernelVersion).trimmed())},
         {ui_text("Architektur", "Architecture"), orUnknown(info.cpuArchitecture)}});

    appendSection(lines, QStringLiteral("Qt"),
                  {{ui_text("Laufzeit", "Runtime"), orUnknown(info.qtRuntime)},
                   {ui_text("Übersetzt mit", "Built with"), orUnknown(info.qtBuild)}});

    const odbc::DriverManagerInfo& dm = info.driverManager;
    appendSection(
        lines, ui_text("ODBC-Treibermanager", "ODBC driver manager"),
        {{ui_text("Version", "Version"), orUnknown(dm.release)},
         {QStringLiteral("SQL_DM_VER"), orUnknown(dm.version)},
         {ui_text("Treiberliste", "Driver list"), orUnknown(dm.driversFile)},
         {ui_text("System-Datenquellen", "System data sources"), orUnknown(dm.systemDataSourcesFile)},
         {ui_text("Benutzer-Datenquellen", "User data sources"), orUnknown(dm.userDataSourcesFile)}});

    const QString driversHeading = ui_text("ODBC-Treiber", "ODBC drivers");
    if (info.drivers.isEmpty()) {
        appendNote(lines, driversHeading,
                   ui_text("Es sind keine ODBC-Treiber installiert.", "No ODBC drivers are installed."));
    } else {
        Rows rows;
        for (const odbc::DriverEntry& d : info.drivers) {
            const QString file = d.attributes.value(QStringLiteral("Driver")).trimmed();
            rows.append({d.name, file.isEmpty()
                                     ? ui_text("(keine Treiberdatei angegeben)", "(no driver file given)")
                                     : file});
        }
        appendSection(lines, driversHeading, rows);
    }

    const QString sourcesHeading = ui_text("ODBC-Datenquellen", "ODBC data sources");
    if (info.dataSources.isEmpty()) {
        appendNote(lines, sourcesHeading,
                   ui_text("Es sind keine Datenquellen eingerichtet.", "No data sources are configured."));
    } else {
        Rows rows;
        for (const odbc::DataSourceEntry& s : info.dataSources)
            rows.append({s.name, orUnknown(s.driver) + QStringLiteral(" (") +
                                     (s.system ? ui_text("System", "system") : ui_text("Benutzer", "user")) +
                                     u')'});
        appendSection(lines, sourcesHeading, rows);
    }
    return lines.join(u'\n') + u'\n';
}

QString systemInformationReport() {
    return formatSystemInfo(gatherSystemInfo());
}

} // namespace mv
