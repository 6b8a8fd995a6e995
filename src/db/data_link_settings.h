#pragma once
// The fields of the data-link dialog and their connection string, apart from any widget.
#include <QString>
#include <functional>

namespace mv {

struct DataLinkSettings {
    enum class Source { Driver, DataSource, Provider };
    Source source = Source::Driver;
    QString driver;     // ODBC driver name (Source::Driver)
    QString dataSource; // data source name (Source::DataSource)
    QString provider;   // an OLE DB provider other than ODBC, kept from an existing string (Source::Provider)
    QString server;
    QString port;
    QString database; // database name or database file
    QString user;
    QString password;
    QString options; // further "key=value" parts, separated by ";"
    bool savePassword = false;
};

// Fills the fields from a connection string. Plain ODBC strings and ODBC through MSDASQL (Extended
// Properties merged) fill driver or data source; other providers keep their provider and their OLE DB
// keys. Parts without a field of their own go to options, as written.
DataLinkSettings dataLinkSettingsFrom(const QString& connectionString);

// The connection string of the fields; the password is left out unless withPassword.
QString connectionStringOf(const DataLinkSettings& settings, bool withPassword);

// Why the options are not a list of key=value parts (current language), or empty when they are.
QString optionsError(const QString& options);

// Whether a source is named at all (a driver, a data source or a provider).
bool hasSource(const DataLinkSettings& settings);

// Tries a connection string; given by whoever can connect. ok false with the reason in message.
struct ConnectionTestResult {
    bool ok = false;
    QString message;
};
using ConnectionTest = std::function<ConnectionTestResult(const QString& connectionString)>;

} // namespace mv
