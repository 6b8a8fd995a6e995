#include "app/settings_dialog.h"

#include "app/error_report.h"
#include "app/extras_settings_widget.h"
#include "app/globals.h"
#include "app/texts.h"
#include "app/user_port.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace mv {

frmSettings::frmSettings(Settings& settings, const IniFile& ini, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_ini(ini) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(ui_text("Morvenda Einstellungen", "Morvenda Settings"));
    m_tab1 = new QTabWidget(this);
    m_tab1->setObjectName(QStringLiteral("Tab1"));
    m_tab1->addTab(buildPathsPage(), ui_text("Pfade", "Paths"));
    m_tab1->addTab(buildEditPage(), ui_text("Editor", "Edit"));
    m_tab1->addTab(buildLanguagePage(), ui_text("Sprache", "Language"));
    m_extras = new ExtrasSettingsWidget(settings);
    m_tab1->addTab(m_extras, QStringLiteral("Extras"));
    m_tab1->setCurrentIndex(0);

    auto* save = new QPushButton(ui_text("Einstellungen speichern", "&Save Settings"), this);
    save->setObjectName(QStringLiteral("cmdSave"));
    auto* cancel = new QPushButton(ui_text("&Abbrechen", "&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(save, &QPushButton::clicked, this, &frmSettings::cmdSave_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tab1);
    layout->addLayout(buttons);
    resize(560, 260);
}

QWidget* frmSettings::buildPathsPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const char* labels[3][2] = {{"Standard UDL-Pfad:", "Standard UDL-Path:"},
                                {"Standard Query-Pfad:", "Standard Query-Path:"},
                                {"Starten mit UDL-Datei:", "Startup UDL-File:"}};
    m_udlPath = new QLineEdit(m_settings.standardUDLPath, page);
    m_udlPath->setObjectName(QStringLiteral("txtStandardUDLpath"));
    m_queryPath = new QLineEdit(m_settings.standardQueryPath, page);
    m_queryPath->setObjectName(QStringLiteral("txtStandardQueryPath"));
    m_startupUdl = new QLineEdit(m_settings.startupUDL, page);
    m_startupUdl->setObjectName(QStringLiteral("txtStartupUDL"));
    QLineEdit* fields[3] = {m_udlPath, m_queryPath, m_startupUdl};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(new QLabel(ui_text(labels[row][0], labels[row][1]), page), row, 0);
        grid->addWidget(fields[row], row, 1);
        auto* browse = new QPushButton(ui_text("auswählen", "&Browse"), page);
        browse->setObjectName(QStringLiteral("cmdBrowse%1").arg(row));
        connect(browse, &QPushButton::clicked, this, [this, row] { cmdBrowse_Click(row); });
        grid->addWidget(browse, row, 2);
    }
    auto* clear = new QPushButton(ui_text("löschen", "C&lear"), page);
    clear->setObjectName(QStringLiteral("cmdClear"));
    connect(clear, &QPushButton::clicked, this, &frmSettings::cmdClear_Click);
    grid->addWidget(clear, 2, 3);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* frmSettings::buildEditPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_fontSample = new QLabel(page);
    m_fontSample->setObjectName(QStringLiteral("lblFontSample"));
    auto* edit = new QPushButton(ui_text("Schrift wählen", "Edit Font"), page);
    edit->setObjectName(QStringLiteral("cmdEditFont"));
    connect(edit, &QPushButton::clicked, this, &frmSettings::cmdEditFont_Click);
    layout->addWidget(m_fontSample);
    layout->addWidget(edit, 0, Qt::AlignLeft);
    layout->addStretch();
    updateFontSample();
    return page;
}

QWidget* frmSettings::buildLanguagePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_german = new QRadioButton(ui_text("Deutsch", "German"), page);
    m_german->setObjectName(QStringLiteral("optLanguage0"));
    m_english = new QRadioButton(ui_text("Englisch", "English"), page);
    m_english->setObjectName(QStringLiteral("optLanguage1"));
    (language() == 1 ? m_german : m_english)->setChecked(true);
    connect(m_german, &QRadioButton::clicked, this, [this] { chooseLanguage(1); });
    connect(m_english, &QRadioButton::clicked, this, [this] { chooseLanguage(2); });
    auto* hint = new QLabel(ui_text("Um die Sprache zu ändern, klicken Sie auf 'Einstellungen speichern' und starten "
                                    "Sie die Applikation neu.",
                                    "To change the language, click on 'Save Settings' and restart the Application."),
                            page);
    hint->setWordWrap(true);
    layout->addWidget(m_german);
    layout->addWidget(m_english);
    layout->addWidget(hint);
    layout->addStretch();
    return page;
}

