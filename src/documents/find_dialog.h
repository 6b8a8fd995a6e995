#pragma once
// Find/Replace (frmFind): a non-blocking dialog owned by the main window that searches and
// replaces in the SQL editor with the editor's own find text, replace text and options.
#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace mv {

class SqlEditorWidget;

class frmFind : public QDialog {
    Q_OBJECT
  public:
    // The find box starts with the editor's selected text (see presetFindText).
    frmFind(SqlEditorWidget* editor, QWidget* owner);

    // The text the dialog opens with: the editor's selection, else the toolbox's search text, else
    // the word at the caret; the box keeps its text when all three are empty.
    void presetFindText(const QString& toolboxSearchText);

    void cmdFind_Click();
    void cmdReplace_Click();
    void cmdReplaceAll_Click();

    // True while the find button reads "&Find Next" / "&Suche weiter".
    bool findNextMode() const { return m_findNext; }

  private:
    void applyOptions();
    void setFindNextMode(bool on);
    void setReplaceEnabled(bool on);
    // A search that went past the end and on from the top says so in the window's status bar.
    void noteWrapped(bool wrapped);
    void remember(QComboBox* box);
    void focusEditor();
    void findTextEdited();
    template <class F> void trapped(F&& body);

    QPointer<SqlEditorWidget> m_editor;
    bool m_findNext = false;
    QComboBox* m_cboFind;
    QComboBox* m_cboReplace;
    QLabel* m_lblFind;
    QLabel* m_lblReplace;
    QGroupBox* m_fraOptions;
    QCheckBox* m_chkWholeWord;
    QCheckBox* m_chkMatchCase;
    QPushButton* m_cmdFind;
    QPushButton* m_cmdReplace;
    QPushButton* m_cmdReplaceAll;
    QPushButton* m_cmdCancel;
};

} // namespace mv
