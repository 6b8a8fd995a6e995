#pragma once
// Writes the query history's entries into its file on a thread of its own, with a connection of
// its own: the window's thread hands a batch over and goes on while the full-text index is built.
#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

struct sqlite3;

namespace mv {

class HistoryWriter {
  public:
    explicit HistoryWriter(QString file);
    // Writes what was handed over, then ends the thread.
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // Starts the thread with its connection to the file; false with the reason.
    bool start(QString& error);
    // Hands a batch over: the entries as a JSON array of [started, connection, sql, duration,
    // rows, ok, error], and the most entries the history keeps (older ones go in the same
    // transaction). After a failure nothing more is written.
    void write(QByteArray entries, int maxEntries);
    // Waits until everything handed over is in the file. False with the first failure's reason;
    // lastId gets the id of the last entry written.
    bool wait(QString& error, qint64& lastId);
    // The first failure so far, without waiting (empty while there is none).
    QString failure();

  private:
    struct Batch {
        QByteArray entries;
        int maxEntries = 0;
    };
    void run();
    bool open(QString& error);
    bool writeBatch(const Batch& batch, QString& error);
    bool exec(const char* sql, QString& error);

    QString m_file;
    sqlite3* m_db = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches;
    bool m_busy = false;    // a batch is being written
    bool m_stopping = false;
    bool m_started = false;
    bool m_opened = false;  // the thread's connection is open (valid once m_started)
    QString m_failure;
    qint64 m_lastId = -1;   // -1 until a batch was written
};

} // namespace mv
