#pragma once
// Small shared routines used throughout the program (paths use "/").
#include <QList>
#include <QString>
#include <utility>

namespace mv {

using KeyedCollection = QList<std::pair<QString, QString>>;

QString getVersion();                          // "major.minor.0#"
QString windowTitle(const QString& sDatei);    // "-=:|Morvenda <version> { <sDatei> }"
QString ExtractFileTitle(const QString& path); // the part after the last "/"
QString ExtractFilePath(const QString& path);  // the folder part, no trailing "/"
QString NicenPath(const QString& folder);      // appends "/" when missing
QString COM_ShortenPath(const QString& path, int maximum);
// True when the collection has an item with that key (any case) whose value is not empty.
bool IsCollItem(const KeyedCollection& collection, const QString& key);
// Quotes an object name ("schema.name" or "name") for the database kind, each part on its own when
// it needs quotes (quotedObjectName): brackets for Jet (1) and SQL Server (2), the driver's
// identifier quote character for the other kinds (none: unchanged). Always returns false; the name
// is changed in place.
bool CheckName(QString& name, int databaseKind, const QString& identifierQuote = {});

} // namespace mv
