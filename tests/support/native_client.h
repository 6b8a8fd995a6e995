#pragma once
// The databases' own command-line clients (sqlite3, psql, mariadb, mdb-export), run on the data a
// test made, so values read through Morvenda can be compared with what those clients print.
#include <QList>
#include <QString>
#include <optional>

namespace mvtest {

// One printed value; nullopt for NULL.
using NativeValue = std::optional<QString>;
using NativeRow = QList<NativeValue>;

struct NativeResult {
    QList<NativeRow> rows;
    QString error; // empty when the client ran and answered
    bool ok() const { return error.isEmpty(); }
};

// The client for the database of an ODBC connection string: "sqlite", "postgresql", "mariadb" or
// "access" (by the driver the string names); empty when it is none of them.
QString nativeDialect(const QString& connectionString);

// Runs one SELECT with the client of that database and returns the rows as it prints them
// (sqlite3 -ascii, psql unaligned, mariadb --xml). Not for Access (its tool has no SQL).
NativeResult nativeQuery(const QString& connectionString, const QString& sql);

// Every row of an Access table as mdb-export prints it, dates as "yyyy-mm-dd hh:mm:ss".
NativeResult mdbExport(const QString& file, const QString& table);

// A connection string's value for one of its keys (case-insensitive), braces removed.
QString connectionValue(const QString& connectionString, const QString& key);

} // namespace mvtest
