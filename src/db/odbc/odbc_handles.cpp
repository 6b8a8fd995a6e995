#include "db/odbc/odbc_handles.h"

#include "app/texts.h"

#include <mutex>

namespace mv::odbc {

namespace {

// "[unixODBC][Driver Manager]..." -> "[unixODBC][Driver Manager]": who wrote the message.
QString bracketPrefix(const QString& message) {
    qsizetype pos = 0;
    while (pos < message.size() && message.at(pos) == QLatin1Char('[')) {
        const qsizetype close = message.indexOf(QLatin1Char(']'), pos);
        if (close < 0) break;
        pos = close + 1;
    }
    return message.left(pos);
}

bool notSupportedState(const QString& state) {
    return state == QLatin1String("HYC00") || state == QLatin1String("IM001");
}

} // namespace

Environment::Environment() {
    SQLHANDLE env = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    if (!SQL_SUCCEEDED(rc) || env == SQL_NULL_HANDLE)
        throw DbError(DbError::Kind::Failed, ui_text("Der ODBC-Treibermanager stellt keine Umgebung bereit.",
                                                     "The ODBC driver manager gives no environment."));
    m_env = EnvHandle(env);
    check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3_80), 0),
          SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
}

std::shared_ptr<Environment> Environment::shared() {
    // Created on first use and kept for the whole run; pooled connections hold it too.
    static std::mutex mutex;
    static std::shared_ptr<Environment> instance;
    std::lock_guard lock(mutex);
    if (!instance) instance = std::make_shared<Environment>();
    return instance;
}

QString fromOdbc(const SQLCHAR* text, SQLLEN length) {
    if (!text) return {};
    const char* chars = reinterpret_cast<const char*>(text);
    if (length == SQL_NTS) return QString::fromUtf8(chars);
    if (length < 0) return {};
    return QString::fromUtf8(chars, qsizetype(length));
}

std::vector<DbDiagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle,
                                          const QString& fallbackSource) {
    std::vector<DbDiagnostic> records;
    if (handle == SQL_NULL_HANDLE) return records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[8] = {};
        SQLINTEGER native = 0;
        std::vector<SQLCHAR> message(1024);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, i, state, &native, message.data(),
                                     SQLSMALLINT(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(size_t(length) + 1);
            rc = SQLGetDiagRec(handleType, handle, i, state, &native, message.data(),
                               SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc)) break;
        DbDiagnostic d;
        d.sqlState = QString::fromLatin1(reinterpret_cast<const char*>(state)).trimmed();
        d.nativeError = long(native);
        d.message = fromOdbc(message.data(), textLength(length, message.size())).trimmed();
        d.source = bracketPrefix(d.message);
        if (d.source.isEmpty()) d.source = fallbackSource.isEmpty() ? QStringLiteral("ODBC") : fallbackSource;
        records.push_back(std::move(d));
        if (i >= 100) break; // a driver that never ends its list
    }
    return records;
}

DbError makeError(std::vector<DbDiagnostic> records, const char* operation) {
    if (records.empty()) {
        DbDiagnostic d;
        d.message = ui_text("Der ODBC-Aufruf %1 ist fehlgeschlagen; der Treiber gab keine Meldung.",
                            "The ODBC call %1 failed; the driver gave no message.")
                        .arg(QString::fromLatin1(operation));
        d.source = QStringLiteral("ODBC");
        records.push_back(d);
    }
    bool notSupported = false;
    QStringList lines;
    for (const DbDiagnostic& d : records) {
        if (notSupportedState(d.sqlState)) notSupported = true;
        lines << d.message;
    }
    return DbError(notSupported ? DbError::Kind::NotSupported : DbError::Kind::Failed,
                   lines.join(QLatin1Char('\n')), std::move(records));
}

SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation,
                const QString& source) {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return rc;
    if (rc == SQL_INVALID_HANDLE) {
        DbDiagnostic d;
        d.message = ui_text("Der ODBC-Aufruf %1 erhielt einen ungültigen Handle.",
                            "The ODBC call %1 was given an invalid handle.")
                        .arg(QString::fromLatin1(operation));
        d.source = QStringLiteral("ODBC");
        throw makeError({d}, operation);
    }
    throw makeError(readDiagnostics(handleType, handle, source), operation);
}

} // namespace mv::odbc
