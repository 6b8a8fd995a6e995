#include "app/extras_settings_widget.h"

#include "app/texts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QSpinBox>

namespace mv {

ExtrasSettingsWidget::ExtrasSettingsWidget(const Settings& settings, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picExtras"));
    m_autoCompletion = new QCheckBox(
        ui_text("Vorschlagsliste nach \".\" und 3 Buchstaben selbst öffnen",
                "Open the completion list on its own after \".\" and 3 letters"),
        this);
    m_autoCompletion->setObjectName(QStringLiteral("chkAutoCompletion"));
    m_autoCompletion->setChecked(settings.autoCompletion);
    m_showNull = new QCheckBox(ui_text("NULL-Werte grau als \"NULL\" anzeigen", "Show NULL values as a greyed \"NULL\""),
                               this);
    m_showNull->setObjectName(QStringLiteral("chkShowNull"));
    m_showNull->setChecked(settings.showNullMark);
    m_historyMax = new QSpinBox(this);
    m_historyMax->setObjectName(QStringLiteral("txtHistoryMax"));
    m_historyMax->setRange(100, 10'000'000);
    m_historyMax->setSingleStep(1000);
    m_historyMax->setValue(settings.historyMaxEntries);
    auto* layout = new QFormLayout(this);
    layout->addRow(m_autoCompletion);
    layout->addRow(m_showNull);
    layout->addRow(ui_text("Abfrageverlauf: höchstens Einträge", "Query history: most entries"), m_historyMax);
}

void ExtrasSettingsWidget::apply(Settings& settings) const {
    settings.autoCompletion = m_autoCompletion->isChecked();
    settings.showNullMark = m_showNull->isChecked();
    settings.historyMaxEntries = m_historyMax->value();
}

} // namespace mv
