#include "results/grid_navigator_widget.h"

#include "app/formats.h"
#include "app/texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace mv {

namespace {
QToolButton* navButton(QWidget* parent, const char* name, const QString& text, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}
} // namespace

RecordNavigatorWidget::RecordNavigatorWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RecordNavigator"));
    cmdFirst =
        navButton(this, "cmdNavFirst", QStringLiteral("|<"), ui_text("Erster Datensatz", "First record"));
    cmdPrevious = navButton(this, "cmdNavPrevious", QStringLiteral("<"),
                            ui_text("Vorheriger Datensatz", "Previous record"));
    cmdNext =
        navButton(this, "cmdNavNext", QStringLiteral(">"), ui_text("Nächster Datensatz", "Next record"));
    cmdLast =
        navButton(this, "cmdNavLast", QStringLiteral(">|"), ui_text("Letzter Datensatz", "Last record"));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblNavigator"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(cmdFirst);
    layout->addWidget(cmdPrevious);
    layout->addWidget(m_label);
    layout->addWidget(cmdNext);
    layout->addWidget(cmdLast);
    layout->addStretch();
    connect(cmdFirst, &QToolButton::clicked, this, &RecordNavigatorWidget::moveFirst);
    connect(cmdPrevious, &QToolButton::clicked, this, &RecordNavigatorWidget::movePrevious);
    connect(cmdNext, &QToolButton::clicked, this, &RecordNavigatorWidget::moveNext);
    connect(cmdLast, &QToolButton::clicked, this, &RecordNavigatorWidget::moveLast);
    setPosition(-1, 0);
}

void RecordNavigatorWidget::setPosition(int position, int count) {
    const QString current = position >= 0 ? formatCount(position + 1) : QStringLiteral("-");
    m_label->setText(ui_text(QStringLiteral("Datensatz %1 von %2"), QStringLiteral("Record %1 of %2"))
                         .arg(current, formatCount(count)));
    cmdFirst->setEnabled(count > 0 && position != 0);
    cmdPrevious->setEnabled(count > 0 && position > 0);
    cmdNext->setEnabled(count > 0 && position < count - 1);
    cmdLast->setEnabled(count > 0 && position != count - 1);
}

QString RecordNavigatorWidget::text() const {
    return m_label->text();
}

} // namespace mv
