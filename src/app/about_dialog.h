#pragma once
// The about box: version, contact, notice, the web address, and the system information report.
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace mv {

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    // Produces the system information text; may throw (reported by StartSysInfo).
    using ReportSource = std::function<QString()>;

    explicit frmAbout(QWidget* parent = nullptr, ReportSource report = {});

    static QString webAddress(); // "https://morvenda.org"

    // The handlers, callable directly.
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void lblLink_Click();
    // Gathers the report and shows it; false when gathering failed (reported).
    bool StartSysInfo();

    QLabel* lblVersion() const { return m_version; }
    QLabel* lblLink() const { return m_link; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdSysInfo() const { return m_sysInfo; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    ReportSource m_reportSource;
    QLabel* m_version;
    QLabel* m_link;
    QPushButton* m_ok;
    QPushButton* m_sysInfo;
};

} // namespace mv
