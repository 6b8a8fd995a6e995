#pragma once
// Files written whole or not at all. The bytes go to a new file beside the destination; only when
// every write, the flush to disk and the close succeeded does that file take the destination's
// name. On any failure (disk full, read-only or removed folder) the temporary file is removed and
// an earlier file of that name stays byte for byte as it was.
//
// Used instead of QSaveFile, whose commit() has been seen to report success after a buffered write
// failed on a full disk, leaving an empty file.
#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace mv {

class AtomicFile : public QIODevice {
    Q_OBJECT
  public:
    explicit AtomicFile(QString path, QObject* parent = nullptr);
    ~AtomicFile() override; // an uncommitted file is cancelled

    // Only WriteOnly. False (with errorString()) when the temporary file cannot be created.
    bool open(OpenMode mode) override;
    // Stores what is buffered, flushes it to disk, closes and renames. False (with errorString())
    // on the first failure of any of these or of an earlier write; the destination is then
    // untouched.
    bool commit();
    // Drops everything written so far; the destination is untouched.
    void cancelWriting();
    // Closing without commit() is cancelling.
    void close() override;
    // The destination as given.
    const QString& fileName() const { return m_path; }
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

  private:
    bool flushBuffer();
    void failWith(int error);
    void discardTemporary();

    QString m_path;
    QString m_target; // the destination with symbolic links followed
    QByteArray m_temporary;
    int m_fd = -1;
    QByteArray m_buffer;
    bool m_failed = false;
};

// The reason for a failed file operation, in the program's language, from an errno value.
QString fileErrorText(int error);

// Writes bytes to path through an AtomicFile. False with the reason when anything failed.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* reason);

} // namespace mv
