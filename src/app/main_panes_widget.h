#pragma once
// The window's five panes in the splitter splMain: explorer tables and fields on the left; SQL
// toolbox, document tabs with the editor, and the result grid on the right.
#include <QSplitter>

class QHBoxLayout;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;

namespace mv {

class MainPanesWidget : public QSplitter {
    Q_OBJECT
public:
    explicit MainPanesWidget(QWidget* parent = nullptr);

    QWidget* paneTables() const { return m_paneTables; }
    QWidget* paneFields() const { return m_paneFields; }
    QWidget* paneSQL() const { return m_paneSQL; }
    QWidget* paneQuery() const { return m_paneQuery; }
    QWidget* paneResult() const { return m_paneResult; }
    QSplitter* leftSplitter() const { return m_left; }
    QSplitter* rightSplitter() const { return m_right; }

    QTreeWidget* tableList() const { return m_lTabList; }
    // The explorer toggle beside the document tabs.
    QPushButton* cmdCloseDB() const { return m_cmdCloseDB; }
    // The SQL toolbox toggle beside it.
    QPushButton* cmdToolbox() const { return m_cmdToolbox; }
    void applyLanguage();
    // The row above the editor that holds the toggles and the document tabs.
    QHBoxLayout* queryBar() const { return m_queryBar; }
    QTreeWidget* fieldList() const { return m_lFelder; }
    // The columns of both explorer lists, in the current language (widths given in twips).
    void prepareExplorerLists();

    static int twips(int t) { return t / 15; }

private:
    QWidget* makePane(const char* name, QSplitter* into);
    QSplitter* m_left;
    QSplitter* m_right;
    QWidget* m_paneTables;
    QWidget* m_paneFields;
    QWidget* m_paneSQL;
    QWidget* m_paneQuery;
    QWidget* m_paneResult;
    QTreeWidget* m_lTabList;
    QTreeWidget* m_lFelder;
    QPushButton* m_cmdCloseDB;
    QPushButton* m_cmdToolbox;
    QHBoxLayout* m_queryBar;
};

} // namespace mv
