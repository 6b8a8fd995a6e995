#include "results/print_settings_dialog.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "results/grid_print_view.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace mv {

namespace {

constexpr char Module[] = "frmRGPrintSettings";
constexpr double TwipsPerMm = 1440.0 / 25.4;
constexpr int MaxMm = 32767; // lengths are 16-bit numbers of millimetres

// A length field's millimetres; empty counts as 0 (that is how 0 is shown). Nothing for text
// that is no whole number in range.
std::optional<int> fieldMm(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return 0;
    bool ok = false;
    const int mm = t.toInt(&ok);
    if (!ok || mm < 0 || mm > MaxMm) return std::nullopt;
    return mm;
}

QLineEdit* lineEdit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

} // namespace

int mmToTwips(int mm) {
    return int(std::lround(mm * TwipsPerMm));
}

QString twipsToMmText(int twips) {
    const long mm = std::lround(twips / TwipsPerMm);
    return mm == 0 ? QString() : QString::number(mm);
}

frmRGPrintSettings::frmRGPrintSettings(GridPrintSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setObjectName(QLatin1String(Module));
    buildControls();
    guardedVoid(Reporter::ErrorMsg, "Form_Load", Module, [this] { Form_Load(); });
}

frmRGPrintSettings::~frmRGPrintSettings() = default;

