#pragma once
// The ODBC handles as move-only owners, the process's one environment, and the one checking
// function every SQL* call goes through.
#include "db/db_access.h"

#include <sql.h>
#include <sqlext.h>

#include <QString>
#include <memory>
#include <vector>

namespace mv::odbc {

// Owns one ODBC handle of the given type and frees it; never throws.
template <SQLSMALLINT HandleType> class Handle {
  public:
    Handle() = default;
    explicit Handle(SQLHANDLE handle) : m_handle(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : m_handle(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            m_handle = other.release();
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }
    SQLHANDLE release() {
        SQLHANDLE h = m_handle;
        m_handle = SQL_NULL_HANDLE;
        return h;
    }
    void reset() {
        if (m_handle != SQL_NULL_HANDLE) SQLFreeHandle(HandleType, m_handle);
        m_handle = SQL_NULL_HANDLE;
    }

  private:
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

using EnvHandle = Handle<SQL_HANDLE_ENV>;
using DbcHandle = Handle<SQL_HANDLE_DBC>;
using StmtHandle = Handle<SQL_HANDLE_STMT>;

// The process's ODBC environment (ODBC 3.80). Connections keep it alive through the shared
// pointer, so it is freed only after the last of them.
class Environment {
  public:
    static std::shared_ptr<Environment> shared();
    SQLHENV handle() const { return m_env.get(); }

    Environment(); // throws DbError when the driver manager cannot give an environment
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

  private:
    EnvHandle m_env;
};

// Every diagnostic record of the handle (after the last call on it).
std::vector<DbDiagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle,
                                          const QString& fallbackSource = {});

// The one checking function: returns rc when it is a success (with or without information) or
// SQL_NO_DATA; otherwise throws DbError carrying every diagnostic record of the handle. Records
// with SQLSTATE HYC00 or IM001 (the driver lacks the function) give kind NotSupported.
// `operation` names the call for the message when the driver left no record.
SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation,
                const QString& source = {});

// The DbError for a failed call whose diagnostics were already read.
DbError makeError(std::vector<DbDiagnostic> records, const char* operation);

// The text length an ODBC call reported, limited to what fits in its buffer (terminator aside).
inline SQLLEN textLength(SQLLEN reported, size_t bufferSize) {
    const SQLLEN room = SQLLEN(bufferSize) - 1;
    return reported < 0 ? 0 : (reported > room ? room : reported);
}

// UTF-8 text of an ODBC character buffer of the given length (SQL_NTS: zero-terminated).
QString fromOdbc(const SQLCHAR* text, SQLLEN length = SQL_NTS);

} // namespace mv::odbc
