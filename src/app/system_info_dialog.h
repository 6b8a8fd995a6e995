#pragma once
// Shows the system information report read-only, with a button that copies it for a bug report.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace mv {

class frmSystemInfo : public QDialog {
    Q_OBJECT
  public:
    explicit frmSystemInfo(const QString& report, QWidget* parent = nullptr);

    void cmdCopy_Click();

    QPlainTextEdit* txtReport() const { return m_report; }
    QPushButton* cmdCopy() const { return m_copy; }
    QPushButton* cmdClose() const { return m_close; }

  private:
    QString m_text;
    QPlainTextEdit* m_report;
    QPushButton* m_copy;
    QPushButton* m_close;
};

} // namespace mv
