#pragma once
// A tiny file system of the test's own (a tmpfs mounted on a temporary folder), to see what the
// program does when the disk is full or turns read-only. Mounting needs root (or a user namespace
// where it is allowed); elsewhere the test skips with the reason.
#include "support/temp_folder.h"

#include <QString>

namespace mvtest {

class SmallFileSystem {
  public:
    explicit SmallFileSystem(int kilobytes = 256);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }
    // Why it could not be mounted.
    const QString& skipReason() const { return m_reason; }
    QString path() const { return m_folder.path(); }
    QString file(const QString& name) const { return m_folder.file(name); }

    // Fills every free byte with a filler file, so that the next write fails with ENOSPC.
    void fill();
    // Remounts read-only (EROFS for every write) or writable again.
    bool setReadOnly(bool on);
    // The names in the folder (hidden ones too), the filler left out.
    QStringList entries() const;

  private:
    TempFolder m_folder;
    bool m_mounted = false;
    QString m_reason;
};

} // namespace mvtest

// Skips the test when the file system is not there.
#define MVTEST_REQUIRE_SMALL_FS(fs)                                                                     \
    do {                                                                                               \
        if (!(fs).mounted()) GTEST_SKIP() << (fs).skipReason().toStdString();                          \
    } while (false)
