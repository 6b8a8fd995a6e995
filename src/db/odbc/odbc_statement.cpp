#include "db/odbc/odbc_statement.h"

#include <algorithm>

namespace mv::odbc {

namespace {

// Keeps the UTF-8 bytes of a catalog argument alive for the call.
struct Arg {
    explicit Arg(const CatalogArg& value) : isNull(!value.has_value()) {
        if (value) bytes = value->toUtf8();
    }
    SQLCHAR* ptr() { return isNull ? nullptr : reinterpret_cast<SQLCHAR*>(bytes.data()); }
    SQLSMALLINT len() const { return isNull ? 0 : SQLSMALLINT(bytes.size()); }
    QByteArray bytes;
    bool isNull;
};

} // namespace

Statement::Statement(const Connection& connection) : m_connection(&connection) {
    SQLHANDLE stmt = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &stmt), SQL_HANDLE_DBC, connection.handle(),
          "SQLAllocHandle", connection.driverName());
    m_stmt = StmtHandle(stmt);
}

SQLRETURN Statement::checked(SQLRETURN rc, const char* operation) {
    check(rc, SQL_HANDLE_STMT, m_stmt.get(), operation, m_connection->driverName());
    collectInfo(rc);
    return rc;
}

void Statement::collectInfo(SQLRETURN rc) {
    if (rc != SQL_SUCCESS_WITH_INFO) return;
    for (DbDiagnostic& d : readDiagnostics(SQL_HANDLE_STMT, m_stmt.get(), m_connection->driverName())) {
        // A value cut at its buffer is read again whole: no news for the user.
        if (d.sqlState == QLatin1String("01004")) continue;
        m_messages.push_back(std::move(d));
    }
}

std::vector<DbDiagnostic> Statement::takeMessages() {
    return std::exchange(m_messages, {});
}

void Statement::setAttr(SQLINTEGER attribute, SQLULEN value) {
    checked(SQLSetStmtAttr(m_stmt.get(), attribute, reinterpret_cast<SQLPOINTER>(value), 0),
            "SQLSetStmtAttr");
}

void Statement::setAttrPointer(SQLINTEGER attribute, SQLPOINTER value) {
    checked(SQLSetStmtAttr(m_stmt.get(), attribute, value, 0), "SQLSetStmtAttr");
}

bool Statement::trySetAttr(SQLINTEGER attribute, SQLULEN value) noexcept {
    return SQL_SUCCEEDED(SQLSetStmtAttr(m_stmt.get(), attribute, reinterpret_cast<SQLPOINTER>(value), 0));
}

bool Statement::execDirect(const QByteArray& utf8Sql) {
    QByteArray sql = utf8Sql;
    const SQLRETURN rc =
        SQLExecDirect(m_stmt.get(), reinterpret_cast<SQLCHAR*>(sql.data()), SQLINTEGER(sql.size()));
    return checked(rc, "SQLExecDirect") != SQL_NO_DATA;
}

SQLSMALLINT Statement::numResultCols() {
    SQLSMALLINT count = 0;
    checked(SQLNumResultCols(m_stmt.get(), &count), "SQLNumResultCols");
    return count;
}

SQLLEN Statement::rowCount() {
    SQLLEN count = -1; // psqlODBC leaves it unwritten after some statements
    checked(SQLRowCount(m_stmt.get(), &count), "SQLRowCount");
    return count;
}

bool Statement::moreResults() {
    return checked(SQLMoreResults(m_stmt.get()), "SQLMoreResults") != SQL_NO_DATA;
}

ColumnDescription Statement::describe(SQLUSMALLINT column) {
    ColumnDescription d;
    std::vector<SQLCHAR> name(256);
    SQLSMALLINT nameLength = 0;
    SQLRETURN rc = SQLDescribeCol(m_stmt.get(), column, name.data(), SQLSMALLINT(name.size()), &nameLength,
                                  &d.sqlType, &d.size, &d.decimals, &d.nullable);
    if (rc == SQL_SUCCESS_WITH_INFO && nameLength >= SQLSMALLINT(name.size())) {
        name.resize(size_t(nameLength) + 1);
        rc = SQLDescribeCol(m_stmt.get(), column, name.data(), SQLSMALLINT(name.size()), &nameLength,
                            &d.sqlType, &d.size, &d.decimals, &d.nullable);
    }
    check(rc, SQL_HANDLE_STMT, m_stmt.get(), "SQLDescribeCol", m_connection->driverName());
    d.name = fromOdbc(name.data(), textLength(nameLength, name.size()));

    SQLLEN flag = SQL_FALSE;
    if (SQL_SUCCEEDED(SQLColAttribute(m_stmt.get(), column, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &flag)))
        d.isUnsigned = flag == SQL_TRUE;
    SQLCHAR typeName[128] = {};
    SQLSMALLINT typeLength = 0;
    if (SQL_SUCCEEDED(SQLColAttribute(m_stmt.get(), column, SQL_DESC_TYPE_NAME, typeName, sizeof typeName,
                                      &typeLength, nullptr)))
        d.typeName = fromOdbc(typeName, textLength(typeLength, sizeof typeName));
    return d;
}

