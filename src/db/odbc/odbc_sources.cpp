#include "db/odbc/odbc_sources.h"

#include <sql.h>
#include <sqlext.h>

#include <vector>

namespace mv::odbc {
namespace {

// An environment handle of its own, so listing works before and apart from any connection.
class ListingEnvironment {
  public:
    ListingEnvironment() {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env))) {
            m_env = SQL_NULL_HENV;
            return;
        }
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    ~ListingEnvironment() {
        if (m_env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    ListingEnvironment(const ListingEnvironment&) = delete;
    ListingEnvironment& operator=(const ListingEnvironment&) = delete;
    SQLHENV handle() const { return m_env; }

  private:
    SQLHENV m_env = SQL_NULL_HENV;
};

QString text(const SQLCHAR* buffer, SQLSMALLINT length, std::size_t capacity) {
    const std::size_t n =
        length < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(length), capacity - 1);
    return QString::fromUtf8(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(n));
}

void appendDataSources(SQLHENV env, SQLUSMALLINT first, bool system, QList<DataSourceEntry>* out) {
    std::vector<SQLCHAR> name(SQL_MAX_DSN_LENGTH * 4 + 1), description(1024);
    SQLUSMALLINT direction = first;
    for (;;) {
        SQLSMALLINT nameLength = 0, descriptionLength = 0;
        const SQLRETURN rc = SQLDataSources(
            env, direction, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength,
            description.data(), static_cast<SQLSMALLINT>(description.size()), &descriptionLength);
        if (!SQL_SUCCEEDED(rc)) break;
        direction = SQL_FETCH_NEXT;
        out->append({text(name.data(), nameLength, name.size()),
                     text(description.data(), descriptionLength, description.size()), system});
    }
}

} // namespace

bool DriverEntry::usesFile() const {
    if (attributes.value(QStringLiteral("FileUsage")).trimmed() == QLatin1String("1")) return true;
    return name.contains(QLatin1String("sqlite"), Qt::CaseInsensitive) ||
           name.contains(QLatin1String("mdbtools"), Qt::CaseInsensitive);
}

QMap<QString, QString> parseDriverAttributes(const char* list, qsizetype size) {
    QMap<QString, QString> attributes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (list[i] != '\0') continue;
        if (i == start) break; // the empty entry ends the list
        const QString entry = QString::fromUtf8(list + start, i - start);
        const qsizetype eq = entry.indexOf(u'=');
        if (eq > 0) attributes.insert(entry.left(eq).trimmed(), entry.mid(eq + 1).trimmed());
        start = i + 1;
    }
    return attributes;
}

QList<DriverEntry> listDrivers() {
    QList<DriverEntry> drivers;
    ListingEnvironment env;
    if (env.handle() == SQL_NULL_HENV) return drivers;
    std::vector<SQLCHAR> name(1024), attributes(16384);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        const SQLRETURN rc = SQLDrivers(env.handle(), direction, name.data(),
                                        static_cast<SQLSMALLINT>(name.size()), &nameLength, attributes.data(),
                                        static_cast<SQLSMALLINT>(attributes.size()), &attributesLength);
        if (!SQL_SUCCEEDED(rc)) break;
        direction = SQL_FETCH_NEXT;
        const qsizetype used = std::min<qsizetype>(attributesLength < 0 ? 0 : attributesLength + 1,
                                                   static_cast<qsizetype>(attributes.size()));
        drivers.append({text(name.data(), nameLength, name.size()),
                        parseDriverAttributes(reinterpret_cast<const char*>(attributes.data()), used)});
    }
    return drivers;
}

QList<DataSourceEntry> listDataSources() {
    QList<DataSourceEntry> sources;
    ListingEnvironment env;
    if (env.handle() == SQL_NULL_HENV) return sources;
    appendDataSources(env.handle(), SQL_FETCH_FIRST_USER, false, &sources);
    appendDataSources(env.handle(), SQL_FETCH_FIRST_SYSTEM, true, &sources);
    return sources;
}

QStringList installedDriverNames() {
    QStringList names;
    for (const DriverEntry& d : listDrivers())
        names << d.name;
    return names;
}

} // namespace mv::odbc
