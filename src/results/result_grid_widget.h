#pragma once
// The result grid "Grid": the group-by area, the table (or the card view) over the result model
// and the record navigator, with everything the program asks of a grid: binding a recordset,
// columns with their layout attributes, layout files, the current row, sorting and grouping,
// display options, edit permissions and their events, the unbound mode of the layout dialog, and
// the printer properties.
//
// Sizes: the row height and column widths are twips (15 twips a pixel).
#include "results/grid_layout.h"
#include "results/grid_print_settings.h"
#include "results/result_model.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QWidget>
#include <optional>

class QStackedWidget;

namespace mv {

class GridCardView;
class GridTableView;
class GroupByAreaWidget;
class RecordNavigatorWidget;

// A named format style: "OddRow" colours the odd rows when alternating colours are on,
// "DisabledStyle" the grid while its busy switch is off.
struct GridFormatStyle {
    QColor backColor;
    QColor foreColor;
    bool bold = false;
    bool operator==(const GridFormatStyle&) const = default;
};

class ResultGridWidget : public QWidget {
    Q_OBJECT
  public:
    static constexpr int TwipsPerPixel = 15;
    enum HeaderStyle { ReportHeader = 2, StandardHeader = 3 };

    explicit ResultGridWidget(QWidget* parent = nullptr);
    ~ResultGridWidget() override;

    // --- binding ---
    // Shows a copy of the recordset (sharing its rows; edits go to the grid's copy). The columns
    // are made anew (widths fitted from a sample of rows) unless holdColumnsOnNextBind() was called.
    void setRecordset(const Recordset& rs);
    // The bound recordset with the grid's edits; a closed one when nothing is bound.
    const Recordset& recordset() const;
    bool hasRecordset() const { return dataMode() == 1; }
    void unbind(); // the rows go; columns stay
    void refresh();
    void rebind(); // binds the same recordset again
    void clearColumns();
    void holdColumnsOnNextBind();
    // Cleared during a run: the grid takes no input and shows the "DisabledStyle" colours.
    bool busySwitch() const { return m_busySwitch; }
    void setBusySwitch(bool on);
    int dataMode() const { return int(m_model->mode()); } // 0 none, 1 recordset bound, 2 unbound
    int recordCount() const { return m_model->recordCount(); }
    int visibleColumnCount() const { return m_model->visibleColumnCount(); }

    // Unbound mode: rows come from the source (not owned); nullptr leaves unbound mode.
    void setUnboundSource(GridUnboundSource* source);

    // --- layout ---
    GridLayout gridLayout() const;
    // Throws MvError for an inconsistent layout; nothing changes then.
    void applyGridLayout(const GridLayout& layout);
    void saveLayout(const QString& path) const; // throws MvError
    void loadLayout(const QString& path);       // throws MvError; nothing changes on failure

    // --- columns (position = display order, 0-based) ---
    int columnCount() const { return int(m_model->columns().size()); }
    const QList<GridColumn>& columns() const { return m_model->columns(); }
    GridColumn column(int position) const;
    int findColumn(const QString& key) const { return m_model->findColumn(key); }
    void setColumns(const QList<GridColumn>& columns); // throws MvError for repeated keys
    void setColumn(int position, const GridColumn& column);
    void addColumn(const GridColumn& column); // throws MvError when the key is taken
    void removeColumn(const QString& key);
    void moveColumn(const QString& key, int position);
    void setImageList(const QList<QIcon>& images);

    // --- current row ---
    int currentRecord() const;                         // the recordset row; -1 none
    int currentPosition() const { return m_position; } // in display order; -1 none
    void setCurrentPosition(int position);
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    // The current row's value of a column: nothing without a current row or such a column; an
    // invalid QVariant for Null.
    std::optional<QVariant> currentValue(int column) const;
    std::optional<QVariant> currentValue(const QString& key) const;

    // --- order and groups ---
    QList<GridSortKey> sortKeys() const { return m_model->sortKeys(); }
    void setSortKeys(const QList<GridSortKey>& keys);
    // 1 ascending, -1 descending, 0 not a sort key.
    int sortOrder(const QString& key) const;
    QList<GridSortKey> groupKeys() const { return m_model->groupKeys(); }
    void setGroupKeys(const QList<GridSortKey>& keys);
    // Groups by the column at a level (-1: innermost); a column already grouped moves there.
    void groupBy(const QString& key, int level = -1);
    void ungroup(const QString& key);
    void setAllGroupsExpanded(bool expanded) { m_model->setAllGroupsExpanded(expanded); }
    bool isArranging() const { return m_model->isArranging(); }
    void waitForArrangement() { m_model->waitForArrangement(); }

