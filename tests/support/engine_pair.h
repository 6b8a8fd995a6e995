#pragma once
// A native and an ODBC connection to the same test database, and comparisons of what the two
// give: switching engines must change nothing the program shows.
#include "db/db_access.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace mvtest {

// Fields and every cell; the first difference is reported with its place.
void expectSameRows(const mv::Recordset& native, const mv::Recordset& odbc, const std::string& what);

// Primary keys: the same columns of the same tables; the native MariaDB engine numbers them in
// the key's order, where the driver numbers them in table order.
void expectSameKeys(const mv::Recordset& native, const mv::Recordset& odbc, const std::string& what);

// Opens `native` and `odbc` on the named test database; `t` is a table of the test's own, dropped
// before and after each test.
class EnginePair : public ::testing::Test {
  protected:
    EnginePair(const char* database, const char* tableStem);
    void SetUp() override;
    void TearDown() override;

    // Statements name the test's table as %T%.
    QString named(const char* text) const { return withTable(text, t); }

    // Compares the schema rowset of both engines; the native one's row count.
    int sameRowset(mv::SchemaKind kind, const mv::SchemaRestrictions& restrictions, const std::string& what);

    // Restrictions, what they ask for, and how many rows answer (-1: some).
    struct RowsetCase {
        mv::SchemaRestrictions restrictions;
        const char* what;
        int rows;
    };
    void expectRowsetCases(mv::SchemaKind kind, std::initializer_list<RowsetCase> cases);

    std::unique_ptr<mv::DbConnection> native;
    std::unique_ptr<mv::DbConnection> odbc;
    const QString t;

  private:
    const char* m_database;
    TempFolder m_folder;
    TestDatabase m_db;
};

} // namespace mvtest
