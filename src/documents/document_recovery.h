#pragma once
// Copies of unsaved documents, so that a crash or a kill loses no work. A few seconds after an
// edit the changed documents are written (each atomically) to this instance's own folder below
// the recovery folder; saved and closed documents lose their copy. The folder goes when the
// program ends normally; one that outlived its instance holds the copies the next start offers
// to restore.
#include "app/instance_folder.h"
#include "app/text_encoding.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

namespace mv {

struct RecoveryCopy {
    QString key;     // the document's key in the instance that wrote the copy
    QString file;    // the document's file, or empty for a document never saved
    QString caption; // its tab caption
    TextEncoding encoding = TextEncoding::Utf8;
    QString text;
};

// Writes and reads the copy files of one folder.
bool writeRecoveryCopy(const QString& folder, const RecoveryCopy& copy, QString* reason);
QList<RecoveryCopy> readRecoveryCopies(const QString& folder);

class DocumentRecovery : public QObject {
    Q_OBJECT
  public:
    using Snapshot = std::function<QList<RecoveryCopy>()>;
    // `base` is the recovery folder; `snapshot` lists the documents with unsaved changes.
    DocumentRecovery(QString base, Snapshot snapshot, QObject* parent = nullptr);
    ~DocumentRecovery() override;

    // The longest delay the settings allow (an hour).
    static constexpr int MaxDelaySeconds = 3600;
    // Seconds from an edit to the copy; 0 or less writes no copies.
    void setDelaySeconds(int seconds);
    int delaySeconds() const { return m_delaySeconds; }
    // Starts this instance's folder (once).
    void start();
    // The program ends normally: this instance's folder and every copy in it go.
    void finish();
    const QString& base() const { return m_base; }
    QString folder() const { return m_folder ? m_folder->path() : QString(); }

    // An edit happened: the copies are brought up to date after the delay.
    void schedule();
    // Brings the copies up to date now: changed documents written (when their text differs from
    // the copy), copies of the others removed.
    void sync();

    // The copies left by instances that are no longer running (read, left in place), and their
    // removal once the user has decided.
    QList<RecoveryCopy> orphanCopies() const;
    void removeOrphans() const;

  private:
    QString m_base;
    Snapshot m_snapshot;
    std::unique_ptr<InstanceFolder> m_folder;
    QTimer m_timer;
    int m_delaySeconds = 5;
    QHash<QString, QString> m_written; // key -> text of the copy on disk
    bool m_reported = false;
};

} // namespace mv
