#include "db/data_link_dialog.h"

#include "app/content_size_widget.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/connection_string.h"
#include "db/detached_thread.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <mutex>

namespace mv {
namespace {

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

DataLinkDialog::DataLinkDialog(const QList<odbc::DriverEntry>& drivers,
                               const QList<odbc::DataSourceEntry>& dataSources, QWidget* parent)
    : QDialog(parent), m_drivers(drivers), m_dataSources(dataSources) {
    setObjectName(QStringLiteral("frmDataLink"));
    buildWidgets();
    applyTexts();
    refresh();
}

void DataLinkDialog::buildWidgets() {
    optDriver = named(new QRadioButton(this), "optDriver");
    optDsn = named(new QRadioButton(this), "optDsn");
    optProvider = named(new QRadioButton(this), "optProvider");
    cmbDriver = named(new QComboBox(this), "cmbDriver");
    cmbDsn = named(new QComboBox(this), "cmbDsn");
    txtProvider = named(new QLineEdit(this), "txtProvider");
    lblServer = named(new QLabel(this), "lblServer");
    txtServer = named(new QLineEdit(this), "txtServer");
    lblPort = named(new QLabel(this), "lblPort");
    txtPort = named(new QLineEdit(this), "txtPort");
    lblDatabase = named(new QLabel(this), "lblDatabase");
    txtDatabase = named(new QLineEdit(this), "txtDatabase");
    cmdBrowse = named(new QPushButton(QStringLiteral("..."), this), "cmdBrowse");
    lblUser = named(new QLabel(this), "lblUser");
    txtUser = named(new QLineEdit(this), "txtUser");
    lblPwd = named(new QLabel(this), "lblPwd");
    txtPwd = named(new QLineEdit(this), "txtPwd");
    chkSavePwd = named(new QCheckBox(this), "chkSavePwd");
    lblOptions = named(new QLabel(this), "lblOptions");
    txtOptions = named(new QLineEdit(this), "txtOptions");
    lblError = named(new QLabel(this), "lblError");
    lblResult = named(new QLabel(this), "lblResult");
    txtResult = named(new QPlainTextEdit(this), "txtResult");
    cmdTest = named(new QPushButton(this), "cmdTest");
    cmdOk = named(new QPushButton(this), "cmdOk");
    cmdCancel = named(new QPushButton(this), "cmdCancel");

    cmbDriver->setEditable(true);
    for (const odbc::DriverEntry& d : m_drivers)
        cmbDriver->addItem(d.name);
    cmbDsn->setEditable(true);
    for (const odbc::DataSourceEntry& s : m_dataSources)
        cmbDsn->addItem(s.name);
    txtProvider->setReadOnly(true);
    optProvider->setVisible(false);
    txtProvider->setVisible(false);
    txtPort->setValidator(new QIntValidator(0, 65535, txtPort));
    txtPwd->setEchoMode(QLineEdit::Password);
    txtResult->setReadOnly(true);
    txtResult->setWordWrapMode(QTextOption::WrapAnywhere);
    txtResult->setFixedHeight(txtResult->fontMetrics().lineSpacing() * 3 + 12);
    lblError->setStyleSheet(QStringLiteral("color: #b00000"));
    lblError->setWordWrap(true);
    cmdOk->setDefault(true);
    optDriver->setChecked(true);

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(optDriver, row, 0);
    grid->addWidget(cmbDriver, row++, 1, 1, 2);
    grid->addWidget(optDsn, row, 0);
    grid->addWidget(cmbDsn, row++, 1, 1, 2);
    grid->addWidget(optProvider, row, 0);
    grid->addWidget(txtProvider, row++, 1, 1, 2);
    grid->addWidget(lblServer, row, 0);
    grid->addWidget(txtServer, row++, 1, 1, 2);
    grid->addWidget(lblPort, row, 0);
    grid->addWidget(txtPort, row++, 1, 1, 2);
    grid->addWidget(lblDatabase, row, 0);
    grid->addWidget(txtDatabase, row, 1);
    grid->addWidget(cmdBrowse, row++, 2);
    grid->addWidget(lblUser, row, 0);
    grid->addWidget(txtUser, row++, 1, 1, 2);
    grid->addWidget(lblPwd, row, 0);
    grid->addWidget(txtPwd, row++, 1, 1, 2);
    grid->addWidget(chkSavePwd, row++, 1, 1, 2);
    grid->addWidget(lblOptions, row, 0);
    grid->addWidget(txtOptions, row++, 1, 1, 2);
    grid->addWidget(lblError, row++, 1, 1, 2);
    grid->addWidget(lblResult, row, 0, Qt::AlignTop);
    grid->addWidget(txtResult, row++, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdTest);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    const auto changed = [this] { refresh(); };
    for (QLineEdit* e : {txtServer, txtPort, txtDatabase, txtUser, txtPwd, txtOptions})
        connect(e, &QLineEdit::textChanged, this, changed);
    connect(cmbDriver, &QComboBox::currentTextChanged, this, changed);
    connect(cmbDsn, &QComboBox::currentTextChanged, this, changed);
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{optDriver, optDsn, optProvider, chkSavePwd})
        connect(b, &QAbstractButton::toggled, this, changed);
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { browseForFile(); });
    connect(cmdTest, &QPushButton::clicked, this, [this] { testConnection(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] {
        if (canAccept()) accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DataLinkDialog::applyTexts() {
    setWindowTitle(ui_text("Data Link Eigenschaften", "Data Link Properties"));
    optDriver->setText(ui_text("ODBC-&Treiber:", "ODBC &driver:"));
    optDsn->setText(ui_text("&Datenquelle (DSN):", "Data &source name (DSN):"));
    optProvider->setText(ui_text("OLE DB Provider:", "OLE DB provider:"));
    lblServer->setText(ui_text("Server:", "Server:"));
    lblPort->setText(ui_text("Port:", "Port:"));
    lblDatabase->setText(ui_text("Datenbank oder Datei:", "Database or file:"));
    cmdBrowse->setToolTip(ui_text("Datenbankdatei auswählen", "Choose Database File"));
    lblUser->setText(ui_text("Benutzer:", "User:"));
    lblPwd->setText(ui_text("Kennwort:", "Password:"));
    chkSavePwd->setText(ui_text("Kennwort in der Datei speichern", "Save the password in the file"));
    lblOptions->setText(ui_text("Weitere Optionen:", "Extra options:"));
    txtOptions->setPlaceholderText(ui_text("Schlüssel=Wert;Schlüssel=Wert", "key=value;key=value"));
    lblResult->setText(ui_text("Verbindungszeichenfolge:", "Connection String:"));
    cmdTest->setText(ui_text("Verbindung &testen", "&Test connection"));
    cmdOk->setText(QStringLiteral("OK"));
    cmdCancel->setText(ui_text("&Abbrechen", "&Cancel"));
}

const odbc::DriverEntry* DataLinkDialog::currentDriver() const {
    const QString name = cmbDriver->currentText().trimmed();
    for (const odbc::DriverEntry& d : m_drivers)
        if (d.name.compare(name, Qt::CaseInsensitive) == 0) return &d;
    return nullptr;
}

bool DataLinkDialog::currentUsesFile() const {
    if (optProvider->isChecked()) return providerFamily(m_provider) == ProviderFamily::Jet;
    if (!optDriver->isChecked()) return false;
    if (const odbc::DriverEntry* d = currentDriver()) return d->usesFile();
    return !driverTakesBraces(cmbDriver->currentText());
}

bool DataLinkDialog::portApplies() const {
    if (currentUsesFile()) return false;
    return !optProvider->isChecked() || providerFamily(m_provider) == ProviderFamily::SqlServer;
}

void DataLinkDialog::setConnectionString(const QString& connectionString) {
    setSettings(dataLinkSettingsFrom(connectionString));
}

void DataLinkDialog::setSettings(const DataLinkSettings& s) {
    m_filling = true;
    m_provider = s.provider;
    const bool provider = s.source == DataLinkSettings::Source::Provider;
    optProvider->setVisible(provider);
    txtProvider->setVisible(provider);
    txtProvider->setText(s.provider);
    cmbDriver->setCurrentText(s.driver);
    cmbDsn->setCurrentText(s.dataSource);
    txtServer->setText(s.server);
    txtPort->setText(s.port);
    txtDatabase->setText(s.database);
    txtUser->setText(s.user);
    txtPwd->setText(s.password);
    chkSavePwd->setChecked(s.savePassword);
    txtOptions->setText(s.options);
    switch (s.source) {
    case DataLinkSettings::Source::Driver:
        optDriver->setChecked(true);
        break;
    case DataLinkSettings::Source::DataSource:
        optDsn->setChecked(true);
        break;
    case DataLinkSettings::Source::Provider:
        optProvider->setChecked(true);
        break;
    }
    m_filling = false;
    refresh();
}

DataLinkSettings DataLinkDialog::settings() const {
    DataLinkSettings s;
    s.source = optProvider->isChecked() ? DataLinkSettings::Source::Provider
               : optDsn->isChecked()    ? DataLinkSettings::Source::DataSource
                                        : DataLinkSettings::Source::Driver;
    s.driver = cmbDriver->currentText().trimmed();
    s.dataSource = cmbDsn->currentText().trimmed();
    s.provider = m_provider;
    // Fields the chosen source cannot use are left out of the string.
    const bool usesFile = currentUsesFile();
    if (!usesFile) s.server = txtServer->text();
    if (portApplies()) s.port = txtPort->text();
    s.database = txtDatabase->text();
    s.user = txtUser->text();
    s.password = txtPwd->text();
    s.options = txtOptions->text();
    s.savePassword = chkSavePwd->isChecked();
    return s;
}

QString DataLinkDialog::connectionString() const {
    const DataLinkSettings s = settings();
    return connectionStringOf(s, s.savePassword);
}

QString DataLinkDialog::displayedConnectionString() const {
    return txtResult->toPlainText();
}

bool DataLinkDialog::canAccept() const {
    return hasSource(settings()) && optionsError(txtOptions->text()).isEmpty();
}

void DataLinkDialog::refresh() {
    if (m_filling) return;
    const bool usesFile = currentUsesFile();
    cmbDriver->setEnabled(optDriver->isChecked());
    cmbDsn->setEnabled(optDsn->isChecked());
    txtServer->setEnabled(!usesFile);
    lblServer->setEnabled(!usesFile);
    const bool port = portApplies();
    txtPort->setEnabled(port);
    lblPort->setEnabled(port);
    cmdBrowse->setEnabled(usesFile);
    const QString error = optionsError(txtOptions->text());
    lblError->setText(error);
    lblError->setVisible(!error.isEmpty());
    if (isVisible()) growToContent(this);
    txtResult->setPlainText(HidePassword(connectionString()));
    cmdOk->setEnabled(canAccept());
    cmdTest->setEnabled(static_cast<bool>(m_test) && canAccept() && !m_testing);
}

void DataLinkDialog::setConnectionTest(ConnectionTest test) {
    m_test = std::move(test);
    refresh();
}

bool DataLinkDialog::testConnection() {
    if (!m_test || !canAccept() || m_testing) return false;
    // A connect to a host that does not answer takes until the driver's time-out: it runs on a
    // thread of its own, which owns what it reads, so a dialog closed meanwhile simply leaves it.
    struct Try {
        std::mutex lock;
        bool done = false;
        ConnectionTestResult result;
    };
    auto shared = std::make_shared<Try>();
    startDetached([shared, test = m_test, cs = connectionStringOf(settings(), true)] {
        ConnectionTestResult r = test(cs);
        const std::lock_guard<std::mutex> guard(shared->lock);
        shared->result = std::move(r);
        shared->done = true;
    });
    auto finished = [&] {
        const std::lock_guard<std::mutex> guard(shared->lock);
        return shared->done;
    };
    m_testing = true;
    refresh();
    {
        WaitCursor wait;
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (finished()) loop.quit();
        });
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        poll.start(20);
        if (!finished()) loop.exec();
    }
    m_testing = false;
    refresh();
    if (!finished()) return false; // the dialog was closed meanwhile
    ConnectionTestResult result;
    {
        const std::lock_guard<std::mutex> guard(shared->lock);
        result = shared->result;
    }
    if (result.ok) {
        showMessage(result.message.isEmpty() ? ui_text("Die Verbindung wurde erfolgreich hergestellt.",
                                                       "The connection was made successfully.")
                                             : result.message,
                    MsgIcon::Information);
    } else {
        showMessage(ui_text("Die Verbindung ist fehlgeschlagen:", "The connection failed:") +
                        QStringLiteral("\r\n") + result.message,
                    MsgIcon::Exclamation);
    }
    return result.ok;
}

void DataLinkDialog::browseForFile() {
    const QString driver = optProvider->isChecked() ? m_provider : cmbDriver->currentText();
    const bool sqlite = driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive);
    const bool access = driver.contains(QLatin1String("mdb"), Qt::CaseInsensitive) ||
                        providerFamily(driver) == ProviderFamily::Jet;
    FileDialogRequest request;
    request.mode = FileDialogRequest::Open;
    request.title = ui_text("Datenbankdatei auswählen", "Choose Database File");
    const QString all = ui_text("Alle Dateien (*.*) | *.*", "All files (*.*) | *.*");
    if (sqlite)
        request.filter = ui_text("SQLite Datenbank (*.db;*.sqlite;*.sqlite3) | *.db;*.sqlite;*.sqlite3|",
                                 "SQLite Database (*.db;*.sqlite;*.sqlite3) | *.db;*.sqlite;*.sqlite3|") +
                         all;
    else if (access)
        request.filter =
            ui_text("Access Datenbank (*.mdb) | *.mdb|", "Access Database (*.mdb) | *.mdb|") + all;
    else
        request.filter = all;
    // SQLite creates a database file that does not exist yet.
    request.mustExist = !sqlite;
    request.confirmOverwrite = false;
    if (!txtDatabase->text().isEmpty()) {
        const QFileInfo current(txtDatabase->text());
        request.initialDir = current.absolutePath();
        request.fileName = current.fileName();
    }
    const std::optional<QString> file = userPort().chooseFile(request);
    if (file && !file->isEmpty()) txtDatabase->setText(*file);
}

DataLinkAnswer runDataLinkDialog(QWidget* parent, const QString& initial, const ConnectionTest& test) {
    const QList<odbc::DriverEntry> drivers = odbc::listDrivers();
    const QList<odbc::DataSourceEntry> sources = odbc::listDataSources();
    if (drivers.isEmpty() && sources.isEmpty()) return {DataLinkAnswer::NoProvider, {}};
    DataLinkDialog dialog(drivers, sources, parent);
    dialog.setConnectionTest(test);
    if (!initial.isEmpty()) dialog.setConnectionString(initial);
    if (dialog.exec() != QDialog::Accepted) return {DataLinkAnswer::Cancelled, {}};
    return {DataLinkAnswer::Accepted, dialog.connectionString()};
}

DataLinkPrompt dataLinkDialogPrompt(QWidget* parent, ConnectionTest test) {
    return [parent, test = std::move(test)](const QString& initial) {
        return runDataLinkDialog(parent, initial, test);
    };
}

} // namespace mv
