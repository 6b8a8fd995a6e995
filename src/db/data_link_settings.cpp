#include "db/data_link_settings.h"

#include "app/texts.h"
#include "db/connection_string.h"

#include <QStringList>

namespace mv {
namespace {

bool is(const QString& lowerKey, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (lowerKey == QLatin1String(n)) return true;
    return false;
}

// Takes a value into a field unless the field already has one (a second spelling stays an option).
bool take(QString* field, bool* taken, const QString& value) {
    if (*taken) return false;
    *field = value;
    *taken = true;
    return true;
}

struct Taken {
    bool source = false, server = false, port = false, database = false, user = false, password = false;
};

void addOption(QStringList* options, const ConnectionPart& p) {
    *options << p.key.trimmed() + u'=' + p.rawValue;
}

DataLinkSettings fromOdbc(const QString& odbc) {
    DataLinkSettings s;
    Taken taken;
    QStringList options;
    for (const ConnectionPart& p : splitConnectionString(odbc)) {
        const QString k = p.trimmedKey().toLower();
        bool used = false;
        if (!p.hasEquals) {
            used = false;
        } else if (k == QLatin1String("driver") && !taken.source) {
            s.source = DataLinkSettings::Source::Driver;
            used = take(&s.driver, &taken.source, p.value.trimmed());
        } else if (k == QLatin1String("dsn") && !taken.source) {
            s.source = DataLinkSettings::Source::DataSource;
            used = take(&s.dataSource, &taken.source, p.value.trimmed());
        } else if (is(k, {"server", "servername", "host", "hostname"})) {
            used = take(&s.server, &taken.server, p.value);
        } else if (k == QLatin1String("port")) {
            used = take(&s.port, &taken.port, p.value.trimmed());
        } else if (is(k, {"database", "dbq", "dbname"})) {
            used = take(&s.database, &taken.database, p.value);
        } else if (is(k, {"uid", "user", "username"})) {
            used = take(&s.user, &taken.user, p.value);
        } else if (is(k, {"pwd", "password"})) {
            used = take(&s.password, &taken.password, p.value);
        }
        if (!used) {
            if (p.hasEquals)
                addOption(&options, p);
            else
                options << p.key.trimmed();
        }
    }
    s.savePassword = taken.password;
    s.options = options.join(u';');
    return s;
}

DataLinkSettings fromProvider(const QString& cs, const QString& provider) {
    DataLinkSettings s;
    s.source = DataLinkSettings::Source::Provider;
    s.provider = provider;
    const ProviderFamily family = providerFamily(provider);
    Taken taken;
    QStringList options;
    for (const ConnectionPart& p : splitConnectionString(cs)) {
        const QString k = p.trimmedKey().toLower();
        bool used = false;
        if (!p.hasEquals) {
            options << p.key.trimmed();
            continue;
        }
        if (k == QLatin1String("provider")) {
            used = true;
        } else if (k == QLatin1String("data source")) {
            if (family == ProviderFamily::Jet) {
                used = take(&s.database, &taken.database, p.value);
            } else if (family == ProviderFamily::SqlServer && p.value.contains(u',')) {
                const qsizetype comma = p.value.lastIndexOf(u',');
                used = take(&s.server, &taken.server, p.value.left(comma).trimmed());
                if (used) s.port = p.value.mid(comma + 1).trimmed();
            } else {
                used = take(&s.server, &taken.server, p.value);
            }
        } else if (k == QLatin1String("initial catalog")) {
            used = take(&s.database, &taken.database, p.value);
        } else if (k == QLatin1String("user id")) {
            used = take(&s.user, &taken.user, p.value);
        } else if (k == QLatin1String("password")) {
            used = take(&s.password, &taken.password, p.value);
        }
        if (!used) addOption(&options, p);
    }
    s.savePassword = taken.password;
    s.options = options.join(u';');
    return s;
}

// OLE DB encloses a value in double quotes when it holds ";" or quotes or outer blanks.
QString oleDbValue(const QString& value) {
    const bool needs = value.contains(u';') || value.contains(u'"') || value.contains(u'\'') ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needs) return value;
    QString escaped = value;
    escaped.replace(QLatin1String("\""), QLatin1String("\"\""));
    return u'"' + escaped + u'"';
}

QString providerString(const DataLinkSettings& s, bool withPassword) {
    const ProviderFamily family = providerFamily(s.provider);
    QStringList parts;
    parts << QStringLiteral("Provider=") + s.provider.trimmed();
    if (family == ProviderFamily::Jet) {
        if (!s.database.isEmpty()) parts << QStringLiteral("Data Source=") + oleDbValue(s.database);
    } else {
        QString source = s.server;
        if (family == ProviderFamily::SqlServer && !s.port.trimmed().isEmpty())
            source += u',' + s.port.trimmed();
        if (!source.isEmpty()) parts << QStringLiteral("Data Source=") + oleDbValue(source);
        if (!s.database.isEmpty()) parts << QStringLiteral("Initial Catalog=") + oleDbValue(s.database);
    }
    if (!s.user.isEmpty()) parts << QStringLiteral("User ID=") + oleDbValue(s.user);
    if (withPassword && !s.password.isEmpty()) parts << QStringLiteral("Password=") + oleDbValue(s.password);
    if (!s.options.trimmed().isEmpty()) parts << s.options.trimmed();
    return parts.join(u';');
}

QString odbcString(const DataLinkSettings& s, bool withPassword) {
    // Values are always enclosed where ODBC needs it; the translation unwraps them again for drivers
    // that take values literally, or refuses what such a driver cannot take.
    const bool viaDriver = s.source == DataLinkSettings::Source::Driver;
    QStringList parts;
    if (viaDriver)
        parts << QStringLiteral("Driver=") + odbcValue(s.driver.trimmed());
    else
        parts << QStringLiteral("DSN=") + odbcValue(s.dataSource.trimmed());
    if (!s.server.isEmpty()) parts << QStringLiteral("Server=") + odbcValue(s.server);
    if (!s.port.trimmed().isEmpty()) parts << QStringLiteral("Port=") + odbcValue(s.port.trimmed());
    if (!s.database.isEmpty()) {
        const bool mdb = viaDriver && s.driver.contains(QLatin1String("mdbtools"), Qt::CaseInsensitive);
        parts << (mdb ? QStringLiteral("DBQ=") : QStringLiteral("Database=")) + odbcValue(s.database);
    }
    if (!s.user.isEmpty()) parts << QStringLiteral("UID=") + odbcValue(s.user);
    if (withPassword && !s.password.isEmpty()) parts << QStringLiteral("PWD=") + odbcValue(s.password);
    if (!s.options.trimmed().isEmpty()) parts << s.options.trimmed();
    return parts.join(u';');
}

} // namespace

