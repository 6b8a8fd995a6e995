#pragma once
// The print settings dialog frmRGPrintSettings: margins and header/footer distances in
// millimetres, the three header and three footer texts with their fonts, orientation, fitting to
// the page width and printing without background colours. Save writes everything back to the
// grid's printer properties (lengths in twips); Cancel leaves them as they were.
#include "results/grid_print_settings.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace mv {

// Millimetres to twips, rounded to a whole twip (15 mm are 850 twips).
int mmToTwips(int mm);
// Twips as whole millimetres for a length field; zero shows as an empty field.
QString twipsToMmText(int twips);

class frmRGPrintSettings : public QDialog {
    Q_OBJECT
  public:
    explicit frmRGPrintSettings(GridPrintSettings& settings, QWidget* parent = nullptr);
    ~frmRGPrintSettings() override;

    // Every field is checked first: a length that is no whole number from 0 to 32767 is reported,
    // gets the focus, and nothing is written (the dialog stays open).
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdReset_Click();
    void cmdHeaderFont_Click();
    void cmdFooterFont_Click();

    const FontSpec& headerFont() const { return m_headerFont; }
    const FontSpec& footerFont() const { return m_footerFont; }

    QLineEdit *txtTopMargin, *txtLeftMargin, *txtBottomMargin, *txtRightMargin;
    QLineEdit *txtHeaderDistance, *txtFooterDistance;
    QLineEdit *txtHLeft, *txtHCenter, *txtHRight;
    QLineEdit *txtFLeft, *txtFCenter, *txtFRight;
    QPushButton *cmdHeaderFont, *cmdFooterFont;
    QLabel *lblHeaderFont, *lblFooterFont;
    QRadioButton *opPortrait, *opLandscape;
    QCheckBox *chkFitcol, *chkPrintBkColors;
    QPushButton *cmdSave, *cmdCancel, *cmdReset;

  private:
    void Form_Load();
    void buildControls();
    void setCaptions();
    void showFonts();
    QList<QLineEdit*> lengthFields() const;

    GridPrintSettings& m_settings;
    FontSpec m_headerFont, m_footerFont;
    QGroupBox *m_headerFrame, *m_footerFrame;
    QLabel *m_picHeader, *m_picFooter;
    QList<QLabel*> m_headerTextLabels, m_footerTextLabels, m_lengthLabels;
    QLabel* m_orientationLabel;
};

} // namespace mv
