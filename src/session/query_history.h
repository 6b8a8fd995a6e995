#pragma once
// The query history: every statement sent to a database, kept across runs in an SQLite file in the
// program's data folder, with a full-text index for searching as the user types.
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

class QTimer;

namespace mv {

class HistoryWriter;

struct HistoryEntry {
    qint64 id = 0;
    QDateTime started;
    QString connection; // data link name or connection string without its password
    QString sql;
    qint64 durationMs = 0;
    qint64 rows = 0;
    bool ok = true;
    QString error; // the error text, or the stop notice
};

class QueryHistory {
  public:
    // The layout of the file; a later program migrates files of a lower version.
    static constexpr int SchemaVersion = 1;

    QueryHistory(QString file, int maxEntries);
    ~QueryHistory();
    QueryHistory(const QueryHistory&) = delete;
    QueryHistory& operator=(const QueryHistory&) = delete;

    // Opens the file, creating it when it is missing. A damaged file is moved aside (its name gets
    // ".damaged-<time>") and a new, empty history starts, with a message saying so. False (with a
    // message) when no history can be kept in this run; the program goes on without it.
    bool open();
    bool isOpen() const { return m_open; }
    const QString& fileName() const { return m_file; }

    // The most entries kept; older ones go first. Applies at once.
    void setMaxEntries(int maxEntries);
    int maxEntries() const { return m_max; }

    // Records the entry (its id is set). A failing write is reported once; the history then stops.
    // Entries that follow each other quickly (a script) are written together, a few times a
    // second: the last of them waits at most that long in memory (or until flush()). Reading the
    // history writes what waits first.
    bool add(HistoryEntry& entry);
    // Writes what add() has kept waiting now (at the end of every run).
    void flush();
    // Newest first: the entries whose statement, connection or error holds words beginning with
    // each word of text (all of them); the newest entries when text has no word.
    QList<HistoryEntry> search(const QString& text, int limit = 500);
    std::optional<HistoryEntry> entry(qint64 id);
    qint64 count();

    // The full-text query for a search text: each word as a quoted prefix ("sel"* "cust"*).
    static QString matchExpression(const QString& text);

  private:
    bool openFile();
    bool createSchema();
    bool healthy();
    void close();
    void prune(bool exact);
    // Hands the waiting entries to the writer, which puts them into the file in one transaction
    // on its own thread.
    void handOver();
    // Hands over and waits until the writer has written everything; false with the reason when
    // a write failed.
    bool writeWaiting(QString& error);
    void fail(const QString& detail);

    QString m_file;
    QString m_connectionName;
    int m_max;
    bool m_open = false;
    // Entries added and not yet written, the time the first of them came, and the last id given.
    QList<HistoryEntry> m_waiting;
    QElapsedTimer m_waitingSince;
    qint64 m_lastId = 0;
    // Hands the waiting entries over when no further entry comes (on the owner's thread).
    std::unique_ptr<QTimer> m_writeTimer;
    std::unique_ptr<HistoryWriter> m_writer;
};

// The messages of the history file, in the current language.
QString historyDamagedText(const QString& file, const QString& movedTo);
QString historyUnavailableText(const QString& file, const QString& detail);

} // namespace mv