DataLinkSettings dataLinkSettingsFrom(const QString& connectionString) {
    const QString provider = providerOf(connectionString);
    if (providerFamily(provider) == ProviderFamily::Odbc) {
        const OdbcTranslation t = toOdbc(connectionString, QStringList());
        return fromOdbc(t.ok() ? t.odbc : connectionString);
    }
    return fromProvider(connectionString, provider);
}

QString connectionStringOf(const DataLinkSettings& settings, bool withPassword) {
    if (settings.source == DataLinkSettings::Source::Provider) return providerString(settings, withPassword);
    return odbcString(settings, withPassword);
}

QString optionsError(const QString& options) {
    const QList<ConnectionPart> parts = splitConnectionString(options);
    for (int i = 0; i < parts.size(); ++i)
        if (!parts[i].hasEquals)
            return ui_text(
                QStringLiteral("Weitere Optionen: Teil %1 hat nicht die Form Schlüssel=Wert.").arg(i + 1),
                QStringLiteral("Extra options: part %1 is not of the form key=value.").arg(i + 1));
    return {};
}

bool hasSource(const DataLinkSettings& s) {
    switch (s.source) {
    case DataLinkSettings::Source::Driver:
        return !s.driver.trimmed().isEmpty();
    case DataLinkSettings::Source::DataSource:
        return !s.dataSource.trimmed().isEmpty();
    case DataLinkSettings::Source::Provider:
        return !s.provider.trimmed().isEmpty();
    }
    return false;
}

} // namespace mv
