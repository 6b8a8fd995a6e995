#pragma once
// The "Extras" page of the settings dialog: the automatic completion list, the NULL mark, the
// size of the query history and the delay of the backup copies of unsaved documents.
#include "app/settings.h"

#include <QWidget>

class QCheckBox;
class QSpinBox;

namespace mv {

class ExtrasSettingsWidget : public QWidget {
    Q_OBJECT
  public:
    explicit ExtrasSettingsWidget(const Settings& settings, QWidget* parent = nullptr);
    // Writes the page's values into settings.
    void apply(Settings& settings) const;

    QCheckBox* chkAutoCompletion() const { return m_autoCompletion; }
    QCheckBox* chkShowNull() const { return m_showNull; }
    QSpinBox* txtHistoryMax() const { return m_historyMax; }
    QSpinBox* txtRecoverySeconds() const { return m_recoverySeconds; }

  private:
    QCheckBox* m_autoCompletion;
    QCheckBox* m_showNull;
    QSpinBox* m_historyMax;
    QSpinBox* m_recoverySeconds;
};

} // namespace mv
