#pragma once
// What the program adds to the result grid: the edit guard and its state label, the display
// option commands of the Resultgrid menu with their check marks, sorting by header click, the
// context menu request, the record detail window and the layout dialog.
//
// The window wires it: for every key of commandKeys() it registers runCommand(key) and, after a
// command ran, sets the entry's check mark to checkState(key); before the Resultgrid menu opens
// it sets every mark to checkState(key). contextMenuRequested asks for the menu "kResult".
#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>

class QLabel;

namespace mv {

class ResultGridWidget;

// The grid state label: 0 "edit without update" (green), 1 "edit and update!" (red), 2 the
// statements of the open transaction (cyan), 3 empty (button face). `count` is the statement
// count shown in state 2. Another state is reported (module "modGrid").
void SetGridState(QLabel* label, int state, int count = 0);
// The grid's format style "DisabledStyle" gets the button-face back colour.
void SetNewGridStyles(ResultGridWidget& grid);

class ResultGridController : public QObject {
    Q_OBJECT
  public:
    // The flags start as the settings give them; the label shows state 1 with update permission,
    // else state 3. `stateLabel` may be null.
    ResultGridController(ResultGridWidget& grid, QLabel* stateLabel, bool allowUpdate, bool allowAddNew,
                         bool allowDelete, QObject* parent = nullptr);

    ResultGridWidget& grid() const { return m_grid; }
    QLabel* stateLabel() const { return m_label; }

    bool updatePermission() const { return m_updatePermission; }
    bool sortingPermission() const { return m_sortingPermission; }
    bool keepLayout() const { return m_keepLayout; }
    void setKeepLayout(bool on) { m_keepLayout = on; }
    // The column sorted by the last header click: its key and caption.
    const QString& lastSortKey() const { return m_lastSortKey; }
    const QString& lastSortCaption() const { return m_lastSortCaption; }

    // The commands; each returns the option's state after the click (its check mark).
    bool cmdRGSorting();
    bool cmdRGGrouping();
    bool cmdRGGroupFooter();
    bool cmdRGNavigation();
    bool cmdRGCardView();
    void cmdRBFitColumns();
    bool cmdRBRowHeaders();
    bool cmdRBGridlines();
    bool cmdRBHeader();
    bool cmdRBAllowAddNew();
    bool cmdRBAllowDelete();
    bool cmdRBAllowEdit();
    bool cmdRBEvenOdd(); // the menu entry "kShowEvenOdd"
    bool smSort_Click() { return cmdRGSorting(); }
    bool smGroup_Click() { return cmdRGGrouping(); }
    bool smGroupFooter_Click() { return cmdRGGroupFooter(); }

    // "kLayout", "kSorting", "kGrouping", "kGroupFooter", "kNavigation", "kCardView",
    // "kFitColumns", "kShowRowHeaders", "kShowEvenOdd", "kShowGridlines", "kShowReportHeaders",
    // "kAllowEdit", "kAllowAddNew", "kAllowDelete".
    static QStringList commandKeys();
    // Runs the command of a key; false for a key that is none of them.
    bool runCommand(const QString& key);
    // The check mark of a Resultgrid menu key as the grid stands; nothing for keys without one.
    std::optional<bool> checkState(const QString& key) const;

    // The header-click sort cycle (only with sorting permission): descending, ascending, unsorted.
    void Grid_ColumnHeaderClick(const QString& key);
    // Opens the layout dialog modal over the grid's window.
    void openLayoutDialog();
    // Opens the record detail window for the grid's current row.
    void openRecordDetail();

  signals:
    void contextMenuRequested(const QPoint& globalPos);

  private:
    bool reportHeaderOn() const;

    ResultGridWidget& m_grid;
    QLabel* m_label;
    bool m_updatePermission;
    bool m_sortingPermission = false;
    bool m_keepLayout = false;
    QString m_lastSortKey;
    QString m_lastSortCaption;
};

} // namespace mv
