#pragma once
// Writes a result to a CSV file while it is still being fetched: the fetching thread hands blocks
// of rows over, a thread of its own formats and writes them, so fetching and writing overlap, and a
// bounded queue keeps memory at a few blocks however long the result is. The bytes are those the
// CSV export writes for the same rows. The file takes its name only in commit(); until then, and
// after a failure or discard(), an earlier file of that name stays byte for byte and no temporary
// file is left.
#include "db/recordset_builder.h"
#include "results/export_delimited.h"

#include <QLocale>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace mv {

class AtomicFile;

class CsvStreamWriter final : public RowBlockSink {
  public:
    explicit CsvStreamWriter(QString path, const QLocale& locale = QLocale(), CsvExportOptions options = {},
                             qsizetype blockRows = 10000);
    ~CsvStreamWriter() override; // not committed: discarded

    // Creates the temporary file and starts the writing thread. Throws MvError 75 (with the file's
    // name and the reason) when the file cannot be created.
    void start();

    qsizetype blockRows() const override { return m_blockRows; }
    // On the fetching thread; waits while the queue is full. After a write failure the blocks are
    // dropped and the statement is stopped (stopFetch).
    void take(Recordset&& block, bool last) override;

    // The statement ended with its whole result: waits until every block is written and puts the
    // file in place. Throws MvError 75 on a failure; the earlier file then stays.
    void commit();
    // Drops what was written (the statement failed or was stopped); never throws.
    void discard();

    // Rows written so far; after commit() every row of the result.
    qint64 rowsWritten() const { return m_rowsWritten.load(); }
    // Whether the result's last block came (the statement returned a result set to its end).
    bool complete() const { return m_complete.load(); }
    // A write failed: its message (the statement was stopped for it).
    bool failed() const { return m_failed.load(); }
    QString failure() const;
    const QString& path() const { return m_path; }

  private:
    void run();
    void write(const Recordset& block);
    void finishThread(bool drop);

    QString m_path;
    CsvExportOptions m_options;
    ValueText m_text;
    qsizetype m_blockRows;
    std::unique_ptr<AtomicFile> m_file;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_ready; // a block is queued, or the end
    std::condition_variable m_room;  // the queue has room again
    std::deque<Recordset> m_queue;
    bool m_closing = false; // no block comes after the queued ones
    bool m_dropping = false;
    QString m_failure;

    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_complete{false};
    std::atomic<qint64> m_rowsWritten{0};
    bool m_headerWritten = false; // writing thread only
    bool m_done = false;          // committed or discarded
};

} // namespace mv
