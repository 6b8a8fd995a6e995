#include "db/odbc/odbc_catalog_support.h"

#include <QRegularExpression>

#include "db/odbc/odbc_types.h"

#include <set>

namespace mv::odbc::catalog {

namespace {

const QStringList& systemSchemas(DriverFamily family) {
    static const QStringList postgres{QStringLiteral("pg_catalog"), QStringLiteral("information_schema"),
                                      QStringLiteral("pg_toast")};
    static const QStringList mariadb{QStringLiteral("information_schema"), QStringLiteral("mysql"),
                                     QStringLiteral("performance_schema"), QStringLiteral("sys")};
    static const QStringList other{QStringLiteral("information_schema"), QStringLiteral("sys")};
    static const QStringList none;
    switch (family) {
    case DriverFamily::PostgreSQL:
        return postgres;
    case DriverFamily::MariaDB:
        return mariadb;
    case DriverFamily::Other:
        return other;
    default:
        return none;
    }
}

bool isMariaDb(const Session& s) {
    return s.connection.family() == DriverFamily::MariaDB;
}

bool nonEmpty(const std::optional<QString>& value) {
    return value && !value->isEmpty();
}

} // namespace

std::optional<QString> restriction(const SchemaRestrictions& r, size_t i) {
    if (i >= r.size()) return std::nullopt;
    return r[i];
}

bool matches(const Cell& value, const std::optional<QString>& wanted) {
    if (!wanted) return true;
    if (wanted->isEmpty()) return !value || value->isEmpty();
    return value && value->compare(*wanted, Qt::CaseInsensitive) == 0;
}

CatalogArg patternArg(const std::optional<QString>& wanted) {
    if (!nonEmpty(wanted)) return std::nullopt;
    return wanted;
}

std::vector<Scope> scopesFor(const Session& session, const std::optional<QString>& catalog,
                             const std::optional<QString>& schema, bool withSystem) {
    std::vector<Scope> scopes;
    if (isMariaDb(session)) {
        if (nonEmpty(catalog)) {
            scopes.push_back(Scope{catalog, std::nullopt});
        } else if (nonEmpty(schema)) {
            scopes.push_back(Scope{schema, std::nullopt});
        } else {
            scopes.push_back(Scope{session.info.databaseName, std::nullopt});
            if (withSystem)
                for (const QString& db : systemSchemas(DriverFamily::MariaDB))
                    if (db.compare(session.info.databaseName, Qt::CaseInsensitive) != 0)
                        scopes.push_back(Scope{db, std::nullopt});
        }
        return scopes;
    }
    scopes.push_back(Scope{patternArg(catalog), patternArg(schema)});
    return scopes;
}

Cell reportedSchema(const Session& session, const Cell& catalog, const Cell& schema) {
    if (!isMariaDb(session)) return schema;
    if (!catalog || catalog->compare(session.info.databaseName, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return catalog;
}

bool isSystemSchema(const Session& session, const Cell& catalog, const Cell& schema) {
    const DriverFamily family = session.connection.family();
    const Cell& place = family == DriverFamily::MariaDB ? catalog : schema;
    if (!place || place->isEmpty()) return false;
    if (systemSchemas(family).contains(*place, Qt::CaseInsensitive)) return true;
    return family == DriverFamily::PostgreSQL && (place->startsWith(QLatin1String("pg_temp_")) ||
                                                  place->startsWith(QLatin1String("pg_toast_temp_")));
}

bool isSystemName(const Session& session, const QString& name) {
    switch (session.connection.family()) {
    case DriverFamily::SQLite:
        return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
    case DriverFamily::MDBTools:
        return name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive);
    default:
        return false;
    }
}

std::vector<Row> readAll(Statement& statement) {
    std::vector<Row> rows;
    const SQLSMALLINT columns = statement.numResultCols();
    // MDBTools answers some catalog calls with no result at all and crashes when fetched then.
    if (columns <= 0) return rows;
    while (statement.fetchRow()) {
        Row row;
        row.reserve(size_t(columns));
        for (SQLSMALLINT c = 1; c <= columns; ++c)
            row.push_back(statement.text(SQLUSMALLINT(c)));
        rows.push_back(std::move(row));
    }
    statement.closeCursor();
    return rows;
}

Cell at(const Row& row, int column) {
    if (column < 1 || size_t(column) > row.size()) return std::nullopt;
    return row[size_t(column) - 1];
}

std::optional<qint64> intAt(const Row& row, int column) {
    const Cell cell = at(row, column);
    if (!cell) return std::nullopt;
    bool ok = false;
    const qint64 value = cell->trimmed().toLongLong(&ok);
    if (ok) return value;
    const double real = cell->trimmed().toDouble(&ok); // some drivers write "10.0"
    if (ok) return qint64(real);
    return std::nullopt;
}

RowsetWriter::RowsetWriter(std::initializer_list<FieldSpec> fields) {
    for (const FieldSpec& f : fields) {
        FieldInfo info;
        info.name = QString::fromLatin1(f.name);
        info.type = f.type;
        info.definedSize = f.size > 0 ? f.size : (ado::isTextType(f.type) ? 128 : 0);
        info.nullable = true;
        m_fields.push_back(info);
    }
}

void RowsetWriter::add(QVariantList values) {
    values.resize(m_fields.size());
    for (qsizetype c = 0; c < m_fields.size(); ++c) {
        FieldInfo& f = m_fields[c];
        QVariant& value = values[c];
        if (!value.isValid()) continue;
        if (ado::isTextType(f.type)) {
            f.definedSize = qMax<qint64>(f.definedSize, value.toString().size());
        } else if ((f.type == ado::adUnsignedTinyInt || f.type == ado::adUnsignedSmallInt ||
                    f.type == ado::adUnsignedInt || f.type == ado::adUnsignedBigInt) &&
                   value.toLongLong() < 0) {
            value = QVariant();
        }
    }
    m_rows.push_back(std::move(values));
}

Recordset RowsetWriter::finish() {
    RecordsetBuilder builder(m_fields);
    builder.reserve(qsizetype(m_rows.size()));
    for (const QVariantList& row : m_rows)
        builder.appendRow(row);
    m_rows.clear();
    return builder.finish();
}

RowsetWriter tablesWriter() {
    return RowsetWriter({{"TABLE_CATALOG", ado::adVarWChar},
                         {"TABLE_SCHEMA", ado::adVarWChar},
                         {"TABLE_NAME", ado::adVarWChar},
                         {"TABLE_TYPE", ado::adVarWChar},
                         {"DESCRIPTION", ado::adVarWChar, 2048}});
}

RowsetWriter columnsWriter() {
    return RowsetWriter({{"TABLE_CATALOG", ado::adVarWChar},
                         {"TABLE_SCHEMA", ado::adVarWChar},
                         {"TABLE_NAME", ado::adVarWChar},
                         {"COLUMN_NAME", ado::adVarWChar},
                         {"ORDINAL_POSITION", ado::adUnsignedInt},
                         {"COLUMN_HASDEFAULT", ado::adBoolean},
                         {"COLUMN_DEFAULT", ado::adVarWChar, 2048},
                         {"IS_NULLABLE", ado::adBoolean},
                         {"DATA_TYPE", ado::adUnsignedSmallInt},
                         {"TYPE_NAME", ado::adVarWChar},
                         {"CHARACTER_MAXIMUM_LENGTH", ado::adUnsignedBigInt},
                         {"CHARACTER_OCTET_LENGTH", ado::adUnsignedBigInt},
                         {"NUMERIC_PRECISION", ado::adUnsignedSmallInt},
                         {"NUMERIC_SCALE", ado::adSmallInt},
                         {"DATETIME_PRECISION", ado::adUnsignedInt},
                         {"DESCRIPTION", ado::adVarWChar, 2048}});
}

RowsetWriter primaryKeysWriter() {
    return RowsetWriter({{"TABLE_CATALOG", ado::adVarWChar},
                         {"TABLE_SCHEMA", ado::adVarWChar},
                         {"TABLE_NAME", ado::adVarWChar},
                         {"COLUMN_NAME", ado::adVarWChar},
                         {"ORDINAL", ado::adUnsignedInt},
                         {"PK_NAME", ado::adVarWChar}});
}

RowsetWriter indexesWriter() {
    return RowsetWriter({{"TABLE_CATALOG", ado::adVarWChar},
                         {"TABLE_SCHEMA", ado::adVarWChar},
                         {"TABLE_NAME", ado::adVarWChar},
                         {"INDEX_CATALOG", ado::adVarWChar},
                         {"INDEX_SCHEMA", ado::adVarWChar},
                         {"INDEX_NAME", ado::adVarWChar},
                         {"PRIMARY_KEY", ado::adBoolean},
                         {"UNIQUE", ado::adBoolean},
                         {"CLUSTERED", ado::adBoolean},
                         {"TYPE", ado::adUnsignedSmallInt},
                         {"ORDINAL_POSITION", ado::adUnsignedInt},
                         {"COLUMN_NAME", ado::adVarWChar},
                         {"COLLATION", ado::adSmallInt},
                         {"CARDINALITY", ado::adUnsignedBigInt},
                         {"FILTER_CONDITION", ado::adVarWChar, 2048}});
}

RowsetWriter proceduresWriter() {
    return RowsetWriter({{"PROCEDURE_CATALOG", ado::adVarWChar},
                         {"PROCEDURE_SCHEMA", ado::adVarWChar},
                         {"PROCEDURE_NAME", ado::adVarWChar},
                         {"PROCEDURE_TYPE", ado::adSmallInt},
                         {"DESCRIPTION", ado::adVarWChar, 2048}});
}

RowsetWriter procedureParametersWriter() {
    return RowsetWriter({{"PROCEDURE_CATALOG", ado::adVarWChar},
                         {"PROCEDURE_SCHEMA", ado::adVarWChar},
                         {"PROCEDURE_NAME", ado::adVarWChar},
                         {"PARAMETER_NAME", ado::adVarWChar},
                         {"ORDINAL_POSITION", ado::adUnsignedSmallInt},
                         {"PARAMETER_TYPE", ado::adUnsignedSmallInt},
                         {"PARAMETER_HASDEFAULT", ado::adBoolean},
                         {"PARAMETER_DEFAULT", ado::adVarWChar, 2048},
                         {"IS_NULLABLE", ado::adBoolean},
                         {"DATA_TYPE", ado::adUnsignedSmallInt},
                         {"CHARACTER_MAXIMUM_LENGTH", ado::adUnsignedBigInt},
                         {"CHARACTER_OCTET_LENGTH", ado::adUnsignedBigInt},
                         {"NUMERIC_PRECISION", ado::adUnsignedSmallInt},
                         {"NUMERIC_SCALE", ado::adSmallInt},
                         {"DESCRIPTION", ado::adVarWChar, 2048},
                         {"TYPE_NAME", ado::adVarWChar},
                         {"LOCAL_TYPE_NAME", ado::adVarWChar}});
}

RowsetWriter providerTypesWriter() {
    return RowsetWriter({{"TYPE_NAME", ado::adVarWChar},
                         {"DATA_TYPE", ado::adUnsignedSmallInt},
                         {"COLUMN_SIZE", ado::adUnsignedBigInt},
                         {"LITERAL_PREFIX", ado::adVarWChar},
                         {"LITERAL_SUFFIX", ado::adVarWChar},
                         {"CREATE_PARAMS", ado::adVarWChar},
                         {"IS_NULLABLE", ado::adBoolean},
                         {"CASE_SENSITIVE", ado::adBoolean},
                         {"SEARCHABLE", ado::adUnsignedInt},
                         {"UNSIGNED_ATTRIBUTE", ado::adBoolean},
                         {"FIXED_PREC_SCALE", ado::adBoolean},
                         {"AUTO_UNIQUE_VALUE", ado::adBoolean},
                         {"LOCAL_TYPE_NAME", ado::adVarWChar},
                         {"MINIMUM_SCALE", ado::adSmallInt},
                         {"MAXIMUM_SCALE", ado::adSmallInt},
                         {"IS_LONG", ado::adBoolean},
                         {"BEST_MATCH", ado::adBoolean},
                         {"IS_FIXEDLENGTH", ado::adBoolean}});
}

QVariant v(const Cell& cell) {
    return cell ? QVariant(*cell) : QVariant();
}

QVariant v(const std::optional<qint64>& value) {
    return value ? QVariant(*value) : QVariant();
}

QVariant vBool(bool value) {
    return QVariant(value);
}

bool isLinkedType(const QString& driverType) {
    const QString t = driverType.trimmed().toUpper();
    return t == QLatin1String("FOREIGN TABLE") || t == QLatin1String("SYNONYM") ||
           t == QLatin1String("ALIAS") || t == QLatin1String("LINK") || t == QLatin1String("PASS-THROUGH") ||
           t == QLatin1String("EXTERNAL TABLE");
}

QString classifyTableType(const Session& session, const Cell& catalog, const Cell& schema,
                          const QString& name, const QString& driverType) {
    const QString t = driverType.trimmed().toUpper();
    if (t.startsWith(QLatin1String("SYSTEM "))) return t;
    const bool viewLike = t.contains(QLatin1String("VIEW"));
    if (isSystemSchema(session, catalog, schema) || isSystemName(session, name))
        return viewLike ? QStringLiteral("SYSTEM VIEW") : QStringLiteral("SYSTEM TABLE");
    if (t == QLatin1String("MATVIEW") || t == QLatin1String("MATERIALIZED VIEW"))
        return QStringLiteral("VIEW");
    if (t == QLatin1String("BASE TABLE")) return QStringLiteral("TABLE");
    return driverType.trimmed();
}

std::vector<TableRef> findTables(Session& session, const std::optional<QString>& catalog,
                                 const std::optional<QString>& schema, const std::optional<QString>& table,
                                 bool viewsToo) {
    std::vector<TableRef> found;
    std::set<std::tuple<QString, QString, QString>> seen;
    for (const Scope& scope : scopesFor(session, catalog, schema, true)) {
        Statement st(session.connection);
        st.tables(scope.catalog, scope.schema, patternArg(table), std::nullopt);
        std::vector<Row> rows = readAll(st);
        if (session.connection.family() == DriverFamily::PostgreSQL) {
            // psqlODBC leaves system relations out unless asked for them by type.
            Statement system(session.connection);
            system.tables(scope.catalog, scope.schema.value_or(QStringLiteral("%")),
                          patternArg(table).value_or(QStringLiteral("%")), QStringLiteral("SYSTEM TABLE"));
            for (Row& r : readAll(system))
                rows.push_back(std::move(r));
        }
        for (const Row& r : rows) {
            const Cell name = at(r, 3);
            if (!name || !matches(name, table)) continue;
            const Cell cat = at(r, 1), sch = at(r, 2);
            if (!isMariaDb(session) && !matches(sch, schema)) continue;
            const QString type = classifyTableType(session, cat, sch, *name, at(r, 4).value_or(QString()));
            if (!viewsToo && type.contains(QLatin1String("VIEW"))) continue;
            if (!seen.insert({cat.value_or(QString()), sch.value_or(QString()), *name}).second) continue;
            found.push_back(TableRef{cat, sch, *name, type});
        }
    }
    return found;
}

Sizes sizesFor(int adoType, const std::optional<qint64>& columnSize,
               const std::optional<qint64>& decimalDigits, const std::optional<qint64>& octetLength) {
    Sizes s;
    if (adoType == ado::adBoolean) return s;
    if (ado::isTextType(adoType) && adoType != ado::adGUID) {
        s.characterMaximumLength = columnSize;
        s.characterOctetLength = octetLength ? octetLength : columnSize;
    } else if (ado::isBinaryType(adoType)) {
        s.characterMaximumLength = columnSize;
        s.characterOctetLength = columnSize;
    } else if (ado::isNumericType(adoType)) {
        s.numericPrecision = columnSize;
        if (ado::isDecimalType(adoType)) s.numericScale = decimalDigits;
    } else if (ado::isDateType(adoType)) {
        s.datetimePrecision = decimalDigits;
    }
    return s;
}

int adoTypeOfCatalog(const std::optional<qint64>& sqlType, const Cell& typeName) {
    const QString name = typeName.value_or(QString());
    const bool isUnsigned = name.contains(QLatin1String("unsigned"), Qt::CaseInsensitive);
    return adoTypeOf(SQLSMALLINT(sqlType.value_or(SQL_UNKNOWN_TYPE)), isUnsigned, name);
}

CatalogType catalogColumnType(DriverFamily family, const std::optional<qint64>& sqlType, const Cell& typeName,
                              const std::optional<qint64>& columnSize, const std::optional<qint64>& decimalDigits,
                              const std::optional<qint64>& octetLength) {
    if (family == DriverFamily::SQLite && typeName) {
        static const QRegularExpression declared(
            QStringLiteral("^\\s*(?:NUMERIC|DECIMAL)\\s*(?:\\(\\s*(\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\))?\\s*$"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = declared.match(*typeName);
        if (m.hasMatch()) {
            CatalogType t{ado::adNumeric, {}};
            if (m.hasCaptured(1)) {
                t.sizes.numericPrecision = m.captured(1).toLongLong();
                t.sizes.numericScale = m.hasCaptured(2) ? m.captured(2).toLongLong() : 0;
            }
            return t;
        }
    }
    CatalogType t;
    t.adoType = adoTypeOfCatalog(sqlType, typeName);
    t.sizes = sizesFor(t.adoType, columnSize, decimalDigits, octetLength);
    if (family == DriverFamily::MDBTools && typeName) {
        // Access's number types have fixed sizes that the driver leaves out.
        const QString name = typeName->trimmed().toUpper();
        if (name == QLatin1String("MONEY") || name == QLatin1String("CURRENCY")) {
            t.adoType = ado::adCurrency;
            t.sizes = Sizes{};
            t.sizes.numericPrecision = 19;
            t.sizes.numericScale = 4;
        } else if (name == QLatin1String("FLOAT") || name == QLatin1String("SINGLE")) {
            t.adoType = ado::adSingle;
            t.sizes = Sizes{};
            t.sizes.numericPrecision = 7;
        } else if (name == QLatin1String("DOUBLE")) {
            t.adoType = ado::adDouble;
            t.sizes = Sizes{};
            t.sizes.numericPrecision = 15;
        }
    }
    return t;
}

} // namespace mv::odbc::catalog
