#pragma once
// The settings dialog: paths, editor font, language.
#include "app/ini_file.h"
#include "app/settings.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace mv {

class ExtrasSettingsWidget;

class frmSettings : public QDialog {
    Q_OBJECT
public:
    frmSettings(Settings& settings, const IniFile& ini, QWidget* parent = nullptr);

    // The handlers, callable directly (tests drive the dialog without showing it).
    void cmdBrowse_Click(int index);
    void cmdClear_Click();
    void cmdEditFont_Click();
    void cmdSave_Click();
    void chooseLanguage(int value);

    QTabWidget* tabs() const { return m_tab1; }
    QLineEdit* txtStandardUDLpath() const { return m_udlPath; }
    QLineEdit* txtStandardQueryPath() const { return m_queryPath; }
    QLineEdit* txtStartupUDL() const { return m_startupUdl; }
    QLabel* lblFontSample() const { return m_fontSample; }
    QRadioButton* optGerman() const { return m_german; }
    QRadioButton* optEnglish() const { return m_english; }
    ExtrasSettingsWidget* extras() const { return m_extras; }

signals:
    // The editor font changed at once (OK in the font dialog).
    void editFontChanged(const FontSpec& font);
    // Save wrote the Extras page into the settings: the window applies them at once.
    void extrasChanged();

private:
    QWidget* buildPathsPage();
    QWidget* buildEditPage();
    QWidget* buildLanguagePage();
    void updateFontSample();

    Settings& m_settings;
    const IniFile& m_ini;
    QTabWidget* m_tab1;
    QLineEdit* m_udlPath;
    QLineEdit* m_queryPath;
    QLineEdit* m_startupUdl;
    QLabel* m_fontSample;
    QRadioButton* m_german;
    QRadioButton* m_english;
    ExtrasSettingsWidget* m_extras;
};

} // namespace mv
