#include "app/status_bar_widget.h"

#include "app/command_table.h"
#include "app/texts.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

namespace mv {

StatusBarWidget::StatusBarWidget(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("stbMainX"));
    m_connectionIcon = new QLabel(this);
    m_connectionIcon->setObjectName(QStringLiteral("kConnectionIcon"));
    m_connectionIcon->setFixedWidth(20);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setVisible(false);
    addPermanentWidget(m_note);
    m_noteTimer = new QTimer(this);
    m_noteTimer->setSingleShot(true);
    connect(m_noteTimer, &QTimer::timeout, this, [this] {
        m_note->clear();
        m_note->setVisible(false);
    });
    addPermanentWidget(m_connectionIcon);
    for (const StatusPanel& p : statusPanels()) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromUtf8(p.key));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        // The elapsed time must fit in both languages.
        label->setMinimumWidth(
            QLatin1String(p.key) == QLatin1String("kTime")
                ? label->fontMetrics().horizontalAdvance(QStringLiteral("Verstrichene Zeit: 00:00:00.00 ")) +
                      12
                : 80);
        label->installEventFilter(this);
        const bool stretch = QLatin1String(p.key) == QLatin1String("kConnection");
        addPermanentWidget(label, stretch ? 3 : 1);
        m_panels.insert(QString::fromUtf8(p.key), label);
    }
    applyLanguage();
}

void StatusBarWidget::applyLanguage() {
    for (const StatusPanel& p : statusPanels()) {
        QLabel* label = m_panels.value(QString::fromUtf8(p.key));
        label->setText(ui_text(p.german, p.english));
        label->setToolTip(ui_text(p.tipGerman, p.tipEnglish));
    }
}

void StatusBarWidget::setPanelText(const QString& key, const QString& text) {
    if (QLabel* l = m_panels.value(key)) l->setText(text);
}

void StatusBarWidget::setConnectionIcon(const QPixmap& picture, const QString& key) {
    m_connectionIcon->setPixmap(picture);
    m_connectionIcon->setProperty("iconKey", key);
}

void StatusBarWidget::showNote(const QString& text, int msec) {
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
    m_noteTimer->start(msec);
}

QString StatusBarWidget::note() const { return m_note->text(); }

QString StatusBarWidget::connectionIconKey() const {
    return m_connectionIcon->property("iconKey").toString();
}

QString StatusBarWidget::panelText(const QString& key) const {
    QLabel* l = m_panels.value(key);
    return l ? l->text() : QString();
}

bool StatusBarWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease)
        if (auto* label = qobject_cast<QLabel*>(watched)) emit panelClicked(label->objectName());
    return QStatusBar::eventFilter(watched, event);
}

} // namespace mv
