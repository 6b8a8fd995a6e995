#pragma once
// The record detail window frmResultDetail: every column of the result grid's current row as
// one property (caption, then the value), with a navigation bar that moves the grid's current
// row.
#include <QDialog>

class QPushButton;
class QScrollArea;
class QToolBar;
class QGridLayout;

namespace mv {

class ResultGridWidget;

class frmResultDetail : public QDialog {
    Q_OBJECT
  public:
    enum class ItemKind { Text, MultiLine, Check };
    struct Item {
        QString key;     // the column's data field
        QString caption; // the column caption followed by a tab
        ItemKind kind = ItemKind::Text;
        QWidget* editor = nullptr;
    };

    explicit frmResultDetail(ResultGridWidget& grid, QWidget* parent = nullptr);

    // Fills the property list from the grid's current row.
    void ShowRowDetails(ResultGridWidget& grid);

    const QList<Item>& items() const { return m_items; }
    // The value an item shows ("True" / "False" for check items); empty for an unknown key.
    QString itemText(const QString& key) const;

    QScrollArea* smProperty;
    QToolBar* tbNavigation;
    QPushButton* cmdClose;

  private:
    void navigate(const QString& key);

    ResultGridWidget& m_grid;
    QWidget* m_list;
    QGridLayout* m_listLayout;
    QList<Item> m_items;
};

// Opens the window modal over `owner` for the grid's current row, after pending window messages
// ran (once at a time: a second activation while it is open does nothing).
void openResultDetail(ResultGridWidget& grid, QWidget* owner);

} // namespace mv
