#pragma once
// The data-link dialog: builds a connection string from an ODBC driver or data source name, server,
// port, database or file, user, password and further options, and can try it before it is saved.
#include "db/data_link_file.h"
#include "db/data_link_settings.h"
#include "db/odbc/odbc_sources.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace mv {

class DataLinkDialog : public QDialog {
    Q_OBJECT
  public:
    // The drivers and data sources to offer; any other name can be typed.
    DataLinkDialog(const QList<odbc::DriverEntry>& drivers, const QList<odbc::DataSourceEntry>& dataSources,
                   QWidget* parent = nullptr);

    void setConnectionString(const QString& connectionString);
    void setSettings(const DataLinkSettings& settings);
    DataLinkSettings settings() const;
    // The string to save (the password only when "save password" is ticked).
    QString connectionString() const;
    // The string as the dialog shows it, passwords masked.
    QString displayedConnectionString() const;
    // Whether OK can be pressed: a source is named and the options are well-formed.
    bool canAccept() const;

    // Without a test function the "Test connection" button stays disabled.
    void setConnectionTest(ConnectionTest test);
    // What the "Test connection" button does: tries the string with the password and tells the result.
    // The try runs on a thread of its own while the dialog keeps working; closing the dialog
    // meanwhile gives up on it (false, nothing told).
    bool testConnection();
    bool testing() const { return m_testing; }
    // What the browse button does: chooses the database file.
    void browseForFile();

  private:
    void buildWidgets();
    void applyTexts();
    void refresh();
    const odbc::DriverEntry* currentDriver() const;
    bool currentUsesFile() const;
    bool portApplies() const;

    QList<odbc::DriverEntry> m_drivers;
    QList<odbc::DataSourceEntry> m_dataSources;
    ConnectionTest m_test;
    QString m_provider;
    bool m_filling = false;
    bool m_testing = false;

    QRadioButton* optDriver = nullptr;
    QRadioButton* optDsn = nullptr;
    QRadioButton* optProvider = nullptr;
    QComboBox* cmbDriver = nullptr;
    QComboBox* cmbDsn = nullptr;
    QLineEdit* txtProvider = nullptr;
    QLabel* lblServer = nullptr;
    QLineEdit* txtServer = nullptr;
    QLabel* lblPort = nullptr;
    QLineEdit* txtPort = nullptr;
    QLabel* lblDatabase = nullptr;
    QLineEdit* txtDatabase = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLabel* lblUser = nullptr;
    QLineEdit* txtUser = nullptr;
    QLabel* lblPwd = nullptr;
    QLineEdit* txtPwd = nullptr;
    QCheckBox* chkSavePwd = nullptr;
    QLabel* lblOptions = nullptr;
    QLineEdit* txtOptions = nullptr;
    QLabel* lblError = nullptr;
    QLabel* lblResult = nullptr;
    QPlainTextEdit* txtResult = nullptr;
    QPushButton* cmdTest = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// Shows the dialog modally over parent with the drivers and data sources of this machine; NoProvider
// when the driver manager offers neither.
DataLinkAnswer runDataLinkDialog(QWidget* parent, const QString& initial, const ConnectionTest& test);
// The same as a prompt for NewDataLinkFile and EditDataLinkFile.
DataLinkPrompt dataLinkDialogPrompt(QWidget* parent, ConnectionTest test);

} // namespace mv
