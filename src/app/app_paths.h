#pragma once
// Where the program keeps its files: the settings file, the temp folder, session files, listings.
#include <QString>

namespace mv {

struct AppPaths {
    // The program's name on the desktop: its .desktop file, icon and metadata carry it.
    static constexpr const char* DesktopId = "org.morvenda.Morvenda";

    QString programFolder; // no trailing "/"
    QString tempFolder() const { return programFolder + QStringLiteral("/temp"); }
    QString settingsFile() const { return programFolder + QStringLiteral("/Morvenda.ini"); }

    // The executable's folder when it is writable and not an installed program's, else the user's
    // data folder for Morvenda.
    static AppPaths forExecutableFolder(const QString& executableFolder);
};

// Start-up step: creates the temp folder, or removes from it the loose files and the folders of
// instances that are no longer running (other instances' folders stay).
bool prepareTempFolder(const QString& folder);

} // namespace mv