void frmRGPrintSettings::buildControls() {
    setModal(true);
    auto* root = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* margins = new QGridLayout;
    txtTopMargin = lineEdit(this, "txtTopMargin");
    txtLeftMargin = lineEdit(this, "txtLeftMargin");
    txtBottomMargin = lineEdit(this, "txtBottomMargin");
    txtRightMargin = lineEdit(this, "txtRightMargin");
    txtHeaderDistance = lineEdit(this, "txtHeaderDistance");
    txtFooterDistance = lineEdit(this, "txtFooterDistance");
    const QList<QLineEdit*> lengths = lengthFields();
    for (int i = 0; i < lengths.size(); ++i) {
        auto* label = new QLabel(this);
        label->setBuddy(lengths[i]);
        lengths[i]->setMaximumWidth(60);
        m_lengthLabels << label;
        margins->addWidget(label, i, 0);
        margins->addWidget(lengths[i], i, 1);
    }
    top->addLayout(margins);

    // A small sheet showing where header and footer sit.
    auto* sheet = new QFrame(this);
    sheet->setFrameShape(QFrame::Box);
    sheet->setFixedSize(90, 120);
    auto* sheetLayout = new QVBoxLayout(sheet);
    m_picHeader = new QLabel(sheet);
    m_picFooter = new QLabel(sheet);
    m_picHeader->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_picFooter->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    sheetLayout->addWidget(m_picHeader);
    sheetLayout->addStretch(1);
    sheetLayout->addWidget(m_picFooter);
    top->addWidget(sheet);

    auto* options = new QVBoxLayout;
    m_orientationLabel = new QLabel(this);
    opPortrait = new QRadioButton(this);
    opPortrait->setObjectName(QStringLiteral("opPortrait"));
    opLandscape = new QRadioButton(this);
    opLandscape->setObjectName(QStringLiteral("opLandscape"));
    chkFitcol = new QCheckBox(this);
    chkFitcol->setObjectName(QStringLiteral("chkFitcol"));
    chkPrintBkColors = new QCheckBox(this);
    chkPrintBkColors->setObjectName(QStringLiteral("chkPrintBkColors"));
    options->addWidget(m_orientationLabel);
    options->addWidget(opPortrait);
    options->addWidget(opLandscape);
    options->addSpacing(8);
    options->addWidget(chkFitcol);
    options->addWidget(chkPrintBkColors);
    options->addStretch(1);
    top->addLayout(options);
    root->addLayout(top);

    auto makeFrame = [this](QGroupBox*& frame, QLineEdit*& left, QLineEdit*& center, QLineEdit*& right,
                            const char* names[3], QPushButton*& fontButton, const char* buttonName,
                            QLabel*& example, const char* exampleName, QList<QLabel*>& labels) {
        frame = new QGroupBox(this);
        auto* grid = new QGridLayout(frame);
        QLineEdit** fields[3] = {&left, &center, &right};
        for (int i = 0; i < 3; ++i) {
            *fields[i] = lineEdit(frame, names[i]);
            auto* label = new QLabel(frame);
            label->setBuddy(*fields[i]);
            labels << label;
            grid->addWidget(label, 0, i);
            grid->addWidget(*fields[i], 1, i);
        }
        fontButton = new QPushButton(frame);
        fontButton->setObjectName(QLatin1String(buttonName));
        example = new QLabel(frame);
        example->setObjectName(QLatin1String(exampleName));
        grid->addWidget(fontButton, 2, 0);
        grid->addWidget(example, 2, 1, 1, 2);
    };
    const char* headerNames[3] = {"txtHLeft", "txtHCenter", "txtHRight"};
    const char* footerNames[3] = {"txtFLeft", "txtFCenter", "txtFRight"};
    makeFrame(m_headerFrame, txtHLeft, txtHCenter, txtHRight, headerNames, cmdHeaderFont, "cmdHeaderFont",
              lblHeaderFont, "lblHeaderFont", m_headerTextLabels);
    makeFrame(m_footerFrame, txtFLeft, txtFCenter, txtFRight, footerNames, cmdFooterFont, "cmdFooterFont",
              lblFooterFont, "lblFooterFont", m_footerTextLabels);
    root->addWidget(m_headerFrame);
    root->addWidget(m_footerFrame);

    auto* buttons = new QHBoxLayout;
    cmdReset = new QPushButton(this);
    cmdReset->setObjectName(QStringLiteral("cmdReset"));
    cmdSave = new QPushButton(this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdCancel = new QPushButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdSave->setDefault(true);
    buttons->addWidget(cmdReset);
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    root->addLayout(buttons);

    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
    connect(cmdHeaderFont, &QPushButton::clicked, this, [this] { cmdHeaderFont_Click(); });
    connect(cmdFooterFont, &QPushButton::clicked, this, [this] { cmdFooterFont_Click(); });
}

QList<QLineEdit*> frmRGPrintSettings::lengthFields() const {
    return {txtTopMargin,   txtLeftMargin,     txtBottomMargin,
            txtRightMargin, txtHeaderDistance, txtFooterDistance};
}

void frmRGPrintSettings::setCaptions() {
    setWindowTitle(ui_text("Druckeinstellungen", "Print Settings"));
    cmdSave->setText(ui_text("Speichern", "&Save"));
    cmdCancel->setText(ui_text("&Abbrechen", "&Cancel"));
    cmdReset->setText(ui_text("Standard Einstellungen", "&Standard settings"));
    cmdHeaderFont->setText(ui_text("Schrift", "Font"));
    cmdFooterFont->setText(ui_text("Schrift", "Font"));
    m_headerFrame->setTitle(ui_text("Kopfzeile", "Header"));
    m_footerFrame->setTitle(ui_text("Fußzeile", "Footer"));
    m_picHeader->setText(ui_text("Kopf", "Header"));
    m_picFooter->setText(ui_text("Fuß", "Footer"));
    m_headerTextLabels[0]->setText(ui_text("Text Links", "Text Left"));
    m_headerTextLabels[1]->setText(ui_text("Text Mitte", "Text Center"));
    m_headerTextLabels[2]->setText(ui_text("Text Rechts", "Text Right"));
    m_footerTextLabels[0]->setText(ui_text("Text Links\"", "Text Left"));
    m_footerTextLabels[1]->setText(ui_text("Text Mitte", "Text Center"));
    m_footerTextLabels[2]->setText(ui_text("Text Rechts", "Text Right"));
    const char* german[6] = {"Oberer Rand [mm]",  "Linker Rand [mm]",  "Unterer Rand [mm]",
                             "Rechter Rand [mm]", "Abstand Kopf [mm]", "Abstand Fuß [mm]"};
    const char* english[6] = {"Top Margin [mm]",   "Left Margin [mm]",     "Bottom Margin [mm]",
                              "Right Margin [mm]", "Header Distance [mm]", "Footer Distance [mm]"};
    for (int i = 0; i < 6; ++i)
        m_lengthLabels[i]->setText(ui_text(german[i], english[i]));
    m_orientationLabel->setText(ui_text("Report Ausrichtung", "Report Orientation:"));
    opPortrait->setText(ui_text("Hochformat", "Portrait"));
    opLandscape->setText(ui_text("Querformat", "Landscape"));
    chkFitcol->setText(ui_text("Inhalt auf eine Seitenbreite skalieren", "Fit table size to page"));
    chkPrintBkColors->setText(ui_text("Keine Hintergrundfarben drucken", "Print no background colors"));
    lblHeaderFont->setText(QStringLiteral("Header Example Text"));
    lblFooterFont->setText(QStringLiteral("Footer Example Text"));
}

void frmRGPrintSettings::showFonts() {
    lblHeaderFont->setFont(printFont(m_headerFont));
    lblFooterFont->setFont(printFont(m_footerFont));
    auto describe = [](const FontSpec& f) {
        return f.name + QStringLiteral(", ") + QString::number(f.pointSize);
    };
    lblHeaderFont->setToolTip(describe(m_headerFont));
    lblFooterFont->setToolTip(describe(m_footerFont));
}

void frmRGPrintSettings::Form_Load() {
    setCaptions();
    const GridPrintSettings& s = m_settings;
    const int twips[6] = {s.topMargin,   s.leftMargin,     s.bottomMargin,
                          s.rightMargin, s.headerDistance, s.footerDistance};
    const QList<QLineEdit*> lengths = lengthFields();
    for (int i = 0; i < 6; ++i)
        lengths[i]->setText(twipsToMmText(twips[i]));
    txtHLeft->setText(s.headerLeft);
    txtHCenter->setText(s.headerCenter);
    txtHRight->setText(s.headerRight);
    txtFLeft->setText(s.footerLeft);
    txtFCenter->setText(s.footerCenter);
    txtFRight->setText(s.footerRight);
    m_headerFont = s.headerFont;
    m_footerFont = s.footerFont;
    showFonts();
    (s.landscape ? opLandscape : opPortrait)->setChecked(true);
    chkFitcol->setChecked(s.fitToPageWidth);
    chkPrintBkColors->setChecked(s.noBackgroundColors);
}

void frmRGPrintSettings::cmdReset_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdReset_Click", Module, [this] {
        const GridPrintSettings d = standardPrintSettings();
        const int twips[6] = {d.topMargin,   d.leftMargin,     d.bottomMargin,
                              d.rightMargin, d.headerDistance, d.footerDistance};
        const QList<QLineEdit*> lengths = lengthFields();
        for (int i = 0; i < 6; ++i)
            lengths[i]->setText(twipsToMmText(twips[i]));
        txtHLeft->setText(d.headerLeft);
        txtHCenter->setText(d.headerCenter);
        txtHRight->setText(d.headerRight);
        txtFLeft->setText(d.footerLeft);
        txtFCenter->setText(d.footerCenter);
        txtFRight->setText(d.footerRight);
        m_headerFont = d.headerFont;
        m_footerFont = d.footerFont;
        showFonts();
        opPortrait->setChecked(true);
    });
}

