#pragma once
// Tab 2 of the SQL toolbox (picFind): the quick search in the query text (Start, Next >) and the
// button that opens Find/Replace (frmFind), owned by the window this panel lives in.
#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace mv {

class SqlEditorWidget;
class frmFind;

class QuickSearchWidget : public QWidget {
    Q_OBJECT
  public:
    explicit QuickSearchWidget(QWidget* parent = nullptr);

    void setEditor(SqlEditorWidget* editor) { m_editor = editor; }
    // Texts of the current language (called again by the window's language step).
    void applyLanguage();

    void cmdFind_Click(); // "Start": from the beginning of the text
    void cmdNext_Click(); // "Next >": the next match
    // Opens Find/Replace without blocking, or brings the open one to the front.
    void cmdReplace_Click();
    frmFind* findDialog() const { return m_dialog; }

  private:
    // True when a search for the box's text found nothing.
    bool reportsNothing(bool found) const;

    QPointer<SqlEditorWidget> m_editor;
    QPointer<frmFind> m_dialog;
    QLabel* m_lblFind;
    QLineEdit* m_txtFind;
    QRadioButton* m_opWord;
    QRadioButton* m_opMatchCase;
    QPushButton* m_cmdFind;
    QPushButton* m_cmdNext;
    QPushButton* m_cmdReplace;
};

} // namespace mv
