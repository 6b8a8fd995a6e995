#include "db/odbc/odbc_connection.h"

#include "db/connection_string.h"

#include <vector>

namespace mv::odbc {

DriverFamily familyOf(const QString& driverName, const QString& dbmsName) {
    const QString driver = driverName.toLower();
    const QString dbms = dbmsName.toLower();
    if (driver.contains(QLatin1String("sqlite")) || dbms == QLatin1String("sqlite"))
        return DriverFamily::SQLite;
    if (driver.contains(QLatin1String("psqlodbc")) || dbms == QLatin1String("postgresql"))
        return DriverFamily::PostgreSQL;
    // The MariaDB connector misreads some statements whichever server it talks to.
    if (driver.contains(QLatin1String("maodbc"))) return DriverFamily::MariaDB;
    if (driver.contains(QLatin1String("mdb"))) return DriverFamily::MDBTools;
    if (dbms == QLatin1String("mariadb") || dbms == QLatin1String("mysql")) return DriverFamily::MariaDB;
    return DriverFamily::Other;
}

Connection::Connection(std::shared_ptr<Environment> env) : m_env(std::move(env)) {
    SQLHANDLE dbc = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_DBC, m_env->handle(), &dbc), SQL_HANDLE_ENV, m_env->handle(),
          "SQLAllocHandle");
    m_dbc = DbcHandle(dbc);
}

Connection::~Connection() {
    disconnect();
}

Connection::Connection(Connection&& other) noexcept
    : m_env(std::move(other.m_env)), m_dbc(std::move(other.m_dbc)), m_connected(other.m_connected),
      m_autocommit(other.m_autocommit), m_completed(std::move(other.m_completed)),
      m_driverName(std::move(other.m_driverName)), m_family(other.m_family) {
    other.m_connected = false;
}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        disconnect();
        m_dbc = std::move(other.m_dbc);
        m_env = std::move(other.m_env);
        m_connected = other.m_connected;
        m_autocommit = other.m_autocommit;
        m_completed = std::move(other.m_completed);
        m_driverName = std::move(other.m_driverName);
        m_family = other.m_family;
        other.m_connected = false;
    }
    return *this;
}

void Connection::connect(const QString& connectionString, int loginTimeoutSeconds) {
    if (m_connected) disconnect();
    SQLHDBC dbc = m_dbc.get();
    if (loginTimeoutSeconds > 0)
        SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(SQLULEN(loginTimeoutSeconds)), 0);
    QByteArray in = connectionString.toUtf8();
    std::vector<SQLCHAR> out(4096);
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc =
        SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQLSMALLINT(in.size()),
                         out.data(), SQLSMALLINT(out.size()), &outLength, SQL_DRIVER_NOPROMPT);
    check(rc, SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    m_connected = true;
    m_autocommit = true;
    m_completed = fromOdbc(out.data(), textLength(outLength, out.size()));
    m_driverName = tryInfoText(SQL_DRIVER_NAME).value_or(QString());
    // MDBTools answers hardly any information request: the string names the driver then.
    if (m_driverName.isEmpty())
        for (const ConnectionPart& part : splitConnectionString(connectionString))
            if (part.trimmedKey().compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0)
                m_driverName = part.value.trimmed();
    m_family = familyOf(m_driverName, tryInfoText(SQL_DBMS_NAME).value_or(QString()));
}

void Connection::disconnect() noexcept {
    if (!m_connected || !m_dbc) return;
    SQLHDBC dbc = m_dbc.get();
    // SQLDisconnect refuses while a transaction is open.
    if (!m_autocommit) SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
    SQLDisconnect(dbc);
    m_connected = false;
    m_autocommit = true;
}

QString Connection::infoText(SQLUSMALLINT infoType) const {
    std::vector<SQLCHAR> buffer(512);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetInfo(m_dbc.get(), infoType, buffer.data(), SQLSMALLINT(buffer.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(buffer.size())) {
        buffer.resize(size_t(length) + 1);
        rc = SQLGetInfo(m_dbc.get(), infoType, buffer.data(), SQLSMALLINT(buffer.size()), &length);
    }
    check(rc, SQL_HANDLE_DBC, m_dbc.get(), "SQLGetInfo", m_driverName);
    return fromOdbc(buffer.data(), textLength(length, buffer.size()));
}

std::optional<QString> Connection::tryInfoText(SQLUSMALLINT infoType) const noexcept {
    try {
        return infoText(infoType);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<quint32> Connection::tryInfoUInt(SQLUSMALLINT infoType) const noexcept {
    SQLUINTEGER value = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(m_dbc.get(), infoType, &value, sizeof value, nullptr))) return std::nullopt;
    return quint32(value);
}

std::optional<quint16> Connection::tryInfoUShort(SQLUSMALLINT infoType) const noexcept {
    SQLUSMALLINT value = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(m_dbc.get(), infoType, &value, sizeof value, nullptr))) return std::nullopt;
    return quint16(value);
}

void Connection::setAutocommit(bool on) {
    check(SQLSetConnectAttr(
              m_dbc.get(), SQL_ATTR_AUTOCOMMIT,
              reinterpret_cast<SQLPOINTER>(SQLULEN(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)), 0),
          SQL_HANDLE_DBC, m_dbc.get(), "SQLSetConnectAttr", m_driverName);
    m_autocommit = on;
}

void Connection::endTransaction(bool commit) {
    check(SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), commit ? SQL_COMMIT : SQL_ROLLBACK), SQL_HANDLE_DBC,
          m_dbc.get(), "SQLEndTran", m_driverName);
}

bool Connection::dead() const noexcept {
    if (!m_connected) return true;
    SQLUINTEGER value = SQL_CD_FALSE;
    if (!SQL_SUCCEEDED(SQLGetConnectAttr(m_dbc.get(), SQL_ATTR_CONNECTION_DEAD, &value, 0, nullptr)))
        return false;
    return value == SQL_CD_TRUE;
}

} // namespace mv::odbc
