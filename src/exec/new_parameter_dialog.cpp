#include "exec/new_parameter_dialog.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "exec/parameter_panel_widget.h"
#include "exec/parameters.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace mv {

namespace {
const QString StringType = QStringLiteral("String");
constexpr char DefaultSize[] = "20";
} // namespace

void FillPartypeCombo(QComboBox& combo) {
    guardedVoid(Reporter::ErrorMsg, "FillPartypeCombo", "Globals", [&] {
        combo.clear();
        combo.addItems(parameterTypeNames());
        combo.setCurrentIndex(0);
    });
}

frmNewParameter::frmNewParameter(ParameterTagEditor& editor, QueryParameters& parameters,
                                 ParameterPanelWidget& panel, QWidget* parent)
    : QDialog(parent), m_editor(editor), m_parameters(parameters), m_panel(panel) {
    setObjectName(QStringLiteral("frmNewParameter"));
    setWindowTitle(ui_text("Neuer Parameter", "New Parameter"));

    txtParname = new QLineEdit(this);
    txtParname->setObjectName(QStringLiteral("txtParname"));
    txtParname->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z]*")), txtParname));
    cmbParType = new QComboBox(this);
    cmbParType->setObjectName(QStringLiteral("cmbParType"));
    FillPartypeCombo(*cmbParType);
    txtParTypeLen = new QLineEdit(this);
    txtParTypeLen->setObjectName(QStringLiteral("txtParTypeLen"));
    txtParTypeLen->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtParTypeLen));

    const QString captions[3] = {ui_text("Typ", "Type"), QStringLiteral("Name"), ui_text("Größe", "Size")};
    for (int i = 0; i < 3; ++i) {
        lblPar[i] = new QLabel(captions[i], this);
        lblPar[i]->setObjectName(QStringLiteral("lblPar_%1").arg(i));
    }
    lblPar[0]->setBuddy(cmbParType);
    lblPar[1]->setBuddy(txtParname);
    lblPar[2]->setBuddy(txtParTypeLen);

    cmdSave = new QPushButton(ui_text("&Parameter einfügen", "&Insert Parameter"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setDefault(true);
    cmCancel = new QPushButton(ui_text("&Abbrechen", "&Cancel"), this);
    cmCancel->setObjectName(QStringLiteral("cmCancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(lblPar[1], 0, 0);
    grid->addWidget(txtParname, 0, 1);
    grid->addWidget(lblPar[0], 1, 0);
    grid->addWidget(cmbParType, 1, 1);
    grid->addWidget(lblPar[2], 2, 0);
    grid->addWidget(txtParTypeLen, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(cmbParType, &QComboBox::currentIndexChanged, this, [this] { cmbParType_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, &frmNewParameter::cmdSave_Click);
    connect(cmCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmNewParameter::cmbParType_Click() {
    const bool sized = cmbParType->currentText() == StringType;
    if (!sized) txtParTypeLen->clear();
    txtParTypeLen->setEnabled(sized);
}

QString frmNewParameter::tagFromFields() {
    if (txtParname->text().isEmpty()) txtParname->setText(QStringLiteral("Noname"));
    const QString name = txtParname->text();
    const QString type = cmbParType->currentText();
    if (type != StringType) return u'@' + name + u'|' + type + u'@';
    if (txtParTypeLen->text().isEmpty()) txtParTypeLen->setText(QString::fromLatin1(DefaultSize));
    bool ok = false;
    const int size = txtParTypeLen->text().toInt(&ok);
    if (!ok || size > 32767)
        throw MvError(6, ui_text("Überlauf: die Größe %1 ist größer als 32767",
                                 "Overflow: the size %1 is larger than 32767")
                             .arg(txtParTypeLen->text()));
    return u'@' + name + u'|' + type + u'|' + QString::number(size) + u'@';
}

void frmNewParameter::cmdSave_Click() {
    guardedVoid(Reporter::Msg, "cmdSave_Click", "", [&] {
        const QString tag = tagFromFields();
        m_editor.insertAtCursor(tag);
        m_parameters.ParseParameter(m_editor.wholeText());
        m_panel.ShowParameters(m_parameters.parameterSet());
    });
}

void cmdInsertParameter_Click(ParameterTagEditor& editor, QueryParameters& parameters,
                              ParameterPanelWidget& panel, QWidget* mainWindow) {
    guardedVoid(Reporter::Msg, "cmdInsertParameter_Click", "", [&] {
        frmNewParameter dialog(editor, parameters, panel, mainWindow);
        dialog.setModal(true);
        dialog.exec();
    });
}

} // namespace mv
