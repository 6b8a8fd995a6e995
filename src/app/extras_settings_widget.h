#pragma once
// The "Extras" page of the settings dialog: the automatic completion list, the NULL mark and the
// size of the query history.
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

  private:
    QCheckBox* m_autoCompletion;
    QCheckBox* m_showNull;
    QSpinBox* m_historyMax;
};

} // namespace mv
