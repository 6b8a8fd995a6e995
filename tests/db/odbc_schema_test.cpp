// Schema rowsets on the three databases and on an Access file through MDBTools.
#include "db/ado_types.h"
#include "db/odbc_target_test.h"
#include "explorer/ddl_templates.h"
#include "support/native_client.h"

#include <QFileInfo>

using mv::DbError;
using mv::Recordset;
using mv::SchemaKind;
using mv::SchemaRestrictions;

namespace {

QStringList column(const Recordset& rs, const char* name) {
    QStringList values;
    const int c = rs.fieldIndex(QString::fromLatin1(name));
    EXPECT_GE(c, 0) << name;
    if (c < 0) return values;
    for (int r = 0; r < rs.recordCount(); ++r)
        values << rs.value(r, c).toString();
    return values;
}

QVariant cell(const Recordset& rs, int row, const char* name) {
    return rs.value(row, rs.fieldIndex(QString::fromLatin1(name)));
}

int rowWhere(const Recordset& rs, const char* name, const QString& value) {
    return int(column(rs, name).indexOf(value));
}

class OdbcSchema : public mvtest::OdbcTarget {
  protected:
    void SetUp() override {
        OdbcTarget::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        base = table("base");
        view = base + QStringLiteral("_v");
        exec(QStringLiteral("CREATE TABLE %1 (id INT NOT NULL PRIMARY KEY, name VARCHAR(30) NOT NULL, "
                            "amount NUMERIC(10,2))")
                 .arg(base));
        exec(QStringLiteral("CREATE INDEX %1_ix ON %1 (name)").arg(base));
        exec(QStringLiteral("CREATE VIEW %1 AS SELECT id, name FROM %2").arg(view, base));
        dropLater(QStringLiteral("DROP VIEW %1").arg(view)); // dropped before the table
    }

    Recordset schema(SchemaKind kind, const SchemaRestrictions& r = {}) { return conn->openSchema(kind, r); }

