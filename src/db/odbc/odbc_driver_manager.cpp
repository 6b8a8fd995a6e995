#include "db/odbc/odbc_driver_manager.h"

#include "db/odbc/odbc_handles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace mv::odbc {
namespace {

// The driver manager's own tool; a hung tool must not hang the caller.
QString runOdbcinst(const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("odbcinst"));
    if (program.isEmpty()) return {};
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(3000)) return {};
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit) return {};
    return QString::fromLocal8Bit(process.readAll());
}

} // namespace

QString driverManagerVersion() {
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return {};
    EnvHandle envOwner(env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHANDLE dbc = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) return {};
    DbcHandle dbcOwner(dbc);
    SQLCHAR buffer[64] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DM_VER, buffer, SQLSMALLINT(sizeof buffer), &length))) return {};
    return fromOdbc(buffer, textLength(length, sizeof buffer));
}

void parseOdbcinstPaths(const QString& output, DriverManagerInfo* info) {
    QString text = output;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0) {
            // The first line names the release ("unixODBC 2.3.11").
            if (info->release.isEmpty() && line.startsWith(QLatin1String("unixODBC"), Qt::CaseInsensitive))
                info->release = line;
            continue;
        }
        QString key = line.left(colon);
        while (key.endsWith(u'.'))
            key.chop(1);
        key = key.trimmed().toUpper();
        const QString value = line.mid(colon + 1).trimmed();
        if (key == QLatin1String("DRIVERS"))
            info->driversFile = value;
        else if (key == QLatin1String("SYSTEM DATA SOURCES"))
            info->systemDataSourcesFile = value;
        else if (key == QLatin1String("USER DATA SOURCES"))
            info->userDataSourcesFile = value;
    }
}

DriverManagerInfo driverManagerInfo() {
    DriverManagerInfo info;
    info.version = driverManagerVersion();
    parseOdbcinstPaths(runOdbcinst({QStringLiteral("-j")}), &info);
    return info;
}

} // namespace mv::odbc