void frmSettings::updateFontSample() {
    const FontSpec& f = m_settings.editFont;
    QFont font(f.name);
    font.setPointSizeF(f.pointSize);
    font.setBold(f.bold);
    m_fontSample->setFont(font);
    m_fontSample->setText(f.name + u' ' + QString::number(f.pointSize));
}

void frmSettings::cmdBrowse_Click(int index) {
    guardedVoid(Reporter::ErrorMsg, "cmdBrowse_Click", "frmSettings", [&] {
        const QString udlFilter = QStringLiteral("Data Link File (*.udl) | *.udl");
        FileDialogRequest r;
        r.mode = FileDialogRequest::Open;
        r.mustExist = true;
        if (index == 0) {
            r.title = QStringLiteral("Browse UDL-Path");
            r.filter = udlFilter;
            r.initialDir = m_settings.standardUDLPath;
            r.fileName = QStringLiteral("xxx.udl");
        } else if (index == 1) {
            r.title = QStringLiteral("Browse Query-Path");
            r.filter = QStringLiteral("Data Link File (*.qry) | *.qry");
            r.initialDir = m_settings.standardQueryPath;
            r.fileName = QStringLiteral("xxx.qry");
        } else {
            r.title = QStringLiteral("Browse Startup UDL-File");
            r.filter = udlFilter;
            r.initialDir = ExtractFilePath(m_settings.startupUDL);
        }
        // A folder is chosen by picking any file in it: the file need not exist then.
        if (index != 2) r.mustExist = false;
        const auto chosen = userPort().chooseFile(r);
        if (!chosen) return;
        if (index == 0) m_udlPath->setText(ExtractFilePath(*chosen));
        else if (index == 1) m_queryPath->setText(ExtractFilePath(*chosen));
        else m_startupUdl->setText(*chosen);
    });
}

void frmSettings::cmdClear_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdClear_Click", "frmSettings", [&] { m_startupUdl->clear(); });
}

void frmSettings::cmdEditFont_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdEditFont_Click", "frmSettings", [&] {
        FontRequest r;
        r.title = ui_text("Schrift wählen", "Edit Font");
        r.initial = m_settings.editFont;
        const auto chosen = userPort().chooseFont(r);
        if (!chosen) return;
        m_settings.editFont = *chosen;
        updateFontSample();
        emit editFontChanged(m_settings.editFont);
    });
}

void frmSettings::chooseLanguage(int value) {
    setLanguage(value);
    m_settings.language = value;
}

void frmSettings::cmdSave_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdSave_Click", "frmSettings", [&] {
        const QString section = QStringLiteral("Settings");
        if (!m_udlPath->text().isEmpty()) {
            m_ini.write(section, QStringLiteral("StandardUDLPath"), m_udlPath->text());
            m_settings.standardUDLPath = m_udlPath->text();
        }
        if (!m_queryPath->text().isEmpty()) {
            m_ini.write(section, QStringLiteral("StandardQueryPath"), m_queryPath->text());
            m_settings.standardQueryPath = m_queryPath->text();
        }
        m_ini.write(section, QStringLiteral("UDL"), m_startupUdl->text());
        m_settings.startupUDL = m_startupUdl->text();
        m_ini.write(section, QStringLiteral("EditFont"), editFontText(m_settings.editFont));
        m_ini.write(section, QStringLiteral("Language"), QString::number(language()));
        m_extras->apply(m_settings);
        m_ini.write(section, QStringLiteral("RecoverySeconds"), QString::number(m_settings.recoverySeconds));
        SaveExtraSettings(m_ini, m_settings);
        emit extrasChanged();
        accept();
    });
}

} // namespace mv
