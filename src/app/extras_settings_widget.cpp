#include "app/extras_settings_widget.h"

#include "app/texts.h"
#include "documents/document_recovery.h"

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
    m_recoverySeconds = new QSpinBox(this);
    m_recoverySeconds->setObjectName(QStringLiteral("txtRecoverySeconds"));
    m_recoverySeconds->setRange(0, DocumentRecovery::MaxDelaySeconds);
    m_recoverySeconds->setSuffix(QStringLiteral(" s"));
    // 0 writes no copies at all.
    m_recoverySeconds->setSpecialValueText(ui_text("keine", "none"));
    m_recoverySeconds->setValue(settings.recoverySeconds);
    auto* layout = new QFormLayout(this);
    layout->addRow(m_autoCompletion);
    layout->addRow(m_showNull);
    layout->addRow(ui_text("Abfrageverlauf: höchstens Einträge", "Query history: most entries"), m_historyMax);
    layout->addRow(ui_text("Sicherungskopie ungespeicherter Dokumente nach", "Backup copy of unsaved documents after"),
                   m_recoverySeconds);
}

void ExtrasSettingsWidget::apply(Settings& settings) const {
    settings.autoCompletion = m_autoCompletion->isChecked();
    settings.showNullMark = m_showNull->isChecked();
    settings.historyMaxEntries = m_historyMax->value();
    settings.recoverySeconds = m_recoverySeconds->value();
}

} // namespace mv
