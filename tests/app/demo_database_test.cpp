// The demo database is the same on every target: tables, row counts, indexes, the two-parameter
// procedure, and text with non-ASCII characters and apostrophes that must read back byte for byte.
// Plain narrow ODBC calls with UTF-8, independent of the program's own database layer.
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Cell = std::optional<std::string>; // nullopt is SQL NULL
using Row = std::vector<Cell>;

std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string text;
    SQLCHAR state[6];
    SQLCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length) ==
                            SQL_SUCCESS;
         ++i)
        text += std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message) + "\n";
    return text;
}

// One connection with one statement handle; every failure records the driver's diagnostics.
class OdbcSession {
public:
    OdbcSession() {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
    }
    ~OdbcSession() {
        if (m_stmt) SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        if (m_connected) SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    bool connect(const QString& connectionString) {
        QByteArray in = connectionString.toUtf8();
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, out,
                                              sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) return failed(SQL_HANDLE_DBC, m_dbc);
        m_connected = true;
        return SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt)) || failed(SQL_HANDLE_DBC, m_dbc);
    }

    std::string identifierQuote() {
        SQLCHAR quote[8] = {};
        SQLSMALLINT length = 0;
        SQLGetInfo(m_dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length);
        return reinterpret_cast<char*>(quote);
    }

    // Runs a statement and returns every row of its first result set, each cell read as UTF-8 text.
    std::optional<std::vector<Row>> rows(const std::string& sql) {
        SQLFreeStmt(m_stmt, SQL_CLOSE);
        const SQLRETURN rc =
            SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        if (!SQL_SUCCEEDED(rc)) {
            failed(SQL_HANDLE_STMT, m_stmt);
            m_error = sql + "\n" + m_error;
            return std::nullopt;
        }
        return fetchAll();
    }

    // The index names of a table from SQLStatistics, unique ones marked with a leading "+".
    std::set<std::string> indexes(const std::string& table) {
        std::set<std::string> names;
        SQLFreeStmt(m_stmt, SQL_CLOSE);
        if (!SQL_SUCCEEDED(SQLStatistics(m_stmt, nullptr, 0, nullptr, 0,
                                         reinterpret_cast<SQLCHAR*>(const_cast<char*>(table.c_str())), SQL_NTS,
                                         SQL_INDEX_ALL, SQL_QUICK))) {
            failed(SQL_HANDLE_STMT, m_stmt);
            return names;
        }
        const auto all = fetchAll();
        if (!all) return names;
        for (const Row& row : *all) {
            // Columns 4 NON_UNIQUE and 6 INDEX_NAME; statistics rows have no index name.
            if (row.size() < 6 || !row[5]) continue;
            const bool unique = row[3] && *row[3] == "0";
            names.insert((unique ? "+" : "") + *row[5]);
        }
        return names;
    }

    const std::string& error() const { return m_error; }

private:
    bool failed(SQLSMALLINT type, SQLHANDLE handle) {
        m_error = diagnostics(type, handle);
        return false;
    }

    std::optional<std::vector<Row>> fetchAll() {
        SQLSMALLINT columns = 0;
        SQLNumResultCols(m_stmt, &columns);
        std::vector<Row> result;
        SQLRETURN rc;
        while ((rc = SQLFetch(m_stmt)) != SQL_NO_DATA) {
            if (!SQL_SUCCEEDED(rc)) {
                failed(SQL_HANDLE_STMT, m_stmt);
                return std::nullopt;
            }
            Row row;
            for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c) row.push_back(cell(c));
            result.push_back(std::move(row));
        }
        return result;
    }

    // Reads one cell in chunks, so no length reported by the driver has to be trusted.
    Cell cell(SQLUSMALLINT column) {
        std::string value;
        char chunk[256];
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN rc = SQLGetData(m_stmt, column, SQL_C_CHAR, chunk, sizeof chunk, &indicator);
            if (rc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(rc)) return std::string("<error: ") + diagnostics(SQL_HANDLE_STMT, m_stmt) + ">";
            if (indicator == SQL_NULL_DATA) return std::nullopt;
            const bool truncated = indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof chunk);
            value.append(chunk, truncated ? sizeof chunk - 1 : size_t(indicator));
            if (!truncated) break;
        }
        return value;
    }

    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    bool m_connected = false;
    std::string m_error;
};

class DemoDatabase : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_db = mvtest::testDatabase(GetParam(), m_folder);
        MVTEST_REQUIRE(m_db);
        ASSERT_TRUE(m_session.connect(m_db.connectionString)) << m_db.connectionString.toStdString() << "\n"
                                                              << m_session.error();
        m_quote = m_session.identifierQuote();
    }

    std::string quoted(const std::string& name) const { return m_quote + name + m_quote; }

    // The only cell of a one-row, one-column result; "<failed>" with the reason when there is none.
    std::string scalar(const std::string& sql) {
        const auto result = m_session.rows(sql);
        if (!result) return "<failed> " + m_session.error();
        if (result->size() != 1 || result->front().size() != 1) return "<not one cell>";
        return result->front().front().value_or("<NULL>");
    }

    mvtest::TempFolder m_folder;
    mvtest::TestDatabase m_db;
    OdbcSession m_session;
    std::string m_quote;
};