void frmRGPrintSettings::cmdHeaderFont_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdHeaderFont_Click", Module, [this] {
        if (auto f = userPort().chooseFont({ui_text("Schrift", "Font"), m_headerFont})) {
            m_headerFont = *f;
            showFonts();
        }
    });
}

void frmRGPrintSettings::cmdFooterFont_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdFooterFont_Click", Module, [this] {
        if (auto f = userPort().chooseFont({ui_text("Schrift", "Font"), m_footerFont})) {
            m_footerFont = *f;
            showFonts();
        }
    });
}

void frmRGPrintSettings::cmdSave_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdSave_Click", Module, [this] {
        const QList<QLineEdit*> lengths = lengthFields();
        int mm[6];
        for (int i = 0; i < 6; ++i) {
            const std::optional<int> v = fieldMm(lengths[i]->text());
            if (!v) {
                lengths[i]->setFocus();
                lengths[i]->selectAll();
                throw MvError(err::TypeMismatch,
                              m_lengthLabels[i]->text() +
                                  ui_text(": Bitte eine ganze Zahl von 0 bis 32767 eingeben.",
                                          ": Please enter a whole number from 0 to 32767."));
            }
            mm[i] = *v;
        }
        GridPrintSettings& s = m_settings;
        int* twips[6] = {&s.topMargin,   &s.leftMargin,     &s.bottomMargin,
                         &s.rightMargin, &s.headerDistance, &s.footerDistance};
        for (int i = 0; i < 6; ++i)
            *twips[i] = mmToTwips(mm[i]);
        s.headerLeft = txtHLeft->text();
        s.headerCenter = txtHCenter->text();
        s.headerRight = txtHRight->text();
        s.footerLeft = txtFLeft->text();
        s.footerCenter = txtFCenter->text();
        s.footerRight = txtFRight->text();
        s.headerFont = m_headerFont;
        s.footerFont = m_footerFont;
        s.landscape = opLandscape->isChecked();
        s.fitToPageWidth = chkFitcol->isChecked();
        s.noBackgroundColors = chkPrintBkColors->isChecked();
        accept();
    });
}

void frmRGPrintSettings::cmdCancel_Click() {
    reject();
}

} // namespace mv
