#include "app/about_dialog.h"

#include "app/error_report.h"
#include "app/globals.h"
#include "app/shell_open.h"
#include "app/system_info.h"
#include "app/system_info_dialog.h"
#include "app/texts.h"
#include "app/user_port.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace mv {

frmAbout::frmAbout(QWidget* parent, ReportSource report)
    : QDialog(parent), m_reportSource(report ? std::move(report) : ReportSource(systemInformationReport)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(ui_text("Info zu ", "About ") + QStringLiteral("Morvenda"));
    setModal(true);

    auto* title = new QLabel(QStringLiteral("Morvenda"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    title->setFont(titleFont);

    m_version = new QLabel(QStringLiteral("Version: ") + getVersion(), this);
    m_version->setObjectName(QStringLiteral("lblVersion"));

    auto* contact =
        new QLabel(ui_text("Morvenda ist ein SQL-Abfragewerkzeug für relationale Datenbanken über ODBC.\n"
                           "Kontakt: Morvenda-Entwickler",
                           "Morvenda is an SQL query tool for relational databases through ODBC.\n"
                           "Contact: Morvenda developers"),
                   this);
    contact->setObjectName(QStringLiteral("lblContact"));
    contact->setWordWrap(true);

    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("lblLink"));
    m_link->setTextFormat(Qt::RichText);
    m_link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(webAddress().toHtmlEscaped()));
    // The click goes through OpenBrowser, which reports a failure; the label must not open it itself.
    m_link->setOpenExternalLinks(false);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_link, &QLabel::linkActivated, this, [this] { lblLink_Click(); });

    auto* notice = new QLabel(
        ui_text("Dieses Programm wird so bereitgestellt, wie es ist, ohne jede Gewährleistung, weder "
                "ausdrücklich noch stillschweigend.",
                "This program is provided as is, without warranty of any kind, express or implied."),
        this);
    notice->setObjectName(QStringLiteral("lblNotice"));
    notice->setWordWrap(true);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_sysInfo = new QPushButton(ui_text("Systeminformation...", "System Info..."), this);
    m_sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_sysInfo->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(m_sysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_sysInfo);
    buttons->addStretch();
    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(m_version);
    texts->addSpacing(8);
    // The address stands right under the contact line as its link.
    texts->addWidget(contact);
    texts->addWidget(m_link);
    texts->addSpacing(8);
    texts->addWidget(notice);
    texts->addStretch();
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgLogo"));
    picture->setPixmap(QIcon(QStringLiteral(":/icons/morvenda.svg")).pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    layout->addLayout(texts, 1);
    layout->addLayout(buttons);
    setMinimumWidth(460);
}

QString frmAbout::webAddress() {
    return QStringLiteral("https://morvenda.org");
}

void frmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_ok->setFocus(Qt::OtherFocusReason);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::lblLink_Click() {
    OpenBrowser(webAddress(), true);
}

bool frmAbout::StartSysInfo() {
    return guardedVoid(Reporter::ErrorMsg, "StartSysInfo", "frmAbout", [&] {
        // Asking the driver manager and its tool takes a moment.
        QString report;
        {
            WaitCursor wait;
            report = m_reportSource();
        }
        frmSystemInfo dialog(report, this);
        dialog.exec();
    });
}

} // namespace mv
