#include "db/login_dialog.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/password_store.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace mv {

frmDbCon::frmDbCon(ConnectAction connectAction, QWidget* parent) : QDialog(parent), m_connect(std::move(connectAction)) {
    setObjectName(QStringLiteral("frmDbCon"));
    setWindowTitle(QStringLiteral("Morvenda"));
    setModal(true);
    m_heading = new QLabel(ui_text("Datenbank Anmeldung", "Database login"), this);
    m_heading->setObjectName(QStringLiteral("lblText"));
    QFont f = m_heading->font();
    f.setBold(true);
    m_heading->setFont(f);
    m_conStr = new QLineEdit(this);
    m_conStr->setObjectName(QStringLiteral("txtConStr"));
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("txtUser"));
    m_pwd = new QLineEdit(this);
    m_pwd->setObjectName(QStringLiteral("txtPwd"));
    m_pwd->setEchoMode(QLineEdit::Password);
    m_remember = new QCheckBox(ui_text("Kennwort merken", "Remember password"), this);
    m_remember->setObjectName(QStringLiteral("chkRememberPwd"));
    m_remember->setToolTip(ui_text("Das Kennwort wird im Schlüsselbund des Desktops gespeichert.",
                                   "The password is kept in the desktop's keyring."));
    // Without a keyring there is nowhere safe to keep it: the option is not offered.
    m_remember->setVisible(passwordStore().available());
    m_ok = new QPushButton(ui_text("&Verbinden", "C&onnect"), this);
    m_ok->setObjectName(QStringLiteral("cmdOk"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(ui_text("&Abbrechen", "&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(m_ok, &QPushButton::clicked, this, &frmDbCon::cmdOk_Click);
    connect(m_cancel, &QPushButton::clicked, this, &frmDbCon::cmdCancel_Click);

    auto* form = new QFormLayout;
    form->addRow(m_conStr);
    form->addRow(ui_text("Benutzer:", "User:"), m_user);
    form->addRow(ui_text("Kennwort:", "Password:"), m_pwd);
    form->addRow(QString(), m_remember);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(520, 170);
}

void frmDbCon::setConnectionString(const QString& cs) { m_conStr->setText(cs); }

void frmDbCon::setUser(const QString& user) {
    m_user->setText(user);
    if (!m_remember->isVisibleTo(this) || user.isEmpty()) return;
    const std::optional<QString> stored = passwordStore().find(passwordConnectionKey(m_conStr->text()), user);
    if (!stored) return;
    m_pwd->setText(*stored);
    m_remember->setChecked(true);
}

bool frmDbCon::rememberPassword() const { return m_remember->isVisibleTo(this) && m_remember->isChecked(); }

void frmDbCon::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guardedVoid(Reporter::Msg, "Form_Activate", "", [&] { QTimer::singleShot(0, m_user, [this] { m_user->setFocus(); }); });
}

void frmDbCon::cmdOk_Click() {
    try {
        WaitCursor wait;
        if (m_connect) m_connect(m_conStr->text(), m_user->text(), m_pwd->text());
    } catch (...) {
        report(Reporter::Msg, describeCurrentException(), "cmdOk_Click", "");
    }
    m_finished = true;
    accept();
}

void frmDbCon::cmdCancel_Click() {
    guardedVoid(Reporter::Msg, "cmdCancel_Click", "", [&] { reject(); });
}

} // namespace mv