TEST_P(DemoDatabase, TablesAndViewHaveTheirRowCounts) {
    const std::vector<std::pair<std::string, std::string>> expected{
        {"customers", "120"}, {"products", "60"}, {"orders", "1000"}, {"Order Details", "3000"}, {"order_summary", "1000"}};
    for (const auto& [table, count] : expected)
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM " + quoted(table)), count) << table;
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM customers WHERE contact_name IS NULL"), "18");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM orders WHERE shipped_at IS NULL"), "76");
    EXPECT_EQ(scalar("SELECT COUNT(DISTINCT customer_id) FROM orders"), "110");
}

TEST_P(DemoDatabase, NonAsciiTextAndApostrophesReadBackExactly) {
    const auto customers = m_session.rows(
        "SELECT company_name, contact_name, city FROM customers WHERE customer_id <= 6 ORDER BY customer_id");
    ASSERT_TRUE(customers) << m_session.error();
    const std::vector<Row> expected{
        {"Müller & Söhne GmbH", "Jürgen Müller", "München"},
        {"O'Brien Trading Ltd", "Siobhán O'Brien", "Dublin"},
        {"Smørrebrød Hus", "Søren Ærø", "København"},
        {"Café Crème", std::nullopt, "Paris"},
        {"Łódzka Spółka", "Zofia Wójcik", "Łódź"},
        {"Ωmega Imports", "Νίκος Παπαδόπουλος", "Αθήνα"},
    };
    EXPECT_EQ(*customers, expected);

    EXPECT_EQ(scalar("SELECT product_name FROM products WHERE product_id = 5"), "O'Doyle's Irish Stew");
    EXPECT_EQ(scalar("SELECT product_name FROM products WHERE product_id = 1"), "Smørrebrød");
    EXPECT_EQ(scalar("SELECT note FROM orders WHERE order_id = 97"), "Bitte nicht stürzen – zerbrechlich");
    EXPECT_EQ(scalar("SELECT note FROM orders WHERE order_id = 89"), "Leave it at O'Brien's back door");
}

TEST_P(DemoDatabase, NonAsciiAndQuotedLiteralsMatchInStatements) {
    EXPECT_EQ(scalar("SELECT customer_id FROM customers WHERE company_name = 'Müller & Söhne GmbH'"), "1");
    EXPECT_EQ(scalar("SELECT customer_id FROM customers WHERE contact_name = 'Siobhán O''Brien'"), "2");
    EXPECT_EQ(scalar("SELECT customer_id FROM customers WHERE city = 'Αθήνα'"), "6");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM customers WHERE city = 'Zürich'"), "22");
}

TEST_P(DemoDatabase, TypedColumnsHoldTheirValues) {
    const auto product = m_session.rows("SELECT unit_price, discontinued FROM products WHERE product_id = 22");
    ASSERT_TRUE(product && product->size() == 1) << m_session.error();
    EXPECT_DOUBLE_EQ(std::stod(product->front()[0].value_or("0")), 31.13);
    EXPECT_EQ(std::stoi(product->front()[1].value_or("-1")), 1);

    const auto order = m_session.rows("SELECT order_date, shipped_at FROM orders WHERE order_id = 89");
    ASSERT_TRUE(order && order->size() == 1) << m_session.error();
    EXPECT_EQ(order->front()[0], Cell("2023-03-06"));
    EXPECT_EQ(order->front()[1].value_or("").substr(0, 19), "2023-03-10 17:23:00");
    EXPECT_EQ(scalar("SELECT shipped_at FROM orders WHERE order_id = 13"), "<NULL>");
}

TEST_P(DemoDatabase, KeysAndIndexesAreThere) {
    const auto customers = m_session.indexes("customers");
    EXPECT_TRUE(customers.count("+ux_customers_email")) << m_session.error();
    const auto orders = m_session.indexes("orders");
    EXPECT_TRUE(orders.count("ix_orders_customer")) << m_session.error();
}

TEST_P(DemoDatabase, OrdersBetweenTwoDates) {
    const std::string direct = "SELECT COUNT(*) FROM orders WHERE order_date BETWEEN '2023-03-01' AND '2023-03-31'";
    EXPECT_EQ(scalar(direct), "43");
    if (GetParam() == "sqlite") return; // SQLite has no stored procedures
    const std::string call = GetParam() == "postgresql"
                                 ? "SELECT * FROM orders_between('2023-03-01', '2023-03-31')"
                                 : "CALL orders_between('2023-03-01', '2023-03-31')";
    const auto rows = m_session.rows(call);
    ASSERT_TRUE(rows) << m_session.error();
    ASSERT_EQ(rows->size(), 43u);
    EXPECT_EQ(rows->front()[0], Cell("81"));
    EXPECT_EQ(rows->back()[0], Cell("123"));
}

INSTANTIATE_TEST_SUITE_P(Targets, DemoDatabase, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

TEST(DemoSqliteCopy, EveryCallBuildsAFreshFileInTheFolder) {
    mvtest::TempFolder folder;
    QString error;
    const QString first = mvtest::demoSqlitePath(folder, &error);
    ASSERT_FALSE(first.isEmpty()) << error.toStdString();
    EXPECT_TRUE(first.startsWith(folder.path()));
    folder.write(QStringLiteral("demo.db"), "not a database");
    const QString second = mvtest::demoSqlitePath(folder, &error);
    ASSERT_EQ(second, first) << error.toStdString();
    EXPECT_TRUE(folder.read(QStringLiteral("demo.db")).startsWith("SQLite format 3"));
}

} // namespace
