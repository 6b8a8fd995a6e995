#pragma once
// A folder of one running program instance below a shared base folder (the temporary results, the
// recovery copies). Each instance's folder carries a lock file, so a second instance started in
// the same program folder never touches the first one's files; a folder whose owner has ended
// without removing it (crash, kill) is an orphan the next instance can take over.
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace mv {

class InstanceFolder {
  public:
    // Creates base/run-<pid>-<random> and holds its lock while the object lives. Without a usable
    // base folder the path is empty.
    explicit InstanceFolder(const QString& base);
    // The folder and its lock go with the object.
    ~InstanceFolder();
    InstanceFolder(const InstanceFolder&) = delete;
    InstanceFolder& operator=(const InstanceFolder&) = delete;

    const QString& path() const { return m_path; }

    // Calls `take` for each folder below base whose instance is no longer running, while holding
    // its lock, then removes that folder and its lock file. Returns how many there were.
    static int takeOrphans(const QString& base, const std::function<void(const QString& folder)>& take);
    // The folders below base whose instance is no longer running, left in place.
    static QStringList orphans(const QString& base);

  private:
    static int takeOrphansImpl(const QString& base, const std::function<void(const QString& folder)>& take,
                               bool remove);
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace mv
