#include "db/login_decision.h"

namespace mv {
namespace {

bool sameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QString nonEmptyValue(const ConnectionKeys& keys, const char* key) {
    return keys.value(QLatin1String(key)).trimmed();
}

// The string's own user or password under the first of its spellings that holds one. OLE DB provider
// strings know one spelling, and a key they hold with an empty value stays empty (the argument does
// not fill it); ODBC strings fall back on the argument whenever they hold no value.
QString ownOrArgument(const ConnectionKeys& keys, std::initializer_list<const char*> spellings,
                      bool providerString, const QString& argument) {
    for (const char* key : spellings) {
        const std::optional<QString> v = keys.find(QLatin1String(key));
        if (!v) continue;
        if (!v->isEmpty()) return *v;
        if (providerString) return {};
    }
    return argument;
}

} // namespace

OdbcDriverCatalog::OdbcDriverCatalog(QList<odbc::DriverEntry> drivers, QList<odbc::DataSourceEntry> dataSources)
    : m_drivers(std::move(drivers)), m_dataSources(std::move(dataSources)) {}

OdbcDriverCatalog OdbcDriverCatalog::installed() {
    return OdbcDriverCatalog(odbc::listDrivers(), odbc::listDataSources());
}

bool OdbcDriverCatalog::driverUsesFile(const QString& driver) const {
    for (const odbc::DriverEntry& d : m_drivers)
        if (sameName(d.name, driver)) return d.usesFile();
    odbc::DriverEntry unknown;
    unknown.name = driver;
    return unknown.usesFile();
}

std::optional<bool> OdbcDriverCatalog::dataSourceUsesFile(const QString& dataSource) const {
    for (const odbc::DataSourceEntry& s : m_dataSources)
        if (sameName(s.name, dataSource)) return driverUsesFile(s.driver);
    return std::nullopt;
}

LoginKind loginKindOf(const ConnectionKeys& keys, FileShortcut shortcut, const OdbcDriverCatalog& catalog) {
    if (shortcut != FileShortcut::None) return LoginKind::FileDatabase;
    if (const std::optional<QString> provider = keys.find(QStringLiteral("Provider")))
        return provider->contains(QLatin1String("Microsoft.Jet.OLEDB")) ? LoginKind::FileDatabase
                                                                          : LoginKind::Server;
    // A plain ODBC string: its driver tells a database file from a server.
    const QString driver = nonEmptyValue(keys, "Driver");
    if (!driver.isEmpty())
        return catalog.driverUsesFile(driver) ? LoginKind::FileDatabase : LoginKind::Server;
    const QString dsn = nonEmptyValue(keys, "DSN");
    if (!dsn.isEmpty())
        return catalog.dataSourceUsesFile(dsn).value_or(false) ? LoginKind::FileDatabase : LoginKind::Server;
    if (!nonEmptyValue(keys, "FILEDSN").isEmpty()) return LoginKind::Server;
    return LoginKind::FileDatabase;
}

LoginDecision decideLogin(const ConnectionKeys& keys, LoginKind kind, bool given, const QString& user,
                          const QString& password) {
    LoginDecision d;
    if (kind == LoginKind::FileDatabase) {
        // An existing key keeps its value, even an empty one.
        d.user = keys.find(QStringLiteral("User ID")).value_or(QStringLiteral("Admin"));
        d.password = keys.value(QStringLiteral("Password"));
        d.connectAtOnce = !d.user.isEmpty();
        return d;
    }
    const bool providerString = keys.contains(QStringLiteral("Provider"));
    const bool useArguments = given && !user.isEmpty();
    d.user = providerString ? ownOrArgument(keys, {"User ID"}, true, useArguments ? user : QString())
                            : ownOrArgument(keys, {"UID", "User", "Username", "User ID"}, false,
                                            useArguments ? user : QString());
    d.password = providerString ? ownOrArgument(keys, {"Password"}, true, useArguments ? password : QString())
                                : ownOrArgument(keys, {"PWD", "Password"}, false,
                                                useArguments ? password : QString());
    d.connectAtOnce = !d.user.isEmpty() && !d.password.isEmpty();
    return d;
}

} // namespace mv
