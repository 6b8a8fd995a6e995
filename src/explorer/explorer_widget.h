#pragma once
// The database explorer in the window's two left panes: the object chooser cmbTabList (grouped,
// with icons) with its filter box, system objects switch and Refresh button above the working
// list lTabList, and the field list lFelder with the Long Names switch and the Insert Fieldlist
// button. It takes over the two list views the panes already hold.
#include "documents/editor_text.h"
#include "explorer/explorer_catalog.h"
#include "explorer/sql_generation.h"

#include <QObject>
#include <QPointer>
#include <QTreeWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace mv {

class C_DbConnect;
class SqlEditorWidget;

// Replaces the whole text of the editor as one undo step (nothing happens when it is unchanged).
void replaceEditorText(SqlEditorWidget* editor, const QString& text);

class ExplorerWidget : public QObject {
    Q_OBJECT
  public:
    // The explorer's controls go above lTabList in paneTables and above lFelder in paneFields.
    ExplorerWidget(C_DbConnect& cn, QWidget* paneTables, QTreeWidget* lTabList, QWidget* paneFields,
                   QTreeWidget* lFelder, QObject* parent = nullptr);

    // The editor of the active document, where generated text goes (none: nothing is inserted).
    void setEditorProvider(std::function<SqlEditorWidget*()> provider) { m_editor = std::move(provider); }
    SqlEditorWidget* editor() const { return m_editor ? m_editor() : nullptr; }
    C_DbConnect& cn() const { return m_cn; }

    // Captions and tool tips in the current language.
    void applyLanguage();

    // ---- Filling and emptying ----
    // Refills the chooser (filter: upper-case substring of schema.name); the count of tables,
    // views and links read. After every successful connect with an empty filter.
    qint32 ReadTables(const QString& filter);
    // The fields of the working list's selected entry (not re-read while they are shown).
    void ShowFields();
    // The parameters of a procedure in the field list; their count.
    int ShowProcedureParameters(const QString& name);
    // Empties the chooser, the working list and the field list.
    bool CleanUpDbExplorer();

    // ---- What is marked ----
    // The working list's selected entry text; nothing when the working list has no entries.
    std::optional<QString> selectedObjectText() const;
    QStringList markedTables() const;
    // The marked fields, quoted and (with Long Names) qualified by the selected entry.
    QStringList markedFieldList() const;
    QString GetMarkedTablelist() const;
    QString GetMarkedFieldlist() const;
    NameQuoting quoting() const;
    // For the SQL toolbox templates.
    ExplorerPick explorerPick() const;
    ExplorerPickProvider explorerPickProvider() const;
    // The text of the table whose fields were loaded last.
    const QString& shownTable() const { return m_shownTable; }

    // Inserts text at the editor's caret (the editor gets the focus).
    void insertAtCaret(const QString& text, bool newLine);

    // ---- Controls ----
    QComboBox* cmbTabList() const { return m_cmbTabList; }
    QLineEdit* txtFilterTable() const { return m_txtFilterTable; }
    QCheckBox* chkSysObjs() const { return m_chkSysObjs; }
    QPushButton* cmdRefresh() const { return m_cmdRefresh; }
    QTreeWidget* lTabList() const { return m_lTabList; }
    QTreeWidget* lFelder() const { return m_lFelder; }
    QCheckBox* chkLongNames() const { return m_chkLongNames; }
    QPushButton* cmdFieldlist() const { return m_cmdFieldlist; }
    // The upper-cased filter box text.
    QString filterText() const;

    // ---- Event handlers ----
    void cmbTabList_Click(int index);
    void cmdRefresh_Click();
    void cmdFieldlist_Click();
    void lTabList_MouseUp(Qt::MouseButton button);
    void lTabList_DblClick();
    void lTabList_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void lFelder_DblClick();
    void lFelder_MouseDown(Qt::MouseButton button, QTreeWidgetItem* item);
    void lFelder_ColumnClick(int column);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildTableControls(QWidget* pane);
    void buildFieldControls(QWidget* pane);
    void fillChooser(const QList<ChooserEntry>& entries);
    void fitFieldColumns();
    void showFieldRows(const QList<FieldRow>& rows);
    void replaceSelectionEverywhere(const QString& replacement);
    int entryKind(const QTreeWidgetItem* item) const;

    C_DbConnect& m_cn;
    std::function<SqlEditorWidget*()> m_editor;
    QComboBox* m_cmbTabList = nullptr;
    QLabel* m_lblFilter = nullptr;
    QLineEdit* m_txtFilterTable = nullptr;
    QCheckBox* m_chkSysObjs = nullptr;
    QPushButton* m_cmdRefresh = nullptr;
    // Owned by the panes; the pointers clear themselves when the lists go.
    QPointer<QTreeWidget> m_lTabList;
    QPointer<QTreeWidget> m_lFelder;
    QPointer<QWidget> m_tabViewport;
    QPointer<QWidget> m_fieldViewport;
    QCheckBox* m_chkLongNames = nullptr;
    QPushButton* m_cmdFieldlist = nullptr;
    QString m_shownTable;
    bool m_readingCatalog = false;
    bool m_sortDescending = true; // flips before each sort: the first click sorts ascending
};

} // namespace mv