    // --- display options ---
    bool groupByBoxVisible() const { return m_groupByBoxVisible; }
    void setGroupByBoxVisible(bool on);
    QString groupByBoxPrompt() const;
    void setGroupByBoxPrompt(const QString& text);
    int groupFooterMode() const { return m_model->groupFooters() ? 2 : 0; } // 0 none, 2 shown
    void setGroupFooterMode(int mode);
    bool navigatorVisible() const { return m_navigatorVisible; }
    void setNavigatorVisible(bool on);
    int view() const { return m_view; } // 0 table, 1 cards
    void setView(int view);
    bool rowHeadersVisible() const;
    void setRowHeadersVisible(bool on);
    bool alternatingRowColors() const;
    void setAlternatingRowColors(bool on);
    bool gridLines() const;
    void setGridLines(bool on);
    int headerStyle() const { return m_headerStyle; }
    void setHeaderStyle(int style);
    QColor headerForeColor() const { return m_headerFore; }
    void setHeaderForeColor(const QColor& color);
    QColor headerBackColor() const { return m_headerBack; }
    void setHeaderBackColor(const QColor& color);
    bool headerFontBold() const { return m_headerBold; }
    void setHeaderFontBold(bool on);
    QFont gridFont() const;
    void setGridFont(const QFont& font);
    QColor backColor() const;
    void setBackColor(const QColor& color);
    GridFormatStyle formatStyle(const QString& name) const { return m_styles.value(name); }
    void setFormatStyle(const QString& name, const GridFormatStyle& style);
    int rowHeight() const { return m_rowHeight; } // twips
    void setRowHeight(int twips);
    // Fits every column to its caption and a sample of rows (never all of them).
    void fitColumns();
    // Texts of the current language (group-by prompt, navigator).
    void applyLanguage();

    // --- editing ---
    bool allowEdit() const { return m_model->allowEdit(); }
    void setAllowEdit(bool on);
    bool allowAddNew() const { return m_model->allowAddNew(); }
    void setAllowAddNew(bool on) { m_model->setAllowAddNew(on); }
    bool allowDelete() const;
    void setAllowDelete(bool on);
    // Writes the current row's pending edit (open cell editors included).
    bool commitRow();
    bool deleteSelectedRows();

    // The selected rows as text: tab between cells, CR LF between rows (what a row drag carries).
    QString selectedRowsText() const;

    GridPrintSettings& printSettings() { return m_print; }
    const GridPrintSettings& printSettings() const { return m_print; }

    ResultModel* model() const { return m_model; }
    GridTableView* tableView() const { return m_table; }
    GridCardView* cardView() const { return m_cards; }
    GroupByAreaWidget* groupByBox() const { return m_groupBox; }
    RecordNavigatorWidget* navigator() const { return m_navigator; }

  signals:
    void beforeColUpdate(int record, int column, const QVariant& value, bool* cancel);
    void beforeUpdate(int record, bool* cancel);
    void beforeDelete(int count, bool* cancel);
    void columnHeaderClick(const QString& key);
    void mouseUp(Qt::MouseButton button, const QPoint& globalPos);
    void rowDrag();
    void activated(); // double click on a record
    void currentRecordChanged(int record);

  private:
    void onCurrentRowChanged(int row);
    void onModelAboutToReset();
    void onModelReset();
    void applyColumnGeometry();
    void applyHeaderLook();
    void applyPalette();
    void updateNavigator();
    void updateGroupBox();
    void fitColumnsTo(const QList<int>& rows);
    QList<int> sampleRows() const;

    ResultModel* m_model;
    GroupByAreaWidget* m_groupBox;
    QStackedWidget* m_stack;
    GridTableView* m_table;
    GridCardView* m_cards;
    RecordNavigatorWidget* m_navigator;

    int m_position = -1;
    int m_rememberedRecord = -1; // -2: the source changes, nothing to restore
    int m_rememberedPosition = -1;
    quint64 m_rememberedStamp = 0;
    int m_view = 0;
    bool m_groupByBoxVisible = false;
    bool m_navigatorVisible = false;
    bool m_busySwitch = true;
    bool m_applyingGeometry = false;
    bool m_settingCurrent = false;
    int m_headerStyle = StandardHeader;
    QColor m_headerFore, m_headerBack;
    bool m_headerBold = false;
    int m_rowHeight = 255;
    QHash<QString, GridFormatStyle> m_styles;
    GridPrintSettings m_print;
};

} // namespace mv
