#pragma once
// The column layout dialog frmLayout: the result grid's columns as an editable table of their
// sixteen attributes (an unbound grid over the layout table), a switch between table and card
// view, the row height in pixels and "Hold layout". Save applies everything to the result grid:
// every table row to the column whose position equals the row's "Index".
#include "results/grid_layout_table.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mv {

class GridUnboundSource;
class ResultGridWidget;

class frmLayout : public QDialog {
    Q_OBJECT
  public:
    // `keepLayout` is the program's keep-layout flag; Save writes the check box into it.
    frmLayout(ResultGridWidget& resultGrid, bool& keepLayout, QWidget* parent = nullptr);
    ~frmLayout() override;

    // Copies the sixteen attributes of every result column into the layout table and shows it.
    void ShowJanusGridlayout();
    void cmdView_Click();
    // Applies row height, keep-layout flag and the table; a row height that is no number (or not
    // above 0) or a table row that fits no column is reported and nothing is applied.
    void cmdAnwenden_Click();

    LayoutTable& layoutTable() { return m_table; }

    ResultGridWidget* GridLayout;
    QPushButton* cmdView;
    QPushButton* cmdAnwenden;
    QPushButton* cmdClose;
    QCheckBox* chkHoldlayout;
    QLabel* lblRowHeight;
    QLineEdit* txtRowHeight;

  private:
    void Form_Load();

    ResultGridWidget& m_result;
    bool& m_keepLayout;
    LayoutTable m_table;
    std::unique_ptr<GridUnboundSource> m_source;
};

} // namespace mv
