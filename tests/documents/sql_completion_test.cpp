// What completion offers and inserts, on a catalog written here in the shape the servers report.
#include "db/db_connect.h"
#include "documents/sql_completion.h"
#include "support/scripted_user_port.h"

#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace mv;

namespace {

CompletionCatalog shopCatalog() {
    CompletionCatalog c;
    c.tables = {
        {"public", "customers", false, {"customer_id", "company_name", "city"}},
        {"public", "orders", false, {"order_id", "customer_id", "order_date", "total"}},
        {"public", "Order Lines", false, {"order_id", "Quantity", "unit price", "select"}},
        {"sales", "customers", false, {"id", "region"}},
        {"sales", "big_customers", true, {"id", "revenue"}},
    };
    c.procedures = {{"public", "recalc_totals"}, {"sales", "close_month"}};
    c.schemas = {"public", "sales"};
    c.index();
    return c;
}

const CompletionDialect kPostgres{KindPostgreSql, "PostgreSQL", "\""};
const CompletionDialect kMySql{KindMySql, "MariaDB", "`"};

QStringList labels(const Completion& c) {
    QStringList out;
    for (const CompletionItem& i : c.items) out << i.label;
    return out;
}

QString insertOf(const Completion& c, const QString& label) {
    for (const CompletionItem& i : c.items)
        if (i.label == label) return i.insert;
    return QStringLiteral("<none>");
}

// "^" marks the caret.
Completion at(const char* textWithCaret, const CompletionCatalog* catalog, const CompletionDialect& d = kPostgres) {
    QString text = QString::fromUtf8(textWithCaret);
    const qsizetype caret = text.indexOf(u'^');
    text.remove(caret, 1);
    return completeAt(text, caret, catalog, d);
}

struct RefCase {
    const char* statement;
    QList<TableReference> refs;
};

TEST(SqlCompletion, TableReferencesOfFromAndJoinClauses) {
    const RefCase cases[] = {
        {"SELECT * FROM customers c", {{"", "customers", "c"}}},
        {"SELECT * FROM customers AS c WHERE c.city = 'x'", {{"", "customers", "c"}}},
        {"select * from public.orders o join \"Order Lines\" ol on ol.order_id = o.order_id",
         {{"public", "orders", "o"}, {"", "Order Lines", "ol"}}},
        {"SELECT * FROM customers, orders o, sales.customers sc", {{"", "customers", ""}, {"", "orders", "o"},
                                                                 {"sales", "customers", "sc"}}},
        {"SELECT * FROM orders LEFT OUTER JOIN customers ON 1=1 WHERE x", {{"", "orders", ""}, {"", "customers", ""}}},
        {"SELECT * FROM `Order Lines` AS `o l`", {{"", "Order Lines", "o l"}}},
        {"SELECT * FROM [Order Lines] [ol]", {{"", "Order Lines", "ol"}}},
        {"SELECT * FROM \"we\"\"ird\" w", {{"", "we\"ird", "w"}}},
        {"UPDATE orders o SET total = 0", {{"", "orders", "o"}}},
        {"INSERT INTO sales.customers (id) VALUES (1)", {{"sales", "customers", ""}}},
        {"SELECT (SELECT 1 FROM orders x) FROM customers c -- FROM nothing n", {{"", "orders", "x"},
                                                                               {"", "customers", "c"}}},
        {"SELECT 'FROM fake f' FROM orders", {{"", "orders", ""}}},
        {"SELECT * FROM (SELECT 1) AS sub", {}},
        {"SELECT * FROM orders GROUP BY 1", {{"", "orders", ""}}},
    };
    for (const RefCase& c : cases) EXPECT_EQ(tableReferences(QString::fromUtf8(c.statement)), c.refs) << c.statement;
}

struct QuoteCase {
    const char* name;
    int kind;
    const char* quote;
    const char* expected;
};

TEST(SqlCompletion, NamesAreQuotedWhereTheDialectNeedsIt) {
    const QuoteCase cases[] = {
        {"customers", KindPostgreSql, "\"", "customers"},
        {"Quantity", KindPostgreSql, "\"", "\"Quantity\""}, // PostgreSQL folds unquoted names
        {"Quantity", KindMySql, "`", "Quantity"},
        {"Quantity", KindSqlServer, "\"", "Quantity"},
        {"Order Lines", KindPostgreSql, "\"", "\"Order Lines\""},
        {"Order Lines", KindMySql, "`", "`Order Lines`"},
        {"Order Lines", KindSqlServer, "\"", "[Order Lines]"},
        {"Order Lines", KindJet, "`", "[Order Lines]"},
        {"Order Lines", KindOdbc, "\"", "\"Order Lines\""},
        {"Order Lines", KindOdbc, " ", "Order Lines"}, // the source has no quote character
        {"select", KindPostgreSql, "\"", "\"select\""},
        {"user", KindMySql, "`", "`user`"},
        {"we\"ird", KindPostgreSql, "\"", "\"we\"\"ird\""},
        {"we`ird", KindMySql, "`", "`we``ird`"},
        {"2fast", KindOdbc, "\"", "\"2fast\""},
        {"größe", KindPostgreSql, "\"", "\"größe\""}, // only ASCII names are plain
        {"_tmp", KindMySql, "`", "_tmp"},
    };
    for (const QuoteCase& c : cases)
        EXPECT_EQ(quotedNameFor(QString::fromUtf8(c.name), {c.kind, {}, QString::fromUtf8(c.quote), {}}),
                  QString::fromUtf8(c.expected))
            << c.name << " kind " << c.kind;
    // A reserved word of the driver is quoted too.
    EXPECT_EQ(quotedNameFor("int4", {KindMySql, "MariaDB", "`", {"INT1", "int4"}}), "`int4`");
}

TEST(SqlCompletion, AfterAnAliasTheColumnsOfItsTable) {
    const CompletionCatalog cat = shopCatalog();
    EXPECT_EQ(labels(at("SELECT c.^ FROM customers c", &cat)), (QStringList{"city", "company_name", "customer_id"}));
    EXPECT_EQ(labels(at("SELECT c.com^ FROM customers AS c", &cat)), QStringList{"company_name"});
    // Alias on a quoted table name; the columns come quoted as PostgreSQL needs them.
    const Completion ol = at("SELECT ol.^ FROM orders o JOIN \"Order Lines\" ol ON ol.order_id = o.order_id", &cat);
    EXPECT_EQ(labels(ol), (QStringList{"order_id", "Quantity", "select", "unit price"}));
    EXPECT_EQ(insertOf(ol, "Quantity"), "\"Quantity\"");
    EXPECT_EQ(insertOf(ol, "unit price"), "\"unit price\"");
    EXPECT_EQ(insertOf(ol, "select"), "\"select\"");
    // The same statement on MariaDB: backticks, case kept.
    const Completion my = at("SELECT ol.^ FROM `Order Lines` ol", &cat, kMySql);
    EXPECT_EQ(insertOf(my, "Quantity"), "Quantity");
    EXPECT_EQ(insertOf(my, "unit price"), "`unit price`");
    // Aliases of the statement at the caret only: the next statement's "c" is another table.
    EXPECT_EQ(labels(at("SELECT c.^ FROM sales.customers c;\nSELECT c.x FROM customers c", &cat)),
              (QStringList{"id", "region"}));
    // A table name works as its own qualifier, also without alias; a schema-qualified one too.
    EXPECT_EQ(labels(at("SELECT orders.t^ FROM orders", &cat)), QStringList{"total"});
    EXPECT_EQ(labels(at("SELECT sales.customers.^", &cat)), (QStringList{"id", "region"}));
    // An alias that stands for an unknown table offers nothing.
    EXPECT_TRUE(at("SELECT z.^ FROM nowhere z", &cat).items.isEmpty());
    EXPECT_TRUE(at("SELECT c.^ FROM customers c", nullptr).items.isEmpty());
}

TEST(SqlCompletion, AfterASchemaItsTablesViewsAndProcedures) {
    const CompletionCatalog cat = shopCatalog();
    const Completion c = at("SELECT * FROM sales.^", &cat);
    EXPECT_EQ(labels(c), (QStringList{"big_customers", "close_month", "customers"}));
    EXPECT_EQ(c.items[0].kind, CompletionItem::View);
    EXPECT_EQ(c.items[1].kind, CompletionItem::Procedure);
}

TEST(SqlCompletion, AWordOffersKeywordsFunctionsAndNamesThatStartWithIt) {
    const CompletionCatalog cat = shopCatalog();
    EXPECT_EQ(labels(at("SELECT * FROM ord^", &cat)), (QStringList{"ORDER BY", "Order Lines", "orders"}));
    EXPECT_EQ(insertOf(at("SELECT * FROM ord^", &cat), "Order Lines"), "\"Order Lines\"");
    // The columns of the statement's tables come in too.
    EXPECT_EQ(labels(at("SELECT cit^ FROM customers", &cat)), QStringList{"city"});
    EXPECT_EQ(labels(at("SELECT * FROM orders WHERE tot^", &cat)), QStringList{"total"});
    EXPECT_EQ(labels(at("re^", &cat)), (QStringList{"recalc_totals", "REFERENCES", "REGEXP_REPLACE", "REPLACE",
                                                    "RETURNING", "REVOKE"}));
    // The typed word and its opening quote are what the choice replaces.
    const Completion quoted = at("SELECT * FROM \"Ord^", &cat);
    EXPECT_EQ(quoted.typed, "Ord");
    EXPECT_EQ(quoted.from, 14);
    EXPECT_EQ(quoted.to, 18);
}

TEST(SqlCompletion, KeywordsAndFunctionsFollowTheDialect) {
    struct {
        CompletionDialect dialect;
        const char* has;
        const char* hasNot;
    } cases[] = {
        {{KindPostgreSql, "PostgreSQL", "\""}, "STRING_AGG", "GROUP_CONCAT"},
        {{KindMySql, "MariaDB", "`"}, "GROUP_CONCAT", "STRING_AGG"},
        {{KindOdbc, "SQLite", "\""}, "STRFTIME", "GETDATE"},
        {{KindSqlServer, "Microsoft SQL Server", "\""}, "GETDATE", "STRFTIME"},
        {{KindJet, "ACCESS", "`"}, "NZ", "LIMIT"},
    };
    for (const auto& c : cases) {
        const QStringList all = dialectKeywords(c.dialect) + dialectFunctions(c.dialect);
        EXPECT_TRUE(all.contains(QString::fromUtf8(c.has))) << c.has;
        EXPECT_FALSE(all.contains(QString::fromUtf8(c.hasNot))) << c.hasNot;
    }
    EXPECT_TRUE(labels(at("SELECT * FROM t LIM^", nullptr, kPostgres)).contains("LIMIT"));
    EXPECT_FALSE(labels(at("SELECT * FROM t LIM^", nullptr, {KindSqlServer, {}, "\""})).contains("LIMIT"));
}

} // namespace
