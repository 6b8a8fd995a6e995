#include "app/app_paths.h"

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
} // namespace

AppPaths AppPaths::forExecutableFolder(const QString& executableFolder) {
    AppPaths p;
    p.programFolder = QDir::cleanPath(executableFolder);
    if (!writable(p.programFolder)) {
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
    const auto files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& f : files) ok = QFile::remove(f.absoluteFilePath()) && ok;
    return ok;
}

} // namespace mv
