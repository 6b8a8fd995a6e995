#pragma once
// Where an export's bytes go: a sink that refuses to lose a write, and the file that replaces an
// earlier one only when the whole export was written.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

namespace mv {

// Writes each piece with one write call; a device that takes less throws MvError 75.
class ExportSink {
  public:
    explicit ExportSink(QIODevice& device) : m_device(device) {}
    void write(const QByteArray& bytes);
    QIODevice& device() { return m_device; }

  private:
    QIODevice& m_device;
};

// Runs `body` on a temporary file next to `path` and puts it in place of `path` only when body
// returned and every byte was stored. On any failure (the body throws, a write or the final
// rename fails) an earlier file of that name stays as it was, no temporary file is left, and the
// error propagates (MvError 75 with the file name and the system's reason for the file's own
// failures).
void writeFileAtomically(const QString& path, const std::function<void(QIODevice&)>& body);

} // namespace mv
