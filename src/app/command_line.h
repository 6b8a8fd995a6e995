#pragma once
// The program's switches: /INI=, /QRY=, /USR=, /PWD=, /RUN.
#include <QString>
#include <QStringList>

namespace mv {

struct CommandLine {
    QString dataLinkFile;   // INI
    QStringList queryFiles; // every QRY, in order; the last one is "the" query file
    QString user;           // USR
    QString password;       // PWD
    bool run = false;       // RUN
    bool hasSwitches = false;
    QString queryFile() const { return queryFiles.isEmpty() ? QString() : queryFiles.last(); }
};

// A switch begins at a "/" that starts the text or follows a blank; any other "/" belongs to the
// value, so Linux paths work. The first three letters name the switch (any case); the value starts
// at the fifth character and is trimmed; the last one wins.
CommandLine parseCommandLine(const QString& text);
// The process arguments after the program path, joined with blanks. An existing file given without a
// switch (the desktop opening a file with the program) becomes /INI= for data link and database
// files (.udl, .db, .sqlite, .sqlite3, .mdb) and /QRY= for any other file.
QString joinArguments(const QStringList& arguments);

} // namespace mv