std::vector<ColumnDescription> Statement::describeAll() {
    const SQLSMALLINT count = numResultCols();
    std::vector<ColumnDescription> result;
    result.reserve(size_t(qMax<SQLSMALLINT>(count, 0)));
    for (SQLSMALLINT i = 1; i <= count; ++i)
        result.push_back(describe(SQLUSMALLINT(i)));
    return result;
}

void Statement::closeCursor() noexcept {
    if (m_stmt) SQLFreeStmt(m_stmt.get(), SQL_CLOSE);
}

void Statement::cancel() noexcept {
    if (m_stmt) SQLCancel(m_stmt.get());
}

std::optional<QByteArray> Statement::getLong(SQLUSMALLINT column, SQLSMALLINT cType, size_t firstChunk) {
    const bool text = cType == SQL_C_CHAR;
    const SQLLEN terminator = text ? 1 : 0;
    QByteArray result;
    // The buffer stays with the statement: reading cell after cell must not allocate each time.
    std::vector<char>& buffer = m_buffer;
    if (buffer.size() < qMax<size_t>(firstChunk, 16)) buffer.resize(qMax<size_t>(firstChunk, 16));
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(m_stmt.get(), column, cType, buffer.data(), SQLLEN(buffer.size()), &indicator);
        if (rc == SQL_NO_DATA) break; // every part has been read
        check(rc, SQL_HANDLE_STMT, m_stmt.get(), "SQLGetData", m_connection->driverName());
        if (indicator == SQL_NULL_DATA) return std::nullopt;
        const SQLLEN room = SQLLEN(buffer.size()) - terminator;
        const bool more = rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator > room);
        const SQLLEN got = more ? room : std::clamp<SQLLEN>(indicator, 0, room);
        result.append(buffer.data(), qsizetype(got));
        if (!more) break;
        // The driver told the remaining length: fetch the rest in one call.
        if (indicator != SQL_NO_TOTAL && indicator - got + terminator > SQLLEN(buffer.size()))
            buffer.resize(size_t(indicator - got + terminator));
        else if (indicator == SQL_NO_TOTAL && buffer.size() < 4 * 1024 * 1024)
            buffer.resize(buffer.size() * 2);
    }
    return result;
}

void Statement::tables(const CatalogArg& catalog, const CatalogArg& schema, const CatalogArg& table,
                       const CatalogArg& types) {
    Arg c(catalog), s(schema), t(table), y(types);
    checked(SQLTables(m_stmt.get(), c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len(), y.ptr(), y.len()),
            "SQLTables");
}

void Statement::columns(const CatalogArg& catalog, const CatalogArg& schema, const CatalogArg& table,
                        const CatalogArg& column) {
    Arg c(catalog), s(schema), t(table), n(column);
    checked(SQLColumns(m_stmt.get(), c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len(), n.ptr(), n.len()),
            "SQLColumns");
}

void Statement::primaryKeys(const CatalogArg& catalog, const CatalogArg& schema, const QString& table) {
    Arg c(catalog), s(schema), t{CatalogArg(table)};
    checked(SQLPrimaryKeys(m_stmt.get(), c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len()),
            "SQLPrimaryKeys");
}

void Statement::statistics(const CatalogArg& catalog, const CatalogArg& schema, const QString& table) {
    Arg c(catalog), s(schema), t{CatalogArg(table)};
    checked(SQLStatistics(m_stmt.get(), c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len(), SQL_INDEX_ALL,
                          SQL_QUICK),
            "SQLStatistics");
}

void Statement::procedures(const CatalogArg& catalog, const CatalogArg& schema, const CatalogArg& procedure) {
    Arg c(catalog), s(schema), p(procedure);
    checked(SQLProcedures(m_stmt.get(), c.ptr(), c.len(), s.ptr(), s.len(), p.ptr(), p.len()),
            "SQLProcedures");
}

void Statement::procedureColumns(const CatalogArg& catalog, const CatalogArg& schema,
                                 const CatalogArg& procedure, const CatalogArg& column) {
    Arg c(catalog), s(schema), p(procedure), n(column);
    checked(SQLProcedureColumns(m_stmt.get(), c.ptr(), c.len(), s.ptr(), s.len(), p.ptr(), p.len(), n.ptr(),
                                n.len()),
            "SQLProcedureColumns");
}

void Statement::typeInfo(SQLSMALLINT dataType) {
    checked(SQLGetTypeInfo(m_stmt.get(), dataType), "SQLGetTypeInfo");
}

bool Statement::fetchRow() {
    return checked(SQLFetch(m_stmt.get()), "SQLFetch") != SQL_NO_DATA;
}

std::optional<QString> Statement::text(SQLUSMALLINT column) {
    std::optional<QByteArray> bytes = getLong(column, SQL_C_CHAR, 512);
    if (!bytes) return std::nullopt;
    return QString::fromUtf8(*bytes);
}

std::optional<qint64> Statement::integer(SQLUSMALLINT column) {
    SQLBIGINT value = 0;
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(m_stmt.get(), column, SQL_C_SBIGINT, &value, sizeof value, &indicator);
    checked(rc, "SQLGetData");
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) return std::nullopt;
    return qint64(value);
}

} // namespace mv::odbc
