#include "support/engine_pair.h"

#include "db/db_engines.h"
#include "db/recordset.h"

namespace mvtest {

namespace {

QString describe(const mv::Recordset& rs, int row, int col) {
    const QVariant v = rs.value(row, col);
    return v.isValid() ? QStringLiteral("%1 (%2)").arg(v.toString(), QString::fromLatin1(v.typeName()))
                       : QStringLiteral("<null>");
}

// The SQLite ODBC driver reads reals through a text of 15 digits (1009.1400000000001 arrives as
// 1009.14); the native engine keeps the value SQLite stores. Equal to those 15 digits is the same.
bool sameReal(const mv::Recordset& native, const mv::Recordset& odbc, int r, int c) {
    if (native.column(c).kind() != mv::StorageKind::Real || native.isNull(r, c) || odbc.isNull(r, c)) return false;
    const double a = native.value(r, c).toDouble(), b = odbc.value(r, c).toDouble();
    return QString::number(a, 'g', 15) == QString::number(b, 'g', 15);
}

} // namespace

void expectSameRows(const mv::Recordset& native, const mv::Recordset& odbc, const std::string& what) {
    ASSERT_EQ(native.fieldCount(), odbc.fieldCount()) << what;
    for (int c = 0; c < native.fieldCount(); ++c) {
        const mv::FieldInfo& n = native.field(c);
        const mv::FieldInfo& o = odbc.field(c);
        EXPECT_EQ(n.name, o.name) << what;
        EXPECT_EQ(n.type, o.type) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.definedSize, o.definedSize) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.nullable, o.nullable) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.precision, o.precision) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.scale, o.scale) << what << " field " << n.name.toStdString();
    }
    ASSERT_EQ(native.recordCount(), odbc.recordCount()) << what;
    for (int r = 0; r < native.recordCount(); ++r)
        for (int c = 0; c < native.fieldCount(); ++c)
            if (native.value(r, c) != odbc.value(r, c) && !sameReal(native, odbc, r, c)) {
                ADD_FAILURE() << what << " row " << r << " field " << native.field(c).name.toStdString()
                              << ": native " << describe(native, r, c).toStdString() << ", ODBC "
                              << describe(odbc, r, c).toStdString();
                return;
            }
}

void expectSameKeys(const mv::Recordset& native, const mv::Recordset& odbc, const std::string& what) {
    auto keys = [](const mv::Recordset& rs) {
        QStringList out;
        for (int r = 0; r < rs.recordCount(); ++r)
            out << QStringList{rs.text(r, 0), rs.text(r, 1), rs.text(r, 2), rs.text(r, 3), rs.text(r, 5)}.join(u'|');
        out.sort();
        return out;
    };
    ASSERT_EQ(native.fieldCount(), odbc.fieldCount()) << what;
    EXPECT_EQ(keys(native), keys(odbc)) << what;
}

EnginePair::EnginePair(const char* database, const char* tableStem)
    : t(ownName(QString::fromLatin1(tableStem))), m_database(database) {}

void EnginePair::SetUp() {
    m_db = testDatabase(m_database, m_folder);
    MVTEST_REQUIRE(m_db);
    const QString cs = mv::withoutEngineKey(m_db.connectionString);
    native = mv::createDbConnection();
    native->open(cs);
    odbc = mv::createDbConnection();
    odbc->open(cs + QStringLiteral(";Engine=ODBC"));
    native->execute(QStringLiteral("DROP TABLE IF EXISTS ") + t);
}

int EnginePair::sameRowset(mv::SchemaKind kind, const mv::SchemaRestrictions& restrictions, const std::string& what) {
    const mv::Recordset n = native->openSchema(kind, restrictions);
    expectSameRows(n, odbc->openSchema(kind, restrictions), what);
    return n.recordCount();
}

void EnginePair::expectRowsetCases(mv::SchemaKind kind, std::initializer_list<RowsetCase> cases) {
    for (const RowsetCase& c : cases) {
        const int rows = sameRowset(kind, c.restrictions, c.what);
        if (c.rows < 0)
            EXPECT_GT(rows, 0) << c.what;
        else
            EXPECT_EQ(rows, c.rows) << c.what;
    }
}

void EnginePair::TearDown() {
    if (native) native->execute(QStringLiteral("DROP TABLE IF EXISTS ") + t);
}

} // namespace mvtest
