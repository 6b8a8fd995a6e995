#pragma once
// The New Parameter dialog: writes a well-formed parameter tag at the editor's cursor.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mv {

class ParameterPanelWidget;
class QueryParameters;

// What the dialog needs of the SQL editor.
class ParameterTagEditor {
  public:
    virtual ~ParameterTagEditor() = default;
    // Inserts text at the caret of the current document (BeiCursorEinfuegen).
    virtual void insertAtCursor(const QString& text) = 0;
    virtual QString wholeText() const = 0;
};

// Fills the list with the six parameter type names in order and selects the first.
void FillPartypeCombo(QComboBox& combo);

class frmNewParameter : public QDialog {
    Q_OBJECT
  public:
    frmNewParameter(ParameterTagEditor& editor, QueryParameters& parameters, ParameterPanelWidget& panel,
                    QWidget* parent = nullptr);

    QLineEdit* txtParname;
    QComboBox* cmbParType;
    QLineEdit* txtParTypeLen;
    QLabel* lblPar[3]; // captions of type, name and size
    QPushButton* cmdSave;
    QPushButton* cmCancel;

  public slots:
    // Inserts the tag of the fields at the cursor, then re-reads the editor's parameters into the
    // panel. The dialog stays open for further parameters.
    void cmdSave_Click();

  private:
    void cmbParType_Click();
    // The tag of the fields; an empty name becomes "Noname", an empty String size 20 (written back).
    QString tagFromFields();

    ParameterTagEditor& m_editor;
    QueryParameters& m_parameters;
    ParameterPanelWidget& m_panel;
};

// Opens the dialog modal over the main window.
void cmdInsertParameter_Click(ParameterTagEditor& editor, QueryParameters& parameters,
                              ParameterPanelWidget& panel, QWidget* mainWindow);

} // namespace mv
