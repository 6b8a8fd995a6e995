#include "app/globals.h"
#include "app/system_info.h"
#include "app/texts.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace mv;

namespace {

SystemInfo sampleInfo() {
    SystemInfo info;
    info.programVersion = QStringLiteral("0.1.01");
    info.operatingSystem = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    info.kernelType = QStringLiteral("linux");
    info.kernelVersion = QStringLiteral("6.1.0");
    info.cpuArchitecture = QStringLiteral("x86_64");
    info.qtRuntime = QStringLiteral("6.4.2");
    info.qtBuild = QStringLiteral("6.4.1");
    info.driverManager.release = QStringLiteral("unixODBC 2.3.11");
    info.driverManager.version = QStringLiteral("03.52.0002.0003");
    info.driverManager.driversFile = QStringLiteral("/etc/odbcinst.ini");
    info.driverManager.systemDataSourcesFile = QStringLiteral("/etc/odbc.ini");
    info.drivers = {
        {QStringLiteral("SQLite3"), {{QStringLiteral("Driver"), QStringLiteral("libsqlite3odbc.so")}}},
        {QStringLiteral("Odd"), {{QStringLiteral("Setup"), QStringLiteral("libodd.so")}}}};
    info.dataSources = {{QStringLiteral("demo"), QStringLiteral("SQLite3"), false},
                        {QStringLiteral("pg"), QStringLiteral("PostgreSQL Unicode"), true}};
    return info;
}

QString formatted(int lang, const SystemInfo& info) {
    setLanguage(lang);
    const QString text = formatSystemInfo(info);
    setLanguage(2);
    return text;
}

TEST(SystemInfoText, EnglishReportHasEveryFactWithValuesLinedUp) {
    EXPECT_EQ(formatted(2, sampleInfo()).toStdString(), "Morvenda 0.1.01\n"
                                                        "\n"
                                                        "Operating system\n"
                                                        "  Name:         Debian GNU/Linux 12 (bookworm)\n"
                                                        "  Kernel:       linux 6.1.0\n"
                                                        "  Architecture: x86_64\n"
                                                        "\n"
                                                        "Qt\n"
                                                        "  Runtime:    6.4.2\n"
                                                        "  Built with: 6.4.1\n"
                                                        "\n"
                                                        "ODBC driver manager\n"
                                                        "  Version:             unixODBC 2.3.11\n"
                                                        "  SQL_DM_VER:          03.52.0002.0003\n"
                                                        "  Driver list:         /etc/odbcinst.ini\n"
                                                        "  System data sources: /etc/odbc.ini\n"
                                                        "  User data sources:   (unknown)\n"
                                                        "\n"
                                                        "ODBC drivers\n"
                                                        "  SQLite3: libsqlite3odbc.so\n"
                                                        "  Odd:     (no driver file given)\n"
                                                        "\n"
                                                        "ODBC data sources\n"
                                                        "  demo: SQLite3 (user)\n"
                                                        "  pg:   PostgreSQL Unicode (system)\n");
}

TEST(SystemInfoText, GermanHeadingsAndLabels) {
    const QString text = formatted(1, sampleInfo());
    for (const char* expected :
         {"\nBetriebssystem\n", "  Architektur: x86_64\n", "  Laufzeit:      6.4.2\n",
          "  Übersetzt mit: 6.4.1\n", "\nODBC-Treibermanager\n", "  Benutzer-Datenquellen: (unbekannt)\n",
          "\nODBC-Treiber\n", "  Odd:     (keine Treiberdatei angegeben)\n", "\nODBC-Datenquellen\n",
          "  demo: SQLite3 (Benutzer)\n", "  pg:   PostgreSQL Unicode (System)\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n---\n"
                                                                << text.toStdString();
    EXPECT_FALSE(text.contains("Operating system"));
}

TEST(SystemInfoText, EmptyListsSaySoInBothLanguages) {
    SystemInfo info = sampleInfo();
    info.drivers.clear();
    info.dataSources.clear();
    const QString english = formatted(2, info);
    EXPECT_TRUE(english.contains("\nODBC drivers\n  No ODBC drivers are installed.\n"))
        << english.toStdString();
    EXPECT_TRUE(english.contains("\nODBC data sources\n  No data sources are configured.\n"));
    const QString german = formatted(1, info);
    EXPECT_TRUE(german.contains("\nODBC-Treiber\n  Es sind keine ODBC-Treiber installiert.\n"))
        << german.toStdString();
    EXPECT_TRUE(german.contains("\nODBC-Datenquellen\n  Es sind keine Datenquellen eingerichtet.\n"));
}

TEST(SystemInfoText, NothingKnownStillGivesEveryHeading) {
    const QString text = formatted(2, SystemInfo{});
    EXPECT_TRUE(text.startsWith("Morvenda \n"));
    EXPECT_TRUE(text.contains("  Name:         (unknown)\n"));
    EXPECT_TRUE(text.contains("  Kernel:       (unknown)\n"));
    EXPECT_TRUE(text.contains("  SQL_DM_VER:          (unknown)\n"));
}

TEST(OdbcinstOutput, ReleaseAndFilesAreRead) {
    odbc::DriverManagerInfo info;
    odbc::parseOdbcinstPaths(QStringLiteral("unixODBC 2.3.11\r\nDRIVERS............: /etc/odbcinst.ini\n"
                                            "SYSTEM DATA SOURCES: /etc/odbc.ini\n"
                                            "FILE DATA SOURCES..: /etc/ODBCDataSources\n"
                                            "USER DATA SOURCES..: /home/me/.odbc.ini\n"
                                            "SQLULEN Size.......: 8\n"),
                             &info);
    EXPECT_EQ(info.release, "unixODBC 2.3.11");
    EXPECT_EQ(info.driversFile, "/etc/odbcinst.ini");
    EXPECT_EQ(info.systemDataSourcesFile, "/etc/odbc.ini");
    EXPECT_EQ(info.userDataSourcesFile, "/home/me/.odbc.ini");
}

TEST(SystemInfoGather, ThisMachine) {
    const SystemInfo info = gatherSystemInfo();
    EXPECT_EQ(info.programVersion, getVersion());
    EXPECT_FALSE(info.kernelType.isEmpty());
    EXPECT_FALSE(info.cpuArchitecture.isEmpty());
    EXPECT_EQ(info.qtBuild, QT_VERSION_STR);
    EXPECT_EQ(info.qtRuntime, qVersion());
    // "03.52.0002.0003": ODBC version, then the driver manager's own.
    EXPECT_TRUE(
        QRegularExpression(R"(^\d\d\.\d\d\.\d{4}\.\d{4}$)").match(info.driverManager.version).hasMatch())
        << info.driverManager.version.toStdString();
    if (!QStandardPaths::findExecutable("odbcinst").isEmpty()) {
        EXPECT_TRUE(info.driverManager.release.startsWith("unixODBC "))
            << info.driverManager.release.toStdString();
        EXPECT_TRUE(info.driverManager.driversFile.endsWith("odbcinst.ini"));
    }
    QStringList names;
    for (const odbc::DriverEntry& d : info.drivers)
        names << d.name;
    EXPECT_TRUE(names.contains("SQLite3")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("PostgreSQL Unicode")) << names.join(", ").toStdString();

    const QString report = systemInformationReport();
    EXPECT_TRUE(report.contains(QRegularExpression(R"(\n  SQLite3:\s+\S*libsqlite3odbc\.so\n)")))
        << report.toStdString();
}

} // namespace
