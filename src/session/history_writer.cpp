#include "session/history_writer.h"

#include <QFile>
#include <sqlite3.h>

namespace mv {

namespace {
// Another Morvenda writing the same file at the same moment is waited for, not failed.
constexpr int BusyTimeoutMs = 3000;

// The statement closed whatever way the block is left.
struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};
} // namespace

HistoryWriter::HistoryWriter(QString file) : m_file(std::move(file)) {}

HistoryWriter::~HistoryWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

bool HistoryWriter::start(QString& error) {
    m_thread = std::thread([this] { run(); });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_started; });
    if (!m_opened) error = m_failure;
    return m_opened;
}

void HistoryWriter::write(QByteArray entries, int maxEntries) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_failure.isEmpty() || !m_opened) return;
        m_batches.push_back({std::move(entries), maxEntries});
    }
    m_changed.notify_all();
}

bool HistoryWriter::wait(QString& error, qint64& lastId) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return (m_batches.empty() && !m_busy) || !m_failure.isEmpty(); });
    if (m_lastId >= 0) lastId = m_lastId;
    error = m_failure;
    return m_failure.isEmpty();
}

QString HistoryWriter::failure() {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

bool HistoryWriter::open(QString& error) {
    const int rc = sqlite3_open_v2(QFile::encodeName(m_file).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        return false;
    }
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    // As the window's connection: a crash loses at most the last entries, never the file.
    return exec("PRAGMA synchronous = NORMAL", error);
}

bool HistoryWriter::exec(const char* sql, QString& error) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

bool HistoryWriter::writeBatch(const Batch& batch, QString& error) {
    if (!exec("BEGIN IMMEDIATE", error)) return false;
    auto failed = [&] {
        error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    };
    // One statement for the whole batch: the index's triggers run within it and its new terms
    // are written once.
    Statement insert;
    if (sqlite3_prepare_v2(m_db,
                           "INSERT INTO history (started, connection, sql, duration_ms, row_count, ok, error) "
                           "SELECT value ->> 0, value ->> 1, value ->> 2, value ->> 3, value ->> 4, value ->> 5, "
                           "value ->> 6 FROM json_each(?1) ORDER BY key",
                           -1, &insert.s, nullptr) != SQLITE_OK ||
        sqlite3_bind_text(insert.s, 1, batch.entries.constData(), int(batch.entries.size()), SQLITE_STATIC) !=
            SQLITE_OK ||
        sqlite3_step(insert.s) != SQLITE_DONE)
        return failed();
    const qint64 lastId = sqlite3_last_insert_rowid(m_db);
    // The oldest go in the same transaction.
    Statement prune;
    if (sqlite3_prepare_v2(m_db, "DELETE FROM history WHERE id <= (SELECT max(id) FROM history) - ?1", -1, &prune.s,
                           nullptr) != SQLITE_OK ||
        sqlite3_bind_int64(prune.s, 1, batch.maxEntries) != SQLITE_OK || sqlite3_step(prune.s) != SQLITE_DONE)
        return failed();
    if (!exec("COMMIT", error)) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_lastId = lastId;
    return true;
}

void HistoryWriter::run() {
    QString error;
    const bool opened = open(error);
    {
        std::lock_guard lock(m_mutex);
        m_started = true;
        m_opened = opened;
        if (!opened) m_failure = error;
    }
    m_changed.notify_all();
    while (opened) {
        Batch batch;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || !m_batches.empty(); });
            if (m_batches.empty()) break; // stopping, and nothing is left to write
            batch = std::move(m_batches.front());
            m_batches.pop_front();
            m_busy = true;
        }
        const bool written = writeBatch(batch, error);
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
            if (!written && m_failure.isEmpty()) {
                m_failure = error;
                m_batches.clear();
            }
        }
        m_changed.notify_all();
    }
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

} // namespace mv
