#pragma once
// The names the editor's completion offers for one connection (schemas, tables and views with
// their columns, stored procedures), read in the background on a connection of its own, so the
// window never waits and a running statement is never disturbed.
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace mv {

class DbConnection;

struct CatalogTable {
    QString schema;
    QString name;
    bool view = false;
    QStringList columns; // in the table's order
};

struct CatalogProcedure {
    QString schema;
    QString name;
};

class CompletionCatalog {
  public:
    QList<CatalogTable> tables;
    QList<CatalogProcedure> procedures;
    QStringList schemas;

    // Every schema, table, view and procedure name once, sorted by its lower-case form (built by
    // index()), so the names that start with a typed word are one range of it.
    struct Name {
        enum Kind { Schema, Table, View, Procedure };
        QString key; // lower case
        QString label;
        Kind kind;
        QString insert; // the name as written in SQL on the catalog's connection; empty: not worked out
    };
    const std::vector<Name>& sortedNames() const { return m_names; }

    // Builds the look-up tables; call once after filling the lists. With rules, the names are
    // also quoted as the connection needs them (done once, on the loading thread).
    void index(const struct NameRules* rules = nullptr);
    // The table or view of that name (case-insensitive; in the schema when one is given), or none.
    // Without a schema, a name in several schemas gives the first one read.
    const CatalogTable* find(const QString& schema, const QString& name) const;
    bool hasSchema(const QString& name) const;

  private:
    QHash<QString, QList<int>> m_byName; // lower-case name -> tables
    QHash<QString, int> m_schemas;        // lower-case schema -> 1
    std::vector<Name> m_names;
};

using CatalogPtr = std::shared_ptr<const CompletionCatalog>;

// Reads the catalog over the connection: catalog queries of the database for PostgreSQL and
// MariaDB/MySQL (one round trip each), the ODBC catalog functions for every other source. Throws
// DbError.
CompletionCatalog readCompletionCatalog(DbConnection& connection, int databaseKind);

// Loads catalogs on a thread of their own; a new load, clear() or the loader's end makes the one
// running stop and its result go unheard, without waiting for it.
class CatalogLoader : public QObject {
    Q_OBJECT
  public:
    explicit CatalogLoader(QObject* parent = nullptr);
    ~CatalogLoader() override;

    // Opens a connection of its own with the connection string (the driver string of the
    // connection the user opened) and reads the catalog.
    void load(const QString& connectionString, int databaseKind);
    // Forgets the catalog (the connection ended or changed).
    void clear();
    CatalogPtr catalog() const { return m_catalog; }
    bool loading() const { return m_loading; }

  signals:
    void loaded();
    void failed(const QString& message);

  private:
    struct Job;
    void stopJob();

    std::shared_ptr<Job> m_job;
    CatalogPtr m_catalog;
    bool m_loading = false;
};

} // namespace mv
