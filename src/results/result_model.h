#pragma once
// The table model of the result grid: reads the bound recordset's columns directly (a cell is
// read from the column store when it is shown; nothing is built per row or per cell), or the rows
// of an unbound source. It holds the grid columns, the sort and group keys with their
// arrangement and outline, and the pending edit of one row.
//
// Display rows are group headers, records, group footers and, with adding allowed, the new-row
// line at the end. A "record" is a row index of the recordset (or of the unbound source); a
// "position" is a record's place in the display order.
//
// Arranging: sets of up to SyncLimit rows are ordered and grouped at once; larger sets on a
// worker thread that reads a copy of the recordset (copies share the rows). Meanwhile the grid
// shows the previous order; the model resets when the new one arrives.
//
// Editing: a cell edit is announced by beforeColUpdate (cancellable) and kept as the row's pending
// edit; commitRow() announces beforeUpdate (cancellable) and writes the row to the recordset.
// Deleting is announced by beforeDelete (cancellable). Errors are reported, never thrown out.
#include "db/recordset.h"
#include "results/grid_grouping.h"
#include "results/grid_layout.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <map>
#include <memory>
#include <thread>

namespace mv {

// The rows of an unbound grid, addressed 1-based; each row is a list of values in the order of
// fieldNames(). Columns name their value by its field name in dataField.
class GridUnboundSource {
  public:
    virtual ~GridUnboundSource() = default;
    virtual QStringList fieldNames() const = 0;
    virtual int rowCount() const = 0;
    virtual QVariantList readRow(int rowIndex) const = 0;
    virtual void updateRow(int rowIndex, const QVariantList& values) = 0;
    virtual void addRow(const QVariantList& values) = 0;
    virtual void deleteRow(int rowIndex) = 0;
};

class ResultModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Role {
        RowKindRole = Qt::UserRole + 1, // RowKind as int
        GroupLevelRole,
        GroupExpandedRole,
        GroupCaptionRole, // the whole caption of a group header, in every column
        IconRole,         // image number of the value list, -1 none
        RecordRole,       // the record of the row, -1 none
        WordWrapRole,
        NullRole, // true for a NULL cell of a record while the NULL mark is on
    };
    enum class RowKind { Record = 0, GroupHeader, GroupFooter, NewRow };
    // The data mode value: 1 whenever a recordset is bound.
    enum class Mode { Empty = 0, Bound = 1, Unbound = 2 };

    static constexpr int SyncLimit = 50'000;
    // Deleting more rows than this at once rebuilds the recordset in one pass.
    static constexpr int BulkDeleteLimit = 32;

    explicit ResultModel(QObject* parent = nullptr);
    ~ResultModel() override;

    // NULL cells read "NULL" on screen (greyed by the views); off: they look like empty text.
    // What the model hands to printing and exporting (DisplayRole, cellText) never changes.
    void setNullMark(bool on);
    bool nullMark() const { return m_nullMark; }
    bool isNullCell(int record, int column) const;
    static QString nullText() { return QStringLiteral("NULL"); }

    // --- source ---
    Mode mode() const { return m_mode; }
    // Binds a copy of the recordset (sharing its rows). The columns are made anew from its fields
    // and sorting and grouping end, unless keepColumnsOnNextBind() was called before.
    void setRecordset(const Recordset& rs);
    void keepColumnsOnNextBind() { m_keepColumns = true; }
    bool keepsColumnsOnNextBind() const { return m_keepColumns; }
    // The rows go; columns, sort and group keys stay.
    void unbind();
    // The bound recordset with every written edit; a closed one when none is bound.
    const Recordset& recordset() const { return m_rs; }
    // Switches to unbound mode over the source (not owned); columns stay.
    void setUnboundSource(GridUnboundSource* source);
    GridUnboundSource* unboundSource() const { return m_unbound; }
    // Shows the source again from scratch (rows, order, groups).
    void refresh();
    int recordCount() const;

    // --- columns (display order; index = position) ---
    const QList<GridColumn>& columns() const { return m_columns; }
    // Throws MvError for keys that are empty or repeat.
    void setColumns(const QList<GridColumn>& columns);
    void clearColumns();
    int findColumn(const QString& key) const; // letter case ignored; -1 none
    int fieldOfColumn(int column) const;
    void moveColumn(int from, int to);
    // Only the width: no reset (the view already shows it).
    void setColumnWidth(int column, int twips);
    int visibleColumnCount() const;

