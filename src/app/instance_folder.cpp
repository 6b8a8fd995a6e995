#include "app/instance_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>

namespace mv {
namespace {

const QString kPrefix = QStringLiteral("run-");
const QString kLockSuffix = QStringLiteral(".lock");

} // namespace

InstanceFolder::InstanceFolder(const QString& base) {
    if (base.isEmpty() || !QDir().mkpath(base)) return;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QString name = kPrefix + QString::number(QCoreApplication::applicationPid()) + u'-' +
                             QString::number(QRandomGenerator::global()->generate(), 36);
        const QString folder = base + u'/' + name;
        auto lock = std::make_unique<QLockFile>(folder + kLockSuffix);
        lock->setStaleLockTime(0); // only a lock whose process has ended is stale
        if (!lock->tryLock(0)) continue;
        if (QDir(folder).exists() || !QDir().mkpath(folder)) {
            lock->unlock();
            continue;
        }
        m_path = folder;
        m_lock = std::move(lock);
        return;
    }
}

InstanceFolder::~InstanceFolder() {
    if (m_path.isEmpty()) return;
    QDir(m_path).removeRecursively();
    m_lock->unlock();
}

QStringList InstanceFolder::orphans(const QString& base) {
    QStringList found;
    takeOrphansImpl(base, [&](const QString& folder) { found << folder; }, false);
    return found;
}

int InstanceFolder::takeOrphans(const QString& base, const std::function<void(const QString& folder)>& take) {
    return takeOrphansImpl(base, take, true);
}

int InstanceFolder::takeOrphansImpl(const QString& base, const std::function<void(const QString& folder)>& take,
                                    bool remove) {
    const QDir dir(base);
    if (!dir.exists()) return 0;
    int count = 0;
    const QStringList folders = dir.entryList({kPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : folders) {
        const QString folder = dir.filePath(name);
        QLockFile lock(folder + kLockSuffix);
        lock.setStaleLockTime(0);
        // A live instance holds its lock; the lock of an ended one is stale and taken over here.
        // A folder without a lock file belongs to nobody (its instance was ending).
        if (!lock.tryLock(0)) continue;
        if (take) take(folder);
        if (remove) QDir(folder).removeRecursively();
        ++count;
        lock.unlock();
    }
    return count;
}

} // namespace mv
