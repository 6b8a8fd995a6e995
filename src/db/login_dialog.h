#pragma once
// The login dialog: a connection string, user name and password, then connect.
#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mv {

class frmDbCon : public QDialog {
    Q_OBJECT
public:
    // `connectAction` closes the current connection, empties the explorer and connects.
    using ConnectAction = std::function<void(const QString& cs, const QString& user, const QString& pwd)>;
    explicit frmDbCon(ConnectAction connectAction, QWidget* parent = nullptr);

    void setConnectionString(const QString& cs);
    // The user to log in as; a password remembered for this connection and user is filled in.
    void setUser(const QString& user);
    void cmdOk_Click();
    void cmdCancel_Click();

    QLabel* lblText() const { return m_heading; }
    QLineEdit* txtConStr() const { return m_conStr; }
    QLineEdit* txtUser() const { return m_user; }
    QLineEdit* txtPwd() const { return m_pwd; }
    QPushButton* cmdOk() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }
    // "Remember password": shown only when the desktop has a keyring.
    QCheckBox* chkRememberPwd() const { return m_remember; }
    bool rememberPassword() const;
    // True after Connect: the dialog is done and is not shown again.
    bool finished() const { return m_finished; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    ConnectAction m_connect;
    QLabel* m_heading;
    QLineEdit* m_conStr;
    QLineEdit* m_user;
    QLineEdit* m_pwd;
    QCheckBox* m_remember;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_finished = false;
};

} // namespace mv
