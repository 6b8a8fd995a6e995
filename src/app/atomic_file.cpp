#include "app/atomic_file.h"

#include "app/byte_append.h"
#include "app/texts.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv {
namespace {

constexpr qsizetype BufferSize = 256 * 1024;

// The destination a write really replaces: a symbolic link keeps pointing at its file.
QString resolvedTarget(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink()) return info.absoluteFilePath();
    const QString target = info.symLinkTarget();
    return target.isEmpty() ? info.absoluteFilePath() : target;
}

} // namespace

QString fileErrorText(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return ui_text("Kein Platz mehr auf dem Datenträger", "No space left on the device");
    case EROFS:
        return ui_text("Der Datenträger ist schreibgeschützt", "The file system is read-only");
    case EACCES:
    case EPERM:
        return ui_text("Zugriff verweigert", "Access denied");
    case ENOENT:
    case ENOTDIR:
        return ui_text("Der Ordner existiert nicht", "The folder does not exist");
    case EISDIR:
        return ui_text("Der Name gehört zu einem Ordner", "The name belongs to a folder");
    case EFBIG:
        return ui_text("Die Datei ist zu groß", "The file is too large");
    case EIO:
        return ui_text("Ein-/Ausgabefehler", "Input/output error");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

AtomicFile::AtomicFile(QString path, QObject* parent) : QIODevice(parent), m_path(std::move(path)) {}

AtomicFile::~AtomicFile() {
    cancelWriting();
}

bool AtomicFile::open(OpenMode mode) {
    if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly) || m_path.isEmpty()) {
        setErrorString(ui_text("Ungültiger Aufruf", "Invalid call"));
        return false;
    }
    m_failed = false;
    m_buffer.clear();
    m_target = resolvedTarget(m_path);
    const QFileInfo target(m_target);
    if (target.isDir()) {
        setErrorString(fileErrorText(EISDIR));
        return false;
    }
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    const QByteArray name = QFile::encodeName(target.fileName());
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temporary = folder + "/." + name + '.' +
                      QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        m_fd = ::open(m_temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0 || errno != EEXIST) break;
    }
    if (m_fd < 0) {
        const int error = errno;
        m_temporary.clear();
        setErrorString(fileErrorText(error));
        return false;
    }
    // A replaced file keeps its permissions.
    struct stat st {};
    if (::stat(QFile::encodeName(m_target).constData(), &st) == 0) ::fchmod(m_fd, st.st_mode & 07777);
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 AtomicFile::readData(char*, qint64) {
    return -1;
}

qint64 AtomicFile::writeData(const char* data, qint64 size) {
    if (m_failed || m_fd < 0) return -1;
    if (m_buffer.size() + size > BufferSize) {
        if (!flushBuffer()) return -1;
        if (size >= BufferSize) {
            m_buffer = QByteArray(data, size);
            return flushBuffer() ? size : -1;
        }
    }
    if (m_buffer.capacity() < BufferSize) m_buffer.reserve(BufferSize);
    appendRaw(m_buffer, data, size);
    return size;
}

bool AtomicFile::flushBuffer() {
    const char* p = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failWith(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        left -= n;
    }
    // Emptied, not freed: the next lines fill the same memory.
    m_buffer.resize(0);
    return true;
}

void AtomicFile::failWith(int error) {
    if (!m_failed) setErrorString(fileErrorText(error));
    m_failed = true;
}

bool AtomicFile::commit() {
    if (m_fd < 0) {
        if (!m_failed) setErrorString(ui_text("Die Datei ist nicht offen", "The file is not open"));
        return false;
    }
    bool ok = !m_failed && flushBuffer();
    if (ok && ::fdatasync(m_fd) != 0 && errno != EINVAL) {
        failWith(errno);
        ok = false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && ok) {
        failWith(errno);
        ok = false;
    }
    if (ok && ::rename(m_temporary.constData(), QFile::encodeName(m_target).constData()) != 0) {
        failWith(errno);
        ok = false;
    }
    if (ok) m_temporary.clear();
    discardTemporary();
    QIODevice::close();
    return ok;
}

void AtomicFile::close() {
    cancelWriting();
}

void AtomicFile::cancelWriting() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    discardTemporary();
    m_buffer.clear();
    if (isOpen()) QIODevice::close();
}

void AtomicFile::discardTemporary() {
    if (!m_temporary.isEmpty()) ::unlink(m_temporary.constData());
    m_temporary.clear();
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* reason) {
    AtomicFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && reason) *reason = file.errorString();
    return ok;
}

} // namespace mv
