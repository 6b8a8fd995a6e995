#include "db/db_engines.h"

#include "app/texts.h"
#include "db/connection_string.h"
#include "db/mariadb/mariadb_db_connection.h"
#include "db/odbc/odbc_pool.h"
#include "db/pg/pg_db_connection.h"

#include <atomic>
#include <mutex>

namespace mv {

namespace {

std::atomic<bool> s_nativeEnabled{true};
std::atomic<quint64> s_poolGeneration{0};

const QString EngineKey = QStringLiteral("Engine");

QString driverOf(const ConnectionKeys& keys) {
    QString driver = keys.value(QStringLiteral("Driver")).trimmed();
    if (driver.startsWith(u'{') && driver.endsWith(u'}')) driver = driver.mid(1, driver.size() - 2).trimmed();
    return driver.toLower();
}

// One connection whose engine is chosen by the string each open() is given. Only the engine's
// connection does the work; this forwards, and keeps the string as it was given.
class EngineConnection final : public DbConnection {
  public:
    void open(const QString& connectionString) override {
        // A disconnected connection reopens with the same string for every statement: it is
        // read once.
        const bool native = nativeEnginesEnabled();
        if (connectionString != m_connectionString || m_given.isEmpty() || native != m_chosenNative) {
            m_chosen = engineFor(connectionString);
            m_chosenNative = native;
            m_given = withoutEngineKey(connectionString);
        }
        const DbEngine engine = m_chosen;
        if (!m_inner || engine != m_engine) {
            if (m_inner) m_inner->disconnect();
            std::unique_ptr<DbConnection> inner;
            switch (engine) {
            case DbEngine::Sqlite:
                inner = sqlite::createConnection();
                break;
            case DbEngine::Postgres:
                inner = pg::createConnection();
                break;
            case DbEngine::MariaDb:
                inner = mariadb::createConnection();
                break;
            case DbEngine::Odbc:
                inner = odbc::createConnection();
                break;
            }
            std::lock_guard lock(m_mutex);
            m_inner = std::move(inner);
            m_engine = engine;
        }
        m_connectionString = connectionString;
        m_inner->open(m_given);
    }
    void close() override {
        if (m_inner) m_inner->close();
    }
    void disconnect() override {
        if (m_inner) m_inner->disconnect();
    }
    bool isOpen() const override { return m_inner && m_inner->isOpen(); }
    QString connectionString() const override { return m_connectionString; }

    ExecResult execute(const QString& sql, const ExecOptions& options) override {
        return inner().execute(sql, options);
    }
    void cancel() override {
        std::lock_guard lock(m_mutex);
        if (m_inner) m_inner->cancel();
    }

    void beginTransaction() override { inner().beginTransaction(); }
    void commitTransaction() override { inner().commitTransaction(); }
    void rollbackTransaction() override { inner().rollbackTransaction(); }
    bool inTransaction() const override { return m_inner && m_inner->inTransaction(); }
    bool sessionTransactionOpen() const override { return m_inner && m_inner->sessionTransactionOpen(); }

    const DbInfo& info() const override { return m_inner ? m_inner->info() : m_noInfo; }
    QList<DbProperty> properties() const override { return m_inner ? m_inner->properties() : QList<DbProperty>{}; }

    Recordset openSchema(SchemaKind kind, const SchemaRestrictions& restrictions) override {
        return inner().openSchema(kind, restrictions);
    }

  private:
    DbConnection& inner() {
        if (!m_inner)
            throw DbError(DbError::Kind::NotOpen,
                          ui_text("Die Verbindung ist nicht geöffnet.", "The connection is not open."));
        return *m_inner;
    }

    // Guards the engine's connection against a cancel from another thread while open() replaces it.
    std::mutex m_mutex;
    std::unique_ptr<DbConnection> m_inner;
    DbEngine m_engine = DbEngine::Odbc;
    QString m_connectionString;
    DbEngine m_chosen = DbEngine::Odbc; // the engine and string for m_connectionString
    bool m_chosenNative = true;
    QString m_given;
    DbInfo m_noInfo;
};

} // namespace

DbEngine engineFor(const QString& odbcString) {
    const std::optional<ConnectionKeys> keys = parseConnectionKeys(odbcString);
    if (!keys) return DbEngine::Odbc;
    for (const KeyValue& kv : keys->items())
        if (kv.key.trimmed().compare(EngineKey, Qt::CaseInsensitive) == 0 &&
            kv.value.trimmed().compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0)
            return DbEngine::Odbc;
    if (!nativeEnginesEnabled() || keys->contains(QStringLiteral("DSN")) ||
        keys->contains(QStringLiteral("FILEDSN")))
        return DbEngine::Odbc;
    const QString driver = driverOf(*keys);
    // "SQLite" without the 3 is the driver for SQLite 2 files, which the library cannot open.
    if (driver == QLatin1String("sqlite3") || driver.contains(QLatin1String("sqlite3 odbc")) ||
        driver.contains(QLatin1String("libsqlite3odbc")))
        return DbEngine::Sqlite;
    if (driver.startsWith(QLatin1String("postgresql")) || driver.contains(QLatin1String("psqlodbc")))
        return DbEngine::Postgres;
    if (driver.startsWith(QLatin1String("mariadb")) || driver.contains(QLatin1String("maodbc")) ||
        driver.startsWith(QLatin1String("mysql")) || driver.contains(QLatin1String("myodbc")))
        return DbEngine::MariaDb;
    return DbEngine::Odbc;
}

QString withoutEngineKey(const QString& odbcString) {
    const QList<ConnectionPart> parts = splitConnectionString(odbcString);
    QString result = odbcString;
    // From the end, so the earlier positions stay valid; the ";" after the part goes with it.
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (it->trimmedKey().compare(EngineKey, Qt::CaseInsensitive) != 0) continue;
        qsizetype end = it->valueEnd;
        if (end < result.size() && result[end] == u';') ++end;
        result.remove(it->keyStart, end - it->keyStart);
    }
    return result;
}

QString engineName(DbEngine engine) {
    switch (engine) {
    case DbEngine::Sqlite:
        return QStringLiteral("SQLite (native)");
    case DbEngine::Postgres:
        return QStringLiteral("PostgreSQL (native)");
    case DbEngine::MariaDb:
        return QStringLiteral("MariaDB (native)");
    case DbEngine::Odbc:
        break;
    }
    return QStringLiteral("ODBC");
}

void setNativeEnginesEnabled(bool enabled) {
    s_nativeEnabled = enabled;
}

bool nativeEnginesEnabled() {
    return s_nativeEnabled.load();
}

std::unique_ptr<DbConnection> createDbConnection() {
    return std::make_unique<EngineConnection>();
}

quint64 poolGeneration() {
    return s_poolGeneration.load();
}

void closePooledConnections() {
    ++s_poolGeneration;
    odbc::ConnectionPool::instance().clear();
    pg::closeIdleConnections();
    mariadb::closeIdleConnections();
}

} // namespace mv
