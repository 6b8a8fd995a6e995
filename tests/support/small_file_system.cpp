#include "support/small_file_system.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace mvtest {

namespace {
const char* const kFiller = ".filler";
}

SmallFileSystem::SmallFileSystem(int kilobytes) {
    const QByteArray target = QFile::encodeName(m_folder.path());
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0777";
    if (::mount("tmpfs", target.constData(), "tmpfs", 0, options.constData()) != 0) {
        m_reason = QStringLiteral("cannot mount a small file system here (%1); run as root to test "
                                  "full and read-only disks")
                       .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

SmallFileSystem::~SmallFileSystem() {
    if (m_mounted) ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
}

void SmallFileSystem::fill() {
    const QByteArray path = QFile::encodeName(file(QString::fromLatin1(kFiller)));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0) return;
    char block[4096];
    std::memset(block, 'x', sizeof block);
    for (size_t size = sizeof block; size > 0; size /= 2)
        while (::write(fd, block, size) > 0) {
        }
    ::close(fd);
}

bool SmallFileSystem::setReadOnly(bool on) {
    const unsigned long flags = MS_REMOUNT | (on ? MS_RDONLY : 0);
    return ::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", flags, nullptr) == 0;
}

QStringList SmallFileSystem::entries() const {
    QStringList names = QDir(path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    names.removeAll(QString::fromLatin1(kFiller));
    return names;
}

} // namespace mvtest
