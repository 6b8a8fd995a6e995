#pragma once
// One ODBC statement handle: direct execution, result description, more results, long values in
// chunks, and the catalog functions. Move-only; the handle is freed in the destructor.
#include "db/odbc/odbc_connection.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace mv::odbc {

struct ColumnDescription {
    QString name;
    SQLSMALLINT sqlType = SQL_UNKNOWN_TYPE;
    SQLULEN size = 0;         // as the driver declares it (characters, digits or bytes)
    SQLSMALLINT decimals = 0; // scale of exact numbers, fraction digits of date-times
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
    bool isUnsigned = false;
    QString typeName; // the data source's own name of the type
};

// A catalog argument: nothing is NULL (no restriction), a value is passed as written.
using CatalogArg = std::optional<QString>;

class Statement {
  public:
    explicit Statement(const Connection& connection);
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT handle() const { return m_stmt.get(); }
    const Connection& connection() const { return *m_connection; }

    void setAttr(SQLINTEGER attribute, SQLULEN value);
    void setAttrPointer(SQLINTEGER attribute, SQLPOINTER value);
    bool trySetAttr(SQLINTEGER attribute, SQLULEN value) noexcept;

    // SQLExecDirect. True when the driver ran it and reported SQL_SUCCESS(_WITH_INFO); false for
    // SQL_NO_DATA (an UPDATE or DELETE that touched no row). Throws on failure.
    bool execDirect(const QByteArray& utf8Sql);
    SQLSMALLINT numResultCols();
    // SQLRowCount; -1 when the driver does not tell (some leave the output unwritten).
    SQLLEN rowCount();
    // SQLMoreResults: true when the next result is ready.
    bool moreResults();
    ColumnDescription describe(SQLUSMALLINT column);
    std::vector<ColumnDescription> describeAll();

    // Informational records of the calls so far (notices, warnings); taken once.
    std::vector<DbDiagnostic> takeMessages();
    // Keeps the records of the last call when it returned SQL_SUCCESS_WITH_INFO (except the
    // warnings about values cut at their buffer, which the reader handles).
    void collectInfo(SQLRETURN rc);

    // Closes an open cursor; never throws.
    void closeCursor() noexcept;
    // SQLCancel; never throws. Safe from another thread while SQLExecDirect runs.
    void cancel() noexcept;

    // One whole value by SQLGetData in chunks (text as SQL_C_CHAR, bytes as SQL_C_BINARY). Nothing
    // for Null.
    std::optional<QByteArray> getLong(SQLUSMALLINT column, SQLSMALLINT cType, size_t firstChunk = 32 * 1024);

    void tables(const CatalogArg& catalog, const CatalogArg& schema, const CatalogArg& table,
                const CatalogArg& types);
    void columns(const CatalogArg& catalog, const CatalogArg& schema, const CatalogArg& table,
                 const CatalogArg& column);
    void primaryKeys(const CatalogArg& catalog, const CatalogArg& schema, const QString& table);
    void statistics(const CatalogArg& catalog, const CatalogArg& schema, const QString& table);
    void procedures(const CatalogArg& catalog, const CatalogArg& schema, const CatalogArg& procedure);
    void procedureColumns(const CatalogArg& catalog, const CatalogArg& schema, const CatalogArg& procedure,
                          const CatalogArg& column);
    void typeInfo(SQLSMALLINT dataType = SQL_ALL_TYPES);

    // Walking a catalog result cell by cell (SQLFetch + SQLGetData as text).
    bool fetchRow();
    std::optional<QString> text(SQLUSMALLINT column);
    std::optional<qint64> integer(SQLUSMALLINT column);

  private:
    SQLRETURN checked(SQLRETURN rc, const char* operation);

    const Connection* m_connection;
    StmtHandle m_stmt;
    std::vector<DbDiagnostic> m_messages;
    std::vector<char> m_buffer; // for getLong
};

} // namespace mv::odbc
