#include "app/help_window.h"

#include "app/error_report.h"
#include "app/shell_open.h"
#include "app/texts.h"

#include <QFile>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace mv {

namespace {
void reportMissingPage(const QString& page) {
    DispErrorMsg(ui_text(QStringLiteral("Die Hilfeseite {%1} ist nicht vorhanden.").arg(page),
                         QStringLiteral("The help page {%1} does not exist.").arg(page)),
                 err::FileNotFound, QStringLiteral("HtmlHelp"), QStringLiteral("modHTMLHelp"));
}
} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    // Links are followed here: pages inside the help, addresses outside it in the desktop's browser.
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({QStringLiteral(":/docs")});
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);

    auto makeButton = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromUtf8(name));
        b->setAutoDefault(false);
        return b;
    };
    m_contents = makeButton("cmdContents");
    m_index = makeButton("cmdIndex");
    m_back = makeButton("cmdBack");
    m_forward = makeButton("cmdForward");
    m_close = makeButton("cmdClose");
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_contents, &QPushButton::clicked, this, [this] { showPage(QString::fromUtf8(ContentsPage)); });
    connect(m_index, &QPushButton::clicked, this, [this] { showPage(QString::fromUtf8(IndexPage)); });
    connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    // A window of its own has no dialog's Escape; without a title bar it could not be closed otherwise.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QPushButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_contents, m_index, m_back, m_forward})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
    applyLanguage();
    resize(860, 640);
}

void HelpWindow::applyLanguage() {
    setWindowTitle(ui_text("Morvenda Hilfe", "Morvenda Help"));
    m_contents->setText(ui_text("&Inhalt", "&Contents"));
    m_index->setText(ui_text("Inde&x", "&Index"));
    m_back->setText(ui_text("< &Zurück", "< &Back"));
    m_forward->setText(ui_text("&Vorwärts >", "&Forward >"));
    m_close->setText(ui_text("Schließen", "Close"));
}

QString HelpWindow::pageResource(const QString& page) {
    const QString file = page.section(u'#', 0, 0);
    if (file.isEmpty() || file.contains(QLatin1String(".."))) return {};
    if (isGerman()) {
        const QString german = QStringLiteral(":/docs/de/") + file;
        if (QFile::exists(german)) return german;
    }
    const QString english = QStringLiteral(":/docs/") + file;
    return QFile::exists(english) ? english : QString();
}

bool HelpWindow::showPage(const QString& page) {
    const QString resource = pageResource(page);
    if (resource.isEmpty()) {
        reportMissingPage(page);
        return false;
    }
    applyLanguage();
    QUrl url(QStringLiteral("qrc") + resource);
    if (const QString anchor = page.section(u'#', 1); !anchor.isEmpty()) url.setFragment(anchor);
    m_browser->setSource(url);
    // The first time over the middle of the main window; afterwards where the user left it.
    if (!isVisible() && !m_placed && parentWidget()) {
        move(parentWidget()->window()->geometry().center() - rect().center());
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
    return true;
}

void HelpWindow::followLink(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("mailto")) {
        OpenBrowser(url.toString(), false);
        return;
    }
    if (url.isRelative() && url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        return;
    }
    const QUrl target = m_browser->source().resolved(url);
    if (!QFile::exists(QLatin1Char(':') + target.path())) {
        reportMissingPage(url.toString());
        return;
    }
    m_browser->setSource(target);
}

} // namespace mv
