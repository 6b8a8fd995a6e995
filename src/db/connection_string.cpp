#include "db/connection_string.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "db/odbc/odbc_sources.h"

namespace mv {
namespace {

const QString kMask = QStringLiteral("##########");

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QChar closerOf(QChar opener) {
    return opener == u'{' ? QChar(u'}') : opener;
}

// Reads an enclosed value starting at the opener; returns the position after the closer (or the
// end of the string when the closer is missing) and the content with doubled closers resolved.
qsizetype readEnclosed(const QString& cs, qsizetype opener, QString* content) {
    const QChar close = closerOf(cs[opener]);
    qsizetype p = opener + 1;
    while (p < cs.size()) {
        if (cs[p] == close) {
            if (p + 1 < cs.size() && cs[p + 1] == close) {
                content->append(close);
                p += 2;
                continue;
            }
            return p + 1;
        }
        content->append(cs[p]);
        ++p;
    }
    return p;
}

// Encloses a value again in the delimiter its raw form used.
QString reEnclose(const QString& rawValue, const QString& content) {
    qsizetype lead = 0;
    while (lead < rawValue.size() && isBlank(rawValue[lead]))
        ++lead;
    if (lead >= rawValue.size()) return content;
    const QChar open = rawValue[lead];
    if (open != u'{' && open != u'"' && open != u'\'') return content;
    const QChar close = closerOf(open);
    QString escaped = content;
    escaped.replace(close, QString(2, close));
    return rawValue.left(lead) + open + escaped + close;
}

bool isPasswordKey(const QString& trimmedKey) {
    const QString k = trimmedKey.toLower();
    return k.endsWith(QLatin1String("password")) || k.endsWith(QLatin1String("pwd"));
}

QString maskPasswords(const QString& cs, int depth) {
    const QList<ConnectionPart> parts = splitConnectionString(cs);
    QString out;
    qsizetype pos = 0;
    for (const ConnectionPart& p : parts) {
        if (!p.hasEquals) continue;
        const QString trimmed = p.trimmedKey();
        if (isPasswordKey(trimmed)) {
            QString key = p.key;
            if (trimmed.toLower().endsWith(QLatin1String("password"))) {
                qsizetype end = key.size();
                while (end > 0 && key[end - 1].isSpace())
                    --end;
                key.replace(end - 8, 8, QStringLiteral("Password"));
            }
            out += cs.mid(pos, p.keyStart - pos) + key + u'=' + kMask;
            pos = p.valueEnd;
        } else if (depth < 8 && p.value.contains(u'=')) {
            // A value that is itself a connection string (Extended Properties) may hold passwords too.
            const QString inner = maskPasswords(p.value, depth + 1);
            if (inner != p.value) {
                out += cs.mid(pos, p.valueStart - pos) +
                       (p.value == p.rawValue ? inner : reEnclose(p.rawValue, inner));
                pos = p.valueEnd;
            }
        }
    }
    out += cs.mid(pos);
    return out;
}

struct KnownProvider {
    const char* prefix; // compared without regard to case
    const char* reported;
    ProviderFamily family;
};

// The version-less names resolve to the versions the connection reports.
const KnownProvider kKnownProviders[] = {
    {"msdasql", "MSDASQL.1", ProviderFamily::Odbc},
    {"sqloledb", "SQLOLEDB.1", ProviderFamily::SqlServer},
    {"msdaora", "MSDAORA.1", ProviderFamily::Oracle},
    {"ibmdadb2", "IBMDADB2.1", ProviderFamily::Db2},
    {"microsoft.jet.oledb.4.0", "Microsoft.Jet.OLEDB.4.0", ProviderFamily::Jet},
    {"microsoft.jet.oledb.3.5", "Microsoft.Jet.OLEDB.3.5", ProviderFamily::Jet},
};

const KnownProvider* knownProvider(const QString& name) {
    const QString n = name.trimmed().toLower();
    for (const KnownProvider& k : kKnownProviders) {
        const QString prefix = QLatin1String(k.prefix);
        if (n == prefix || n == prefix + QLatin1String(".1")) return &k;
    }
    return nullptr;
}

const ConnectionPart* findPart(const QList<ConnectionPart>& parts, const char* key) {
    for (const ConnectionPart& p : parts)
        if (p.hasEquals && p.trimmedKey().compare(QLatin1String(key), Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}

// OLE DB properties that mean nothing to an ODBC driver.
bool isOleDbOnlyKey(const QString& lowerKey) {
    static const char* const keys[] = {"persist security info",
                                       "mode",
                                       "prompt",
                                       "window handle",
                                       "locale identifier",
                                       "ole db services",
                                       "connect timeout",
                                       "general timeout",
                                       "location",
                                       "protection level",
                                       "impersonation level",
                                       "bind flags",
                                       "cache authentication",
                                       "encrypt password",
                                       "mask password",
                                       "asynchronous processing"};
    for (const char* k : keys)
        if (lowerKey == QLatin1String(k)) return true;
    return false;
}

// The output parts of an ODBC string: a later value for a key replaces the earlier one in place.
class OdbcParts {
  public:
    void set(const QString& key, const QString& text) {
        const int i = indexOf(key);
        if (i >= 0)
            m_items[i].value = text;
        else
            m_items.append({key, text});
    }
    void addIfAbsent(const QString& key, const QString& text) {
        if (indexOf(key) < 0) m_items.append({key, text});
    }
    // The driver or data source comes first, as people write it; the rest keeps its order.
    bool anyValueContains(QChar c) const {
        for (const KeyValue& kv : m_items)
            if (kv.value.contains(c)) return true;
        return false;
    }
    QString join() const {
        QStringList first, rest;
        for (const KeyValue& kv : m_items) {
            const QString lower = kv.key.toLower();
            const bool names = lower == QLatin1String("driver") || lower == QLatin1String("dsn") ||
                               lower == QLatin1String("filedsn");
            (names ? first : rest) << kv.key + u'=' + kv.value;
        }
        return (first + rest).join(u';');
    }

  private:
    int indexOf(const QString& key) const {
        for (int i = 0; i < m_items.size(); ++i)
            if (m_items[i].key.compare(key, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
    QList<KeyValue> m_items;
};

QString badPartText(int number) {
    return ui_text(
        QStringLiteral("Der Connection String ist ungültig: Teil %1 hat nicht die Form Schlüssel=Wert.")
            .arg(number),
        QStringLiteral("The connection string is not valid: part %1 is not of the form key=value.")
            .arg(number));
}

// Number (1-based) of the first part without "=", or 0.
int firstBadPart(const QList<ConnectionPart>& parts) {
    for (int i = 0; i < parts.size(); ++i)
        if (!parts[i].hasEquals) return i + 1;
    return 0;
}

QString findDriver(const QStringList& installed, const QStringList& wanted) {
    for (const QString& w : wanted)
        for (const QString& d : installed)
            if (d.compare(w, Qt::CaseInsensitive) == 0) return d;
    for (const QString& w : wanted)
        for (const QString& d : installed)
            if (d.contains(w, Qt::CaseInsensitive)) return d;
    return {};
}

QString missingNamedDriver(const QString& provider, const char* driver, const char* package) {
    return ui_text(
        QStringLiteral(
            "Der Provider %1 braucht den ODBC-Treiber \"%2\"; er ist nicht installiert (Paket %3).")
            .arg(provider, QLatin1String(driver), QLatin1String(package)),
        QStringLiteral("The provider %1 needs the ODBC driver \"%2\", which is not installed (package %3).")
            .arg(provider, QLatin1String(driver), QLatin1String(package)));
}

QString missingDriverFor(const QString& provider, const char* database) {
    return ui_text(
        QStringLiteral("Der Provider %1 braucht einen ODBC-Treiber für %2; keiner ist installiert.")
            .arg(provider, QLatin1String(database)),
        QStringLiteral("The provider %1 needs an ODBC driver for %2, and none is installed.")
            .arg(provider, QLatin1String(database)));
}

QString semicolonInFileText(const QString& driver) {
    return ui_text(
        QStringLiteral("Der ODBC-Treiber %1 kann keinen Dateinamen mit \";\" öffnen.").arg(driver),
        QStringLiteral("The ODBC driver %1 cannot open a file name containing \";\".").arg(driver));
}

OdbcTranslation translateOdbc(const QList<ConnectionPart>& parts, OdbcTranslation t, const QString& user,
                              const QString& password) {
    const ConnectionPart* extended = findPart(parts, "extended properties");
    const QList<ConnectionPart> extendedParts =
        extended ? splitConnectionString(extended->value) : QList<ConnectionPart>();
    if (const int bad = firstBadPart(extendedParts)) {
        t.error = badPartText(bad);
        return t;
    }
    const ConnectionPart* driver = findPart(parts, "driver");
    if (!driver) driver = findPart(extendedParts, "driver");
    t.driver = driver ? driver->value.trimmed() : QString();
    t.readOnly = t.driver.contains(QLatin1String("mdbtools"), Qt::CaseInsensitive);
    const bool braces = driverTakesBraces(t.driver);

    // Drivers that take values literally would see the braces as part of the value.
    const auto passed = [braces](const ConnectionPart& p) {
        return !braces && p.rawValue.trimmed().startsWith(u'{') ? p.value : p.rawValue;
    };
    OdbcParts out;
    for (const ConnectionPart& p : parts) {
        const QString key = p.trimmedKey();
        const QString lower = key.toLower();
        if (lower == QLatin1String("provider") || isOleDbOnlyKey(lower)) continue;
        if (lower == QLatin1String("extended properties")) {
            for (const ConnectionPart& e : extendedParts)
                out.addIfAbsent(e.trimmedKey(), passed(e));
        } else if (lower == QLatin1String("data source")) {
            // Data Source names the data source; beside a driver it can only mean the server.
            out.set(driver ? QStringLiteral("SERVER") : QStringLiteral("DSN"), odbcValue(p.value, braces));
        } else if (lower == QLatin1String("user id")) {
            out.set(QStringLiteral("UID"), odbcValue(p.value, braces));
        } else if (lower == QLatin1String("password")) {
            out.set(QStringLiteral("PWD"), odbcValue(p.value, braces));
        } else if (lower == QLatin1String("initial catalog")) {
            out.set(QStringLiteral("DATABASE"), odbcValue(p.value, braces));
        } else {
            out.set(key, passed(p));
        }
    }
    if (!user.isEmpty()) out.set(QStringLiteral("UID"), odbcValue(user, braces));
    if (!password.isEmpty()) out.set(QStringLiteral("PWD"), odbcValue(password, braces));
    if (!braces && out.anyValueContains(u';')) {
        t.error = semicolonInFileText(t.driver);
        return t;
    }
    t.odbc = out.join();
    return t;
}

// Splits a SQL Server data source "tcp:host\instance,port" into server and port.
void splitSqlServerSource(QString source, QString* server, QString* port) {
    source = source.trimmed();
    if (source.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive)) source = source.mid(4);
    const qsizetype comma = source.lastIndexOf(u',');
    if (comma >= 0) {
        *port = source.mid(comma + 1).trimmed();
        source = source.left(comma).trimmed();
    }
    if (source == QLatin1String("(local)") || source == QLatin1String("."))
        source = QStringLiteral("localhost");
    *server = source;
}

bool isTrue(const QString& v) {
    const QString l = v.trimmed().toLower();
    return l == QLatin1String("sspi") || l == QLatin1String("true") || l == QLatin1String("yes");
}

OdbcTranslation translateProvider(const QList<ConnectionPart>& parts, ProviderFamily family,
                                  OdbcTranslation t, const QStringList& installed, const QString& user,
                                  const QString& password) {
    switch (family) {
    case ProviderFamily::Jet:
        t.driver = findDriver(installed, {QStringLiteral("MDBTools")});
        break;
    case ProviderFamily::SqlServer:
        t.driver = findDriver(installed, {QStringLiteral("FreeTDS"), QStringLiteral("SQL Server")});
        break;
    case ProviderFamily::Oracle:
        t.driver = findDriver(installed, {QStringLiteral("Oracle")});
        break;
    case ProviderFamily::Db2:
        t.driver = findDriver(installed, {QStringLiteral("DB2")});
        break;
    default:
        break;
    }
    if (t.driver.isEmpty()) {
        switch (family) {
        case ProviderFamily::Jet:
            t.error = missingNamedDriver(t.provider, "MDBTools", "odbc-mdbtools");
            break;
        case ProviderFamily::SqlServer:
            t.error = missingNamedDriver(t.provider, "FreeTDS", "tdsodbc");
            break;
        case ProviderFamily::Oracle:
            t.error = missingDriverFor(t.provider, "Oracle");
            break;
        default:
            t.error = missingDriverFor(t.provider, "DB2");
            break;
        }
        return t;
    }
    const bool braces = driverTakesBraces(t.driver);
    OdbcParts out;
    out.set(QStringLiteral("Driver"), odbcValue(t.driver));
    const ConnectionPart* source = findPart(parts, "data source");
    const QString sourceValue = source ? source->value.trimmed() : QString();

    if (family == ProviderFamily::Jet) {
        if (sourceValue.isEmpty()) {
            t.error = ui_text("Der Connection String nennt keine Datenbankdatei (Data Source).",
                              "The connection string names no database file (Data Source).");
            return t;
        }
        if (!braces && sourceValue.contains(u';')) {
            t.error = semicolonInFileText(t.driver);
            return t;
        }
        out.set(QStringLiteral("DBQ"), odbcValue(sourceValue, braces));
        t.readOnly = true;
        t.odbc = out.join();
        return t;
    }

    for (const ConnectionPart& p : parts) {
        const QString lower = p.trimmedKey().toLower();
        if (lower == QLatin1String("data source")) {
            if (family == ProviderFamily::SqlServer) {
                QString server, port;
                splitSqlServerSource(p.value, &server, &port);
                out.set(QStringLiteral("Server"), odbcValue(server, braces));
                if (!port.isEmpty()) out.set(QStringLiteral("Port"), odbcValue(port, braces));
            } else {
                out.set(family == ProviderFamily::Oracle ? QStringLiteral("DBQ") : QStringLiteral("Database"),
                        odbcValue(p.value.trimmed(), braces));
            }
        } else if (lower == QLatin1String("initial catalog") && family == ProviderFamily::SqlServer) {
            out.set(QStringLiteral("Database"), odbcValue(p.value, braces));
        } else if (lower == QLatin1String("user id")) {
            out.set(QStringLiteral("UID"), odbcValue(p.value, braces));
        } else if (lower == QLatin1String("password")) {
            out.set(QStringLiteral("PWD"), odbcValue(p.value, braces));
        } else if (family == ProviderFamily::SqlServer) {
            if (lower == QLatin1String("integrated security") && isTrue(p.value))
                out.set(QStringLiteral("Trusted_Connection"), QStringLiteral("Yes"));
            else if (lower == QLatin1String("application name"))
                out.set(QStringLiteral("APP"), odbcValue(p.value, braces));
            else if (lower == QLatin1String("workstation id"))
                out.set(QStringLiteral("WSID"), odbcValue(p.value, braces));
        }
    }
    if (!user.isEmpty()) out.set(QStringLiteral("UID"), odbcValue(user, braces));
    if (!password.isEmpty()) out.set(QStringLiteral("PWD"), odbcValue(password, braces));
    t.odbc = out.join();
    return t;
}

} // namespace

QList<ConnectionPart> splitConnectionString(const QString& cs) {
    QList<ConnectionPart> parts;
    const qsizetype n = cs.size();
    qsizetype i = 0;
    while (i < n) {
        ConnectionPart part;
        part.keyStart = i;
        qsizetype j = i;
        while (j < n && cs[j] != u'=' && cs[j] != u';')
            ++j;
        if (j >= n || cs[j] == u';') {
            part.key = cs.mid(i, j - i);
            part.valueStart = part.valueEnd = j;
            if (!part.key.trimmed().isEmpty()) parts.append(part);
            i = j + 1;
            continue;
        }
        part.key = cs.mid(i, j - i);
        part.hasEquals = true;
        part.valueStart = j + 1;
        qsizetype v = j + 1;
        while (v < n && isBlank(cs[v]))
            ++v;
        qsizetype end;
        if (v < n && (cs[v] == u'{' || cs[v] == u'"' || cs[v] == u'\'')) {
            const qsizetype after = readEnclosed(cs, v, &part.value);
            end = after;
            while (end < n && cs[end] != u';')
                ++end;
            // Text between the closer and the ";" still belongs to the value.
            const QString tail = cs.mid(after, end - after);
            if (!tail.trimmed().isEmpty()) part.value += tail;
        } else {
            end = j + 1;
            while (end < n && cs[end] != u';')
                ++end;
            part.value = cs.mid(j + 1, end - j - 1);
        }
        part.valueEnd = end;
        part.rawValue = cs.mid(j + 1, end - j - 1);
        parts.append(part);
        i = end + 1;
    }
    return parts;
}

bool ConnectionKeys::contains(const QString& key) const {
    return find(key).has_value();
}

std::optional<QString> ConnectionKeys::find(const QString& key) const {
    for (const KeyValue& kv : m_items)
        if (kv.key.compare(key, Qt::CaseInsensitive) == 0) return kv.value;
    return std::nullopt;
}

QString ConnectionKeys::value(const QString& key) const {
    return find(key).value_or(QString());
}

bool ConnectionKeys::add(const QString& key, const QString& value) {
    if (contains(key)) return false;
    m_items.append({key, value});
    return true;
}

std::optional<ConnectionKeys> parseConnectionKeys(const QString& cs, QString* error) {
    const QList<ConnectionPart> parts = splitConnectionString(cs);
    ConnectionKeys keys;
    for (int i = 0; i < parts.size(); ++i) {
        const ConnectionPart& p = parts[i];
        if (!p.hasEquals) {
            if (error) *error = badPartText(i + 1);
            return std::nullopt;
        }
        if (!keys.add(p.key, p.value)) {
            if (error)
                *error = ui_text(
                    QStringLiteral("Der Schlüssel \"%1\" kommt im Connection String zweimal vor.").arg(p.key),
                    QStringLiteral("The key \"%1\" occurs twice in the connection string.").arg(p.key));
            return std::nullopt;
        }
    }
    return keys;
}

std::optional<ConnectionKeys> ParseConnectionString(const QString& cs) {
    return guarded(Reporter::ErrorMsg, "ParseConnectionString", "Globals", std::optional<ConnectionKeys>(),
                   [&]() -> std::optional<ConnectionKeys> {
                       QString error;
                       std::optional<ConnectionKeys> keys = parseConnectionKeys(cs, &error);
                       if (!keys)
                           DispErrorMsg(error, err::InvalidProcedureCall, "ParseConnectionString", "Globals");
                       return keys;
                   });
}

QString HidePassword(const QString& cs) {
    return guarded(Reporter::ErrorMsg, "HidePassword", "Globals", QString(),
                   [&] { return maskPasswords(cs, 0); });
}

QString providerOf(const QString& cs) {
    const QList<ConnectionPart> parts = splitConnectionString(cs);
    const ConnectionPart* p = findPart(parts, "provider");
    if (!p) return QStringLiteral("MSDASQL.1");
    if (const KnownProvider* k = knownProvider(p->value)) return QLatin1String(k->reported);
    return p->value.trimmed();
}

ProviderFamily providerFamily(const QString& provider) {
    if (const KnownProvider* k = knownProvider(provider)) return k->family;
    const QString l = provider.trimmed().toLower();
    if (l.startsWith(QLatin1String("microsoft.jet.oledb")) ||
        l.startsWith(QLatin1String("microsoft.ace.oledb")))
        return ProviderFamily::Jet;
    if (l.startsWith(QLatin1String("sqlncli")) || l.startsWith(QLatin1String("msoledbsql")))
        return ProviderFamily::SqlServer;
    return ProviderFamily::Other;
}

bool driverTakesBraces(const QString& driverName) {
    return !driverName.contains(QLatin1String("sqlite"), Qt::CaseInsensitive) &&
           !driverName.contains(QLatin1String("mdbtools"), Qt::CaseInsensitive);
}

QString odbcValue(const QString& value, bool bracesAllowed) {
    if (!bracesAllowed) return value;
    const bool needs = value.contains(u';') || value.contains(u'=') || value.contains(u'{') ||
                       value.contains(u'}') ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needs) return value;
    QString escaped = value;
    escaped.replace(QLatin1String("}"), QLatin1String("}}"));
    return u'{' + escaped + u'}';
}

OdbcTranslation toOdbc(const QString& cs, const QStringList& installedDrivers, const QString& user,
                       const QString& password) {
    OdbcTranslation t;
    t.provider = providerOf(cs);
    const QList<ConnectionPart> parts = splitConnectionString(cs);
    if (const int bad = firstBadPart(parts)) {
        t.error = badPartText(bad);
        return t;
    }
    const ProviderFamily family = providerFamily(t.provider);
    if (family == ProviderFamily::Odbc) return translateOdbc(parts, t, user, password);
    if (family == ProviderFamily::Other) {
        t.error = ui_text(
            QStringLiteral("Der Provider %1 hat auf diesem System keine ODBC-Entsprechung.").arg(t.provider),
            QStringLiteral("The provider %1 has no ODBC counterpart on this system.").arg(t.provider));
        return t;
    }
    return translateProvider(parts, family, t, installedDrivers, user, password);
}

OdbcTranslation toOdbc(const QString& cs, const QString& user, const QString& password) {
    return toOdbc(cs, odbc::installedDriverNames(), user, password);
}

} // namespace mv
