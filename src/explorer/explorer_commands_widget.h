#pragma once
// The explorer's menu commands: the SQL skeletons of the Query and Edit menus (Build Update,
// Build Where, Build Join, Insert Fieldlist, Delete Tabs) and the catalog listings of the DBInfo
// menu, registered by their keys.
#include "explorer/catalog_listings.h"
#include "explorer/sql_generation.h"

#include <QObject>
#include <functional>

namespace mv {

class C_DbConnect;
class CommandDispatcher;
class ExplorerWidget;
class Recordset;

class ExplorerCommands : public QObject {
    Q_OBJECT
  public:
    // programFolder: where the catalog listings are written.
    ExplorerCommands(C_DbConnect& cn, ExplorerWidget& explorer, const QString& programFolder,
                     QObject* parent = nullptr);

    // The result grid's current row, for Build Where and Build Update.
    void setCurrentRowReader(CurrentRowReader reader) { m_currentRow = std::move(reader); }
    // Where the table and view listings show their catalog rowset (the result grid).
    void setShowInGrid(std::function<void(const Recordset&)> show) {
        m_listings.setShowInGrid(std::move(show));
    }

    // kBuildUpdate, kBuildWhere, kBuildJoin, kInsertFields, kDelTabs, kExTables, kExFields, kExViews,
    // kExViewFields, kExIndexFields, kExStProcParas.
    void registerCommands(CommandDispatcher& dispatcher);

    QString BuildJoin();
    QString BuildWhere();

    void cmdBuildJoin();
    void cmdmBuildWh();
    void cmdmBuildUpd();
    void cmdmDelTabs();

    CatalogListings& listings() { return m_listings; }

  private:
    C_DbConnect& m_cn;
    ExplorerWidget& m_explorer;
    CatalogListings m_listings;
    CurrentRowReader m_currentRow;
};

} // namespace mv