    QString base, view;
};

TEST_P(OdbcSchema, TablesAndViewsByTypeWithSystemObjectsApart) {
    const QStringList tables =
        column(schema(SchemaKind::Tables, {{}, {}, {}, QStringLiteral("TABLE")}), "TABLE_NAME");
    EXPECT_TRUE(tables.contains(base));
    EXPECT_FALSE(tables.contains(view));
    const QStringList views =
        column(schema(SchemaKind::Tables, {{}, {}, {}, QStringLiteral("VIEW")}), "TABLE_NAME");
    EXPECT_TRUE(views.contains(view));
    EXPECT_FALSE(views.contains(base));

    const Recordset system = schema(SchemaKind::Tables, {{}, {}, {}, QStringLiteral("SYSTEM TABLE")});
    EXPECT_GT(system.recordCount(), 0);
    EXPECT_FALSE(column(system, "TABLE_NAME").contains(base));
    for (const QString& type : column(system, "TABLE_TYPE"))
        EXPECT_EQ(type, QStringLiteral("SYSTEM TABLE"));
    const QString systemTable = is("sqlite")       ? QStringLiteral("sqlite_master")
                                : is("postgresql") ? QStringLiteral("pg_class")
                                                   : QStringLiteral("db");
    EXPECT_TRUE(column(system, "TABLE_NAME").contains(systemTable));
    if (is("mariadb")) {
        // Another database shows as the schema, so "mysql.db" can be named.
        const int r = rowWhere(system, "TABLE_NAME", systemTable);
        ASSERT_GE(r, 0);
        EXPECT_EQ(cell(system, r, "TABLE_SCHEMA").toString(), QStringLiteral("mysql"));
        EXPECT_EQ(
            schema(SchemaKind::Columns, {{}, QStringLiteral("mysql"), QStringLiteral("db")}).recordCount() >
                0,
            true);
    }
    for (const QString& type :
         column(schema(SchemaKind::Tables, {{}, {}, {}, QStringLiteral("SYSTEM VIEW")}), "TABLE_TYPE"))
        EXPECT_EQ(type, QStringLiteral("SYSTEM VIEW"));

    // Without restrictions: everything, system objects included.
    const QStringList everything = column(schema(SchemaKind::Tables), "TABLE_NAME");
    EXPECT_TRUE(everything.contains(base));
    EXPECT_TRUE(everything.contains(view));
    EXPECT_TRUE(everything.contains(systemTable));

    const Recordset one = schema(SchemaKind::Tables, {{}, {}, base});
    ASSERT_EQ(one.recordCount(), 1);
    EXPECT_EQ(cell(one, 0, "TABLE_TYPE").toString(), QStringLiteral("TABLE"));
    if (is("postgresql")) {
        EXPECT_EQ(cell(one, 0, "TABLE_SCHEMA").toString(), QStringLiteral("public"));
    } else {
        EXPECT_TRUE(cell(one, 0, "TABLE_SCHEMA").isNull());
    }
    // A name with the pattern character "_" matches only itself.
    EXPECT_EQ(schema(SchemaKind::Tables, {{}, {}, QString(base).replace(QLatin1Char('_'), QLatin1Char('x'))})
                  .recordCount(),
              0);
    EXPECT_EQ(schema(SchemaKind::Tables, {{}, {}, QStringLiteral("no_such_table_here")}).recordCount(), 0);
}

// Long text columns have sizes beyond 32 bits (MariaDB LONGTEXT: 4294967295 characters, four times
// as many bytes); the catalog carries them whole and the columns are listed.
TEST_P(OdbcSchema, LongColumnSizesAreSixtyFourBit) {
    const QString t = table("long");
    if (is("mariadb"))
        exec(QStringLiteral("CREATE TABLE %1 (id INT PRIMARY KEY, doc LONGTEXT, j JSON, d DECIMAL(65,30))").arg(t));
    else if (is("postgresql"))
        exec(QStringLiteral("CREATE TABLE %1 (id INT PRIMARY KEY, doc TEXT, j JSONB, d NUMERIC(65,30))").arg(t));
    else
        exec(QStringLiteral("CREATE TABLE %1 (id INT PRIMARY KEY, doc TEXT, j JSON, d DECIMAL(5))").arg(t));
    const Recordset cols = schema(SchemaKind::Columns, {{}, {}, t});
    ASSERT_EQ(column(cols, "COLUMN_NAME"), (QStringList{"id", "doc", "j", "d"}));
    if (is("mariadb")) {
        const mvtest::NativeResult native = mvtest::nativeQuery(
            connectionString(), QStringLiteral("SELECT CHARACTER_MAXIMUM_LENGTH FROM information_schema.COLUMNS "
                                               "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '%1' AND "
                                               "COLUMN_NAME = 'doc'")
                                    .arg(t));
        ASSERT_TRUE(native.ok()) << native.error.toStdString();
        ASSERT_EQ(native.rows.size(), 1);
        EXPECT_EQ(cell(cols, 1, "CHARACTER_MAXIMUM_LENGTH").toString(), native.rows[0].value(0).value_or("?"));
        EXPECT_GT(cell(cols, 1, "CHARACTER_OCTET_LENGTH").toULongLong(), 4294967295ULL);
    }
    QString type, size;
    ASSERT_TRUE(mv::TranslateDatatype(cols, 3, type, size));
    EXPECT_EQ(type + u' ' + size, is("sqlite") ? QStringLiteral("Decimal 5,0") : QStringLiteral("Decimal 65,30"));
}

TEST_P(OdbcSchema, ColumnsCarryAdoTypesSizesAndNullability) {
    const Recordset cols = schema(SchemaKind::Columns, {{}, {}, base});
    ASSERT_EQ(column(cols, "COLUMN_NAME"), (QStringList{"id", "name", "amount"}));
    EXPECT_EQ(column(cols, "ORDINAL_POSITION"), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(cell(cols, 0, "DATA_TYPE").toInt(), mv::ado::adInteger);
    EXPECT_TRUE(mv::ado::isTextType(cell(cols, 1, "DATA_TYPE").toInt()));
    EXPECT_EQ(cell(cols, 1, "CHARACTER_MAXIMUM_LENGTH").toInt(), 30);
    EXPECT_FALSE(cell(cols, 1, "IS_NULLABLE").toBool());
    EXPECT_TRUE(cell(cols, 2, "IS_NULLABLE").toBool());
    // SQLite's driver reports NUMERIC(10,2) as a DOUBLE of size 2: the declared type wins.
    EXPECT_EQ(cell(cols, 2, "DATA_TYPE").toInt(), mv::ado::adNumeric);
    EXPECT_EQ(cell(cols, 2, "NUMERIC_PRECISION").toInt(), 10);
    EXPECT_EQ(cell(cols, 2, "NUMERIC_SCALE").toInt(), 2);
    QString type, size;
    ASSERT_TRUE(mv::TranslateDatatype(cols, 2, type, size));
    EXPECT_EQ(type + u' ' + size, QStringLiteral("Decimal 10,2"));
    EXPECT_EQ(schema(SchemaKind::Columns, {{}, {}, base, QStringLiteral("name")}).recordCount(), 1);
    EXPECT_EQ(schema(SchemaKind::Columns, {{}, {}, view}).recordCount(), 2);
    if (is("postgresql")) {
        EXPECT_EQ(schema(SchemaKind::Columns, {{}, QStringLiteral("public"), base}).recordCount(), 3);
    }
    EXPECT_EQ(schema(SchemaKind::Columns, {{}, QStringLiteral("no_such_schema"), base}).recordCount(), 0);
}

TEST_P(OdbcSchema, IndexesAndPrimaryKeys) {
    const Recordset keys = schema(SchemaKind::PrimaryKeys, {{}, {}, base});
    EXPECT_EQ(column(keys, "COLUMN_NAME"), QStringList{"id"});

    const Recordset indexes = schema(SchemaKind::Indexes, {{}, {}, {}, {}, base});
    const int ix = rowWhere(indexes, "INDEX_NAME", base + QStringLiteral("_ix"));
    ASSERT_GE(ix, 0) << column(indexes, "INDEX_NAME").join(',').toStdString();
    EXPECT_FALSE(cell(indexes, ix, "UNIQUE").toBool());
    EXPECT_FALSE(cell(indexes, ix, "PRIMARY_KEY").toBool());
    EXPECT_EQ(cell(indexes, ix, "COLUMN_NAME").toString(), QStringLiteral("name"));
    EXPECT_EQ(cell(indexes, ix, "ORDINAL_POSITION").toInt(), 1);
    int primary = -1;
    for (int r = 0; r < indexes.recordCount(); ++r)
        if (cell(indexes, r, "PRIMARY_KEY").toBool()) primary = r;
    ASSERT_GE(primary, 0);
    EXPECT_TRUE(cell(indexes, primary, "UNIQUE").toBool());
    EXPECT_EQ(cell(indexes, primary, "COLUMN_NAME").toString(), QStringLiteral("id"));

    EXPECT_EQ(schema(SchemaKind::Indexes, {{}, {}, base + QStringLiteral("_ix"), {}, base}).recordCount(), 1);
    EXPECT_EQ(
        schema(SchemaKind::Indexes, {{}, {}, {}, {}, QStringLiteral("no_such_table_here")}).recordCount(), 0);
}

TEST_P(OdbcSchema, ProceduresAndTheirParameters) {
    const QString proc = base + QStringLiteral("_p");
    if (is("postgresql")) {
        exec(QStringLiteral("CREATE FUNCTION %1(a integer, b varchar(20)) RETURNS integer AS 'SELECT a' "
                            "LANGUAGE sql")
                 .arg(proc));
        dropLater(QStringLiteral("DROP FUNCTION %1(integer, varchar)").arg(proc));
    } else if (is("mariadb")) {
        // A LONGTEXT parameter's octet length does not fit 32 bits.
        exec(QStringLiteral("CREATE PROCEDURE %1(IN a INT, OUT b VARCHAR(20), IN c LONGTEXT) SET b = 'x'").arg(proc));
        dropLater(QStringLiteral("DROP PROCEDURE %1").arg(proc));
    }
    const Recordset all = schema(SchemaKind::Procedures);
    if (is("sqlite")) {
        EXPECT_EQ(all.recordCount(), 0); // SQLite has none, and says so without an error
        return;
    }
    const int r = rowWhere(all, "PROCEDURE_NAME", proc);
    ASSERT_GE(r, 0);
    const QString owner = cell(all, r, "PROCEDURE_SCHEMA").toString();

    const Recordset system = schema(SchemaKind::Procedures, {{}, {}, {}, QStringLiteral("SYSTEM PROCEDURE")});
    EXPECT_FALSE(column(system, "PROCEDURE_NAME").contains(proc));
    if (is("postgresql")) {
        EXPECT_TRUE(column(system, "PROCEDURE_NAME").contains(QStringLiteral("now")));
    }

    // The owner is passed even when empty (MariaDB procedures of the current database have none).
    const Recordset params = schema(SchemaKind::ProcedureParameters, {{}, owner, proc});
    const QStringList names = column(params, "PARAMETER_NAME");
    ASSERT_TRUE(names.contains(QStringLiteral("a"))) << names.join(',').toStdString();
    ASSERT_TRUE(names.contains(QStringLiteral("b")));
    const int b = int(names.indexOf(QStringLiteral("b")));
    // PostgreSQL keeps no length for parameter types.
    if (is("mariadb")) {
        EXPECT_EQ(cell(params, b, "CHARACTER_MAXIMUM_LENGTH").toInt(), 20);
    }
    EXPECT_EQ(cell(params, b, "ORDINAL_POSITION").toInt(), 2);
    EXPECT_FALSE(cell(params, b, "TYPE_NAME").toString().isEmpty());
    EXPECT_EQ(schema(SchemaKind::ProcedureParameters, {{}, owner, proc, QStringLiteral("a")}).recordCount(),
              1);
}

TEST_P(OdbcSchema, ProviderTypesListTheSourceTypes) {
    const Recordset types = schema(SchemaKind::ProviderTypes);
    EXPECT_GT(types.recordCount(), 10);
    QStringList upper;
    for (const QString& t : column(types, "TYPE_NAME"))
        upper << t.toUpper();
    EXPECT_TRUE(upper.contains(QStringLiteral("INTEGER")) || upper.contains(QStringLiteral("INT")) ||
                upper.contains(QStringLiteral("INT4")));
    const Recordset ints = schema(SchemaKind::ProviderTypes, {QString::number(mv::ado::adInteger)});
    EXPECT_GT(ints.recordCount(), 0);
    for (const QString& t : column(ints, "DATA_TYPE"))
        EXPECT_EQ(t.toInt(), mv::ado::adInteger);
}

MV_ODBC_TARGETS(OdbcSchema);

// An Access file: the driver lacks primary keys and crashes on index queries.
TEST(OdbcSchemaMdb, MissingFunctionsAreNotSupportedErrorsAndNothingCrashes) {
    QString why;
    const QString file = mvtest::fixtureFile(QStringLiteral("nwind.mdb"), &why);
    if (file.isEmpty()) GTEST_SKIP() << why.toStdString();
    auto c = mv::createDbConnection();
    c->open(QStringLiteral("Driver=MDBTools;DBQ=%1").arg(file));
    const Recordset tables = c->openSchema(SchemaKind::Tables, {{}, {}, {}, QStringLiteral("TABLE")});
    EXPECT_GT(tables.recordCount(), 5);
    for (const QString& type : column(tables, "TABLE_TYPE"))
        EXPECT_EQ(type, QStringLiteral("TABLE"));
    try {
        c->openSchema(SchemaKind::PrimaryKeys, {{}, {}, column(tables, "TABLE_NAME").value(0)});
        FAIL() << "primary keys without driver support";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), mv::err::NotSupportedByProvider);
    }
    // The driver has no usable index function (it crashes on the fetch): not supported, no crash.
    for (const QString& name : {QStringLiteral("Orders"), QStringLiteral("No Such Table")}) {
        try {
            c->openSchema(SchemaKind::Indexes, {{}, {}, {}, {}, name});
            FAIL() << "indexes without driver support";
        } catch (const DbError& e) {
            EXPECT_EQ(e.number(), mv::err::NotSupportedByProvider);
        }
    }
    EXPECT_GT(
        c->openSchema(SchemaKind::Columns, {{}, {}, column(tables, "TABLE_NAME").value(0)}).recordCount(), 0);
    EXPECT_TRUE(
        column(c->openSchema(SchemaKind::Tables, {{}, {}, {}, QStringLiteral("SYSTEM TABLE")}), "TABLE_NAME")
            .contains(QStringLiteral("MSysObjects")));
    // The field list shows what the file declares: Currency keeps 19 digits, 4 after the point.
    const Recordset details = c->openSchema(SchemaKind::Columns, {{}, {}, QStringLiteral("Order Details")});
    QStringList shown;
    for (int row = 0; row < details.recordCount(); ++row) {
        QString type, size;
        ASSERT_TRUE(mv::TranslateDatatype(details, row, type, size));
        shown << cell(details, row, "COLUMN_NAME").toString() + u' ' + type + u' ' + size;
    }
    EXPECT_EQ(shown.join(u'|').toStdString(), "OrderID Integer 4 Bytes|ProductID Integer 4 Bytes|UnitPrice Decimal 19,4|"
                                              "Quantity Integer 2 Bytes|Discount Floatingpoint 7");
    mv::ExecResult r = c->execute(QStringLiteral("SELECT * FROM Shippers"));
    ASSERT_TRUE(r.rows.has_value());
    EXPECT_GT(r.rows->recordCount(), 2);
}

} // namespace
