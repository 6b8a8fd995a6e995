#pragma once
// One physical ODBC connection: connect by connection string (narrow API, UTF-8), information
// values, autocommit and transaction end. Move-only; the destructor rolls back an open transaction
// and disconnects without throwing.
#include "db/odbc/odbc_handles.h"

#include <QString>
#include <memory>
#include <optional>

namespace mv::odbc {

// The drivers whose quirks the layer works around.
enum class DriverFamily { Other, SQLite, PostgreSQL, MariaDB, MDBTools };

class Connection {
  public:
    explicit Connection(std::shared_ptr<Environment> env = Environment::shared());
    ~Connection();
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // SQLDriverConnect without prompting. Throws DbError with the driver's records on failure.
    void connect(const QString& connectionString, int loginTimeoutSeconds = 15);
    void disconnect() noexcept;
    bool connected() const { return m_connected; }

    SQLHDBC handle() const { return m_dbc.get(); }
    // The string the driver completed (all keys it used), as SQLDriverConnect returned it.
    const QString& completedConnectionString() const { return m_completed; }
    DriverFamily family() const { return m_family; }
    const QString& driverName() const { return m_driverName; }

    // SQLGetInfo; the try-forms give nothing where the driver has no answer (MDBTools fails most).
    QString infoText(SQLUSMALLINT infoType) const;
    std::optional<QString> tryInfoText(SQLUSMALLINT infoType) const noexcept;
    std::optional<quint32> tryInfoUInt(SQLUSMALLINT infoType) const noexcept;
    std::optional<quint16> tryInfoUShort(SQLUSMALLINT infoType) const noexcept;

    void setAutocommit(bool on);
    bool autocommit() const { return m_autocommit; }
    // SQLEndTran on this connection.
    void endTransaction(bool commit);

    // The driver says the connection is gone (SQL_ATTR_CONNECTION_DEAD); false when it cannot tell.
    bool dead() const noexcept;

  private:
    std::shared_ptr<Environment> m_env;
    DbcHandle m_dbc;
    bool m_connected = false;
    bool m_autocommit = true;
    QString m_completed;
    QString m_driverName;
    DriverFamily m_family = DriverFamily::Other;
};

DriverFamily familyOf(const QString& driverName, const QString& dbmsName);

} // namespace mv::odbc