    // --- order and groups ---
    QList<GridSortKey> sortKeys() const { return m_sortKeys; }
    void setSortKeys(const QList<GridSortKey>& keys);
    QList<GridSortKey> groupKeys() const { return m_groupKeys; }
    void setGroupKeys(const QList<GridSortKey>& keys);
    // Columns, grouping and sorting at once (one arrangement). Throws MvError like setColumns.
    void applyLayout(const QList<GridColumn>& columns, const QList<GridSortKey>& groups,
                     const QList<GridSortKey>& sorts);
    bool groupFooters() const { return m_outline.footers(); }
    void setGroupFooters(bool on);
    bool isArranging() const { return m_worker.joinable(); }
    // Runs the event loop until the worker's arrangement has arrived.
    void waitForArrangement();
    const GridArrangement& arrangement() const { return m_arr; }
    // Changes whenever records come or go (record numbers after them may have moved).
    quint64 structureStamp() const { return m_structure; }

    // --- display rows ---
    RowKind rowKind(int row) const;
    int recordOfRow(int row) const;    // -1 for group rows and the new-row line
    int rowOfRecord(int record) const; // the record's row or the header hiding it; -1 none
    int positionCount() const { return m_arr.rowCount; }
    int recordAtPosition(int position) const { return m_arr.recordAt(position); }
    int positionOfRecord(int record) const;
    int positionOfRow(int row) const;      // -1 for rows that show no record
    int rowOfPosition(int position) const; // the row, or the header of a collapsed group hiding it
    // Expands every collapsed group that hides the position.
    void revealPosition(int position);
    bool hasNewRowLine() const;
    int newRowLine() const { return hasNewRowLine() ? m_outline.rowCount() : -1; }
    bool isGroupExpanded(int row) const;
    void setGroupExpanded(int row, bool expanded);
    void setAllGroupsExpanded(bool expanded);

    // --- cells ---
    // The value of a record's cell, the pending edit included; invalid for Null.
    QVariant cellValue(int record, int column) const;
    // The text shown for it: value-list text, else the formatted value.
    QString cellText(int record, int column) const;
    // Visible columns in order, tab between cells, CR LF between rows; records only.
    QString rowsText(QList<int> rows) const;

    // --- editing ---
    bool allowEdit() const { return m_allowEdit; }
    void setAllowEdit(bool on) { m_allowEdit = on; }
    bool allowAddNew() const { return m_allowAddNew; }
    void setAllowAddNew(bool on);
    bool hasPendingRow() const { return m_pending.active; }
    int pendingRecord() const { return m_pending.active ? m_pending.record : -2; } // -1: the new row
    // Writes the pending row; false when there was none, it was cancelled or failed.
    bool commitRow();
    void cancelRow();
    // Deletes the records among the rows; false when cancelled or nothing was deleted.
    bool deleteRows(const QList<int>& rows);

    // --- QAbstractTableModel ---
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

  signals:
    void beforeColUpdate(int record, int column, const QVariant& value, bool* cancel);
    void beforeUpdate(int record, bool* cancel); // record -1: the new row
    void beforeDelete(int count, bool* cancel);
    void arrangementFinished();
    void columnsChanged();

  private:
    struct Pending {
        bool active = false;
        int record = -1;                // -1: the new row
        std::map<int, QVariant> values; // by field
    };

    bool isEditable(int column) const;
    QVariant storedValue(int record, int field) const;
    QString plainText(int record, int field) const;
    int fieldType(int field) const;
    QString groupCaption(int level, int group) const;
    QString footerText(int level, int group, int column) const;
    QString displayText(const GridColumn& column, int field, const QVariant& value) const;
    void resolveFields();
    void resetArrangement();
    void rearrange();
    void startWorker(std::vector<GridOrderKey> groups, std::vector<GridOrderKey> sorts,
                     std::vector<GridAggregateSpec> aggregates_);
    void finishArrangement(quint64 ticket, quint64 structure, std::shared_ptr<GridArrangement> result,
                           QString error);
    void applyArrangement(GridArrangement&& arrangement);
    void stopWorker();
    bool validateCell(int field, const QVariant& value) const;
    bool writePending();
    void removeRecords(std::vector<int> records);
    void bulkDelete(const std::vector<int>& records);
    void dropMissingKeys();

    Mode m_mode = Mode::Empty;
    Recordset m_rs;
    GridUnboundSource* m_unbound = nullptr;
    QList<GridColumn> m_columns;
    std::vector<int> m_fieldOf; // per column; -1 none
    QList<GridSortKey> m_sortKeys;
    QList<GridSortKey> m_groupKeys;
    QStringList m_specColumns;                         // column keys of the arrangement's aggregate aggregates_
    QStringList m_groupColumns;                        // column keys of the arrangement's group levels
    QStringList m_nextSpecColumns, m_nextGroupColumns; // those of the arrangement being made
    bool m_keepColumns = false;
    bool m_nullMark = true;
    bool m_allowEdit = true;
    bool m_allowAddNew = false;

    GridArrangement m_arr;
    GroupOutline m_outline;
    Pending m_pending;

    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    quint64 m_ticket = 0;
    quint64 m_structure = 0; // changes whenever records come or go

    mutable int m_cachedRow = -1; // unbound: the last row read
    mutable QVariantList m_cachedValues;
};

} // namespace mv
