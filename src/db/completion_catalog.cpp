#include "db/completion_catalog.h"

#include "app/error_report.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "db/detached_thread.h"
#include "exec/sql_names.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <mutex>

namespace mv {

// ---- the catalog ----

void CompletionCatalog::index(const NameRules* rules) {
    m_byName.clear();
    m_schemas.clear();
    for (int i = 0; i < tables.size(); ++i)
        m_byName[tables[i].name.toLower()].append(i);
    for (const QString& s : schemas)
        m_schemas.insert(s.toLower(), 1);
    // Schemas first, then tables and views, then procedures: the first of equal names stays.
    m_names.clear();
    m_names.reserve(size_t(schemas.size() + tables.size() + procedures.size()));
    for (const QString& s : schemas) m_names.push_back({s.toLower(), s, Name::Schema});
    for (const CatalogTable& t : tables) m_names.push_back({t.name.toLower(), t.name, t.view ? Name::View : Name::Table});
    for (const CatalogProcedure& p : procedures) m_names.push_back({p.name.toLower(), p.name, Name::Procedure});
    std::stable_sort(m_names.begin(), m_names.end(),
                     [](const Name& a, const Name& b) { return QString::compare(a.key, b.key) < 0; });
    m_names.erase(std::unique(m_names.begin(), m_names.end(),
                              [](const Name& a, const Name& b) { return a.key == b.key; }),
                  m_names.end());
    if (rules)
        for (Name& n : m_names) n.insert = quotedName(n.label, *rules);
}

const CatalogTable* CompletionCatalog::find(const QString& schema, const QString& name) const {
    const auto it = m_byName.constFind(name.toLower());
    if (it == m_byName.constEnd()) return nullptr;
    for (int i : *it)
        if (schema.isEmpty() || tables[i].schema.compare(schema, Qt::CaseInsensitive) == 0) return &tables[i];
    return nullptr;
}

bool CompletionCatalog::hasSchema(const QString& name) const {
    return m_schemas.contains(name.toLower());
}

namespace {

Recordset rowsOf(DbConnection& cn, const QString& sql, const std::atomic<bool>* stop) {
    ExecOptions options;
    options.stopRequested = stop;
    ExecResult r = cn.execute(sql, options);
    return r.rows ? *r.rows : Recordset();
}

// Rows of (schema, table, kind, column) ordered by table and column position become the tables.
void addColumnRows(CompletionCatalog& c, const Recordset& rs, const QString& viewMark) {
    QString lastSchema, lastName;
    CatalogTable* current = nullptr;
    for (int row = 0; row < rs.recordCount(); ++row) {
        const QString schema = rs.text(row, 0);
        const QString name = rs.text(row, 1);
        if (!current || name != lastName || schema != lastSchema) {
            c.tables.append({schema, name, rs.text(row, 2) == viewMark, {}});
            current = &c.tables.last();
            lastSchema = schema;
            lastName = name;
        }
        if (!rs.isNull(row, 3)) current->columns << rs.text(row, 3);
    }
}

void addSchemas(CompletionCatalog& c) {
    QString last;
    for (const CatalogTable& t : c.tables) {
        if (t.schema.isEmpty() || t.schema == last || c.schemas.contains(t.schema)) continue;
        c.schemas << t.schema;
        last = t.schema;
    }
}

void readPostgreSql(DbConnection& cn, CompletionCatalog& c, const std::atomic<bool>* stop) {
    addColumnRows(c,
                  rowsOf(cn,
                         QStringLiteral(
                             "SELECT n.nspname, c.relname, CASE WHEN c.relkind IN ('v','m') THEN 'V' ELSE 'T' END, "
                             "a.attname FROM pg_catalog.pg_class c "
                             "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                             "LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 "
                             "AND NOT a.attisdropped "
                             "WHERE c.relkind IN ('r','v','m','f','p') AND n.nspname NOT IN ('pg_catalog', "
                             "'information_schema') AND n.nspname NOT LIKE 'pg\\_toast%' "
                             "ORDER BY n.nspname, c.relname, a.attnum"),
                         stop),
                  QStringLiteral("V"));
    const Recordset schemas = rowsOf(cn,
                                     QStringLiteral("SELECT nspname FROM pg_catalog.pg_namespace WHERE nspname NOT "
                                                    "LIKE 'pg\\_%' AND nspname <> 'information_schema' ORDER BY 1"),
                                     stop);
    for (int row = 0; row < schemas.recordCount(); ++row)
        c.schemas << schemas.text(row, 0);
    const Recordset procs = rowsOf(cn,
                                   QStringLiteral("SELECT DISTINCT n.nspname, p.proname FROM pg_catalog.pg_proc p "
                                                  "JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace WHERE "
                                                  "n.nspname NOT IN ('pg_catalog', 'information_schema') ORDER BY 1, 2"),
                                   stop);
    for (int row = 0; row < procs.recordCount(); ++row)
        c.procedures.append({procs.text(row, 0), procs.text(row, 1)});
}

void readMySql(DbConnection& cn, CompletionCatalog& c, const std::atomic<bool>* stop) {
    addColumnRows(c,
                  rowsOf(cn,
                         QStringLiteral("SELECT c.TABLE_SCHEMA, c.TABLE_NAME, CASE WHEN t.TABLE_TYPE = 'VIEW' THEN 'V' "
                                        "ELSE 'T' END, c.COLUMN_NAME FROM information_schema.COLUMNS c JOIN "
                                        "information_schema.TABLES t ON t.TABLE_SCHEMA = c.TABLE_SCHEMA AND "
                                        "t.TABLE_NAME = c.TABLE_NAME WHERE c.TABLE_SCHEMA = DATABASE() "
                                        "ORDER BY c.TABLE_SCHEMA, c.TABLE_NAME, c.ORDINAL_POSITION"),
                         stop),
                  QStringLiteral("V"));
    const Recordset schemas = rowsOf(cn, QStringLiteral("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA "
                                                        "ORDER BY 1"),
                                     stop);
    for (int row = 0; row < schemas.recordCount(); ++row)
        c.schemas << schemas.text(row, 0);
    const Recordset procs = rowsOf(cn,
                                   QStringLiteral("SELECT ROUTINE_SCHEMA, ROUTINE_NAME FROM "
                                                  "information_schema.ROUTINES WHERE ROUTINE_SCHEMA = DATABASE() "
                                                  "ORDER BY 2"),
                                   stop);
    for (int row = 0; row < procs.recordCount(); ++row)
        c.procedures.append({procs.text(row, 0), procs.text(row, 1)});
}

QString textAt(const Recordset& rs, int row, int col) {
    return col < 0 || rs.isNull(row, col) ? QString() : rs.text(row, col);
}

void readOdbc(DbConnection& cn, CompletionCatalog& c) {
    const Recordset tables = cn.openSchema(SchemaKind::Tables);
    const int schemaCol = tables.fieldIndex(QStringLiteral("TABLE_SCHEMA"));
    const int nameCol = tables.fieldIndex(QStringLiteral("TABLE_NAME"));
    const int typeCol = tables.fieldIndex(QStringLiteral("TABLE_TYPE"));
    QHash<QString, int> at; // schema + '\n' + name -> table
    for (int row = 0; row < tables.recordCount(); ++row) {
        const QString type = textAt(tables, row, typeCol).toUpper();
        if (type != QLatin1String("TABLE") && type != QLatin1String("VIEW") && type != QLatin1String("BASE TABLE"))
            continue;
        CatalogTable t{textAt(tables, row, schemaCol), textAt(tables, row, nameCol), type == QLatin1String("VIEW"),
                       {}};
        at.insert(t.schema + u'\n' + t.name, int(c.tables.size()));
        c.tables.append(t);
    }
    auto addColumns = [&](const Recordset& cols) {
        const int s = cols.fieldIndex(QStringLiteral("TABLE_SCHEMA"));
        const int n = cols.fieldIndex(QStringLiteral("TABLE_NAME"));
        const int col = cols.fieldIndex(QStringLiteral("COLUMN_NAME"));
        for (int row = 0; row < cols.recordCount(); ++row) {
            const auto it = at.constFind(textAt(cols, row, s) + u'\n' + textAt(cols, row, n));
            if (it != at.constEnd()) c.tables[*it].columns << textAt(cols, row, col);
        }
    };
    try {
        addColumns(cn.openSchema(SchemaKind::Columns));
    } catch (const DbError&) {
        // A driver that wants a table name gets one call per table.
        for (const CatalogTable& t : QList<CatalogTable>(c.tables)) {
            SchemaRestrictions r{std::nullopt, t.schema.isEmpty() ? std::nullopt : std::optional<QString>(t.schema),
                                 t.name};
            addColumns(cn.openSchema(SchemaKind::Columns, r));
        }
    }
    try {
        const Recordset procs = cn.openSchema(SchemaKind::Procedures);
        const int s = procs.fieldIndex(QStringLiteral("PROCEDURE_SCHEMA"));
        const int n = procs.fieldIndex(QStringLiteral("PROCEDURE_NAME"));
        for (int row = 0; row < procs.recordCount(); ++row) {
            QString name = textAt(procs, row, n);
            // Some drivers add ";<number>" for overloads.
            if (const qsizetype semi = name.indexOf(u';'); semi > 0) name.truncate(semi);
            c.procedures.append({textAt(procs, row, s), name});
        }
    } catch (const DbError&) {
        // No procedures from this driver.
    }
    addSchemas(c);
}

} // namespace

CompletionCatalog readCompletionCatalog(DbConnection& cn, int databaseKind) {
    CompletionCatalog c;
    static const std::atomic<bool> never{false};
    if (databaseKind == KindPostgreSql)
        readPostgreSql(cn, c, &never);
    else if (databaseKind == KindMySql)
        readMySql(cn, c, &never);
    else
        readOdbc(cn, c);
    c.index();
    return c;
}

// ---- the loader ----

struct CatalogLoader::Job {
    std::atomic<bool> stopped{false};
    std::mutex lock;
    DbConnection* connection = nullptr; // while one is open
    // Where the result is announced; cleared (under the lock) when the loader goes.
    CatalogLoader* owner = nullptr;
};

CatalogLoader::CatalogLoader(QObject* parent) : QObject(parent) {}

CatalogLoader::~CatalogLoader() {
    stopJob();
}

// Never waits for the loading thread: a driver that takes its time (a connect to a host that does
// not answer) must not hold the window. The thread is told to stop and left to end on its own.
void CatalogLoader::stopJob() {
    if (m_job) {
        m_job->stopped = true;
        const std::lock_guard<std::mutex> guard(m_job->lock);
        m_job->owner = nullptr;
        if (m_job->connection) m_job->connection->cancel();
    }
    m_job.reset();
    m_loading = false;
}

void CatalogLoader::clear() {
    stopJob();
    m_catalog.reset();
}

void CatalogLoader::load(const QString& connectionString, int databaseKind) {
    stopJob();
    m_catalog.reset();
    auto job = std::make_shared<Job>();
    job->owner = this;
    m_job = job;
    m_loading = true;
    startDetached([job, connectionString, databaseKind] {
        CatalogPtr result;
        QString error;
        // Outside the try: the stop request may cancel it until it is unhooked below.
        std::unique_ptr<DbConnection> cn;
        try {
            cn = createDbConnection();
            {
                const std::lock_guard<std::mutex> guard(job->lock);
                job->connection = cn.get();
            }
            if (!job->stopped) {
                cn->open(connectionString);
                if (!job->stopped) {
                    CompletionCatalog c;
                    if (databaseKind == KindPostgreSql)
                        readPostgreSql(*cn, c, &job->stopped);
                    else if (databaseKind == KindMySql)
                        readMySql(*cn, c, &job->stopped);
                    else
                        readOdbc(*cn, c);
                    const DbInfo& info = cn->info();
                    const NameRules rules{sqlDialectOf(info.dbmsName, databaseKind), databaseKind,
                                          info.identifierQuote, info.keywords};
                    c.index(&rules);
                    result = std::make_shared<const CompletionCatalog>(std::move(c));
                }
            }
            {
                const std::lock_guard<std::mutex> guard(job->lock);
                job->connection = nullptr;
            }
            cn->close();
        } catch (...) {
            {
                const std::lock_guard<std::mutex> guard(job->lock);
                job->connection = nullptr;
            }
            error = describeCurrentException().description;
        }
        cn.reset();
        // Back on the window's thread; a load that was replaced or stopped meanwhile is not heard.
        // Posted under the lock, so the loader is alive here; Qt drops the call if it goes before
        // the call is delivered.
        const std::lock_guard<std::mutex> guard(job->lock);
        if (CatalogLoader* owner = job->owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, job, result, error] {
                    if (job != owner->m_job || job->stopped) return;
                    owner->m_loading = false;
                    if (result) {
                        owner->m_catalog = result;
                        emit owner->loaded();
                    } else {
                        emit owner->failed(error);
                    }
                },
                Qt::QueuedConnection);
    });
}

} // namespace mv
