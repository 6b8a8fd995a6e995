#include "exec/parameter_panel_widget.h"

#include "app/error_report.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
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
        clearItems();
        if (!set) return;
        for (const Parameter& p : *set) {
            Item item{keyOf(p.name), new QLabel(p.name + u'\t'), new QLineEdit(parameterValueText(p.value))};
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
