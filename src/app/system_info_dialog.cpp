#include "app/system_info_dialog.h"

#include "app/texts.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mv {

frmSystemInfo::frmSystemInfo(const QString& report, QWidget* parent) : QDialog(parent), m_text(report) {
    setObjectName(QStringLiteral("frmSystemInfo"));
    setWindowTitle(ui_text("Systeminformation", "System Information"));
    setModal(true);

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("txtReport"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The report lines up its values in columns.
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_report->setPlainText(report);

    m_copy = new QPushButton(ui_text("Kopieren", "Copy"), this);
    m_copy->setObjectName(QStringLiteral("cmdCopy"));
    m_copy->setAutoDefault(false);
    m_close = new QPushButton(ui_text("Schließen", "Close"), this);
    m_close->setObjectName(QStringLiteral("cmdClose"));
    m_close->setDefault(true);
    connect(m_copy, &QPushButton::clicked, this, &frmSystemInfo::cmdCopy_Click);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_copy);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_report);
    layout->addLayout(buttons);
    resize(640, 480);
    m_close->setFocus();
}

void frmSystemInfo::cmdCopy_Click() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(m_text);
}

} // namespace mv
