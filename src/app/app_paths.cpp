#include "app/app_paths.h"

#include "app/instance_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace mv {
namespace {
bool writable(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.mv-write-probe-XXXXXX"));
    return probe.open();
}

// An installed program has its desktop entry beside the binary folder (<prefix>/bin and
// <prefix>/share/applications); a system folder such as /usr/bin is no place for settings even
// when the user may write there (root).
bool installed(const QString& folder) {
    return QFileInfo::exists(folder + QStringLiteral("/../share/applications/") + QLatin1String(AppPaths::DesktopId) +
                             QStringLiteral(".desktop"));
}
} // namespace

AppPaths AppPaths::forExecutableFolder(const QString& executableFolder) {
    AppPaths p;
    p.programFolder = QDir::cleanPath(executableFolder);
    if (installed(p.programFolder) || !writable(p.programFolder)) {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(data);
        p.programFolder = QDir::cleanPath(data);
    }
    return p;
}

bool prepareTempFolder(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists()) return QDir().mkpath(folder);
    bool ok = true;
    // Loose files are left from versions that kept every instance's results side by side; the
    // instances of today keep theirs in their own folder and lock file, which stay.
    const auto files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& f : files)
        if (!f.fileName().endsWith(QLatin1String(".lock"))) ok = QFile::remove(f.absoluteFilePath()) && ok;
    InstanceFolder::takeOrphans(folder, {});
    return ok;
}

} // namespace mv
