#pragma once
// Connection strings: splitting into keys, masking passwords, and turning the OLE-DB-style strings
// of data link files into the ODBC strings the driver manager takes.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace mv {

// One "key=value" part of a connection string. Values may be enclosed in braces (ODBC, "}}" stands
// for "}") or in double or single quotes (OLE DB, a doubled quote stands for itself); inside them
// ";" does not end the part.
struct ConnectionPart {
    QString key;      // as written, blanks kept
    QString value;    // enclosing braces or quotes removed, doubled closers resolved
    QString rawValue; // as written
    bool hasEquals = false;
    // Where the part lies in the string it came from.
    qsizetype keyStart = 0;
    qsizetype valueStart = 0; // the position after "="
    qsizetype valueEnd = 0;   // the position of the ";" that ends the part, or the string's length
    QString trimmedKey() const { return key.trimmed(); }
};

// All parts in order; empty parts (";;", a trailing ";") and blank parts are left out.
QList<ConnectionPart> splitConnectionString(const QString& cs);

struct KeyValue {
    QString key;
    QString value;
};

// The key list of a connection string: keys compared without regard to case, order kept.
class ConnectionKeys {
  public:
    bool contains(const QString& key) const;
    std::optional<QString> find(const QString& key) const;
    QString value(const QString& key) const; // empty when the key is absent
    // Adds the key; an existing key keeps its value and the result is false.
    bool add(const QString& key, const QString& value);
    const QList<KeyValue>& items() const { return m_items; }
    qsizetype size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }

  private:
    QList<KeyValue> m_items;
};

// The key list of a connection string, or nothing (after reporting the reason) when a part is not
// of the form key=value or a key occurs twice. Values containing "=" are kept whole.
std::optional<ConnectionKeys> ParseConnectionString(const QString& cs);
// The same without reporting: the reason goes to *error (message in the current language).
std::optional<ConnectionKeys> parseConnectionKeys(const QString& cs, QString* error = nullptr);

// The string with every password value replaced by ten "#": keys ending in "password" (rewritten
// as "...Password") and keys ending in "pwd" (spelling kept), also inside enclosed values such as
// Extended Properties. Empty only when masking failed (reported).
QString HidePassword(const QString& cs);

// The provider the string names, as the connection reports it: the version-less names of the known
// providers get their ".1" form ("MSDASQL" -> "MSDASQL.1"), "MSDASQL.1" when there is no Provider key
// (a plain ODBC string), any other name as written.
QString providerOf(const QString& cs);

enum class ProviderFamily { Odbc, Jet, SqlServer, Oracle, Db2, Other };
ProviderFamily providerFamily(const QString& provider);

// A value as ODBC needs it: enclosed in braces when it holds ";", "=", a brace or outer blanks.
// Drivers that do not understand braces (SQLite3, MDBTools) get the value unchanged.
QString odbcValue(const QString& value, bool bracesAllowed = true);
// False for the drivers known to take every value literally (no braces).
bool driverTakesBraces(const QString& driverName);

struct OdbcTranslation {
    QString odbc;          // the string for SQLDriverConnect; empty when error is set
    QString provider;      // as providerOf reports it
    QString driver;        // the ODBC driver chosen, when the string names one
    bool readOnly = false; // MDBTools opens files read-only
    QString error;         // why there is no ODBC string (current language)
    bool ok() const { return error.isEmpty(); }
};

// Translates a connection string into an ODBC one. installedDrivers: the driver names of the
// driver manager (see odbc/odbc_sources.h). A non-empty user replaces UID, a non-empty password PWD.
OdbcTranslation toOdbc(const QString& cs, const QStringList& installedDrivers, const QString& user = {},
                       const QString& password = {});
// The same with the drivers installed on this machine.
OdbcTranslation toOdbc(const QString& cs, const QString& user = {}, const QString& password = {});

} // namespace mv
