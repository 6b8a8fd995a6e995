#include "exec/parameter_panel_widget.h"

#include "app/error_report.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QScrollArea>
#include <QVBoxLayout>

namespace mv {
namespace {
QString keyOf(const QString& name) {
    return name + u'k';
}
} // namespace

ParameterPanelWidget::ParameterPanelWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("smParameter"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* items = new QWidget(scroll);
    m_form = new QFormLayout(items);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    scroll->setWidget(items);
    outer->addWidget(scroll);
}

void ParameterPanelWidget::clearItems() {
    while (m_form->rowCount() > 0)
        m_form->removeRow(0);
    m_items.clear();
}

void ParameterPanelWidget::ShowParameters(const std::optional<ParameterSet>& set) {
    guardedVoid(Reporter::ErrorMsg, "ShowParameters", "Globals", [&] {
        // Rebuilding follows the text; what the user typed for a parameter that is still there
        // (same name, same type) is kept.
        QMap<std::pair<QString, int>, QString> typed;
        for (const Item& item : m_items)
            if (!item.input->text().isEmpty()) typed.insert({item.name, item.type}, item.input->text());
        clearItems();
        if (!set) return;
        for (const Parameter& p : *set) {
            const QString text = typed.value({p.name, p.type}, parameterValueText(p.value));
            Item item{p.name, p.type, keyOf(p.name), new QLabel(p.name + u'\t'), new QLineEdit(text)};
            item.input->setObjectName(item.key);
            m_form->addRow(item.caption, item.input);
            m_items.append(item);
        }
    });
}

QString ParameterPanelWidget::parameterInput(const QString& name) const {
    const QLineEdit* edit = input(keyOf(name));
    return edit ? edit->text() : QString();
}

QStringList ParameterPanelWidget::itemKeys() const {
    QStringList keys;
    for (const Item& item : m_items)
        keys << item.key;
    return keys;
}

QLineEdit* ParameterPanelWidget::input(const QString& key) const {
    for (const Item& item : m_items)
        if (item.key == key) return item.input;
    return nullptr;
}

QString ParameterPanelWidget::caption(const QString& key) const {
    for (const Item& item : m_items)
        if (item.key == key) return item.caption->text();
    return QString();
}

} // namespace mv
