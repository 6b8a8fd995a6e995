#include "session/query_history.h"

#include "app/texts.h"
#include "app/user_port.h"
#include "session/history_writer.h"

#include <QAtomicInteger>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

#include <utility>

namespace mv {

namespace {
// How long added entries may wait in memory, and how many at most.
constexpr qint64 GroupCommitMs = 250;
constexpr qsizetype WaitingMost = 500;
} // namespace

namespace {

QAtomicInteger<int> g_connections;

QString stamp(const QDateTime& t) {
    return t.toString(Qt::ISODateWithMs);
}

// The text of stamp() for a local time ("2026-03-14T09:26:53.589"), written digit by digit: a
// script makes one per statement.
void appendStamp(QByteArray& out, const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    if (t.timeSpec() != Qt::LocalTime || !d.isValid() || !tm.isValid() || d.year() < 0 || d.year() > 9999) {
        out += stamp(t).toUtf8();
        return;
    }
    char text[23];
    auto put = [&](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = char('0' + value % 10);
    };
    put(0, d.year(), 4);
    text[4] = '-';
    put(5, d.month(), 2);
    text[7] = '-';
    put(8, d.day(), 2);
    text[10] = 'T';
    put(11, tm.hour(), 2);
    text[13] = ':';
    put(14, tm.minute(), 2);
    text[16] = ':';
    put(17, tm.second(), 2);
    text[19] = '.';
    put(20, tm.msec(), 3);
    out.append(text, sizeof text);
}

// A JSON string of the text (a null text is an empty one): quotes, backslashes and control
// characters escaped, the rest UTF-8.
void appendJsonString(QByteArray& out, const QString& s) {
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = s.toUtf8();
    out += '"';
    qsizetype from = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(utf8.constData() + from, i - from);
        from = i + 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else {
            const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
            out.append(escaped, sizeof escaped);
        }
    }
    out.append(utf8.constData() + from, utf8.size() - from);
    out += '"';
}

// The entries as [[started, connection, sql, duration, rows, ok, error], ...].
QByteArray entriesJson(const QList<HistoryEntry>& entries) {
    QByteArray out;
    out.reserve(entries.size() * 256);
    out += '[';
    for (const HistoryEntry& e : entries) {
        if (out.size() > 1) out += ',';
        out += "[\"";
        appendStamp(out, e.started);
        out += "\",";
        appendJsonString(out, e.connection);
        out += ',';
        appendJsonString(out, e.sql);
        out += ',';
        out += QByteArray::number(e.durationMs);
        out += ',';
        out += QByteArray::number(e.rows);
        out += e.ok ? ",1," : ",0,";
        appendJsonString(out, e.error);
        out += ']';
    }
    out += ']';
    return out;
}

HistoryEntry readEntry(const QSqlQuery& q) {
    HistoryEntry e;
    e.id = q.value(0).toLongLong();
    e.started = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
    e.connection = q.value(2).toString();
    e.sql = q.value(3).toString();
    e.durationMs = q.value(4).toLongLong();
    e.rows = q.value(5).toLongLong();
    e.ok = q.value(6).toInt() != 0;
    e.error = q.value(7).toString();
    return e;
}

const char* const kColumns = "id, started, connection, sql, duration_ms, row_count, ok, error";

} // namespace

QString historyDamagedText(const QString& file, const QString& movedTo) {
    return ui_text(QStringLiteral("Der Abfrageverlauf '%1' ist beschädigt. Er wurde als '%2' beiseitegelegt; "
                                  "ein neuer, leerer Verlauf wurde angelegt."),
                   QStringLiteral("The query history '%1' is damaged. It was moved aside as '%2'; a new, empty "
                                  "history was started."))
        .arg(file, movedTo);
}

QString historyUnavailableText(const QString& file, const QString& detail) {
    return ui_text(QStringLiteral("Der Abfrageverlauf '%1' kann nicht geführt werden: %2\r\nMorvenda arbeitet "
                                  "ohne Verlauf weiter."),
                   QStringLiteral("The query history '%1' cannot be kept: %2\r\nMorvenda goes on without a "
                                  "history."))
        .arg(file, detail);
}

QueryHistory::QueryHistory(QString file, int maxEntries)
    : m_file(std::move(file)),
      m_connectionName(QStringLiteral("mv-history-%1").arg(g_connections.fetchAndAddRelaxed(1))),
      m_max(std::max(1, maxEntries)) {}

QueryHistory::~QueryHistory() {
    close();
}

void QueryHistory::close() {
    if (!QSqlDatabase::contains(m_connectionName)) return;
    // What waits is written (after a failed write nothing waits any more).
    QString ignored;
    if (m_open && m_writer) writeWaiting(ignored);
    m_waiting.clear();
    m_writeTimer.reset();
    m_writer.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_open = false;
}

bool QueryHistory::openFile() {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(m_file);
    // A second Morvenda writing at the same moment is waited for, not failed.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    return db.open();
}

// A file that is no SQLite database, fails its check or lacks the tables of its version is damaged.
bool QueryHistory::healthy() {
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA quick_check(1)")) || !q.next() ||
        q.value(0).toString() != QLatin1String("ok"))
        return false;
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) return false;
    const int version = q.value(0).toInt();
    if (version == 0) {
        // A new file: nothing in it yet.
        return q.exec(QStringLiteral("SELECT count(*) FROM sqlite_schema")) && q.next() && q.value(0).toInt() == 0;
    }
    if (version > SchemaVersion) return true; // written by a later program: open() refuses it
    return q.exec(QStringLiteral("SELECT count(*) FROM history")) &&
           q.exec(QStringLiteral("SELECT count(*) FROM history_fts"));
}

bool QueryHistory::createSchema() {
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery q(db);
    const char* const statements[] = {
        "CREATE TABLE history (id INTEGER PRIMARY KEY, started TEXT NOT NULL, connection TEXT NOT NULL, "
        "sql TEXT NOT NULL, duration_ms INTEGER NOT NULL, row_count INTEGER NOT NULL, ok INTEGER NOT NULL, "
        "error TEXT NOT NULL)",
        // Prefix indexes for the first letters typed: "s" alone would otherwise merge the lists of
        // every word beginning with s.
        "CREATE VIRTUAL TABLE history_fts USING fts5(sql, connection, error, content='history', "
        "content_rowid='id', prefix='1 2 3')",
        "CREATE TRIGGER history_ai AFTER INSERT ON history BEGIN INSERT INTO history_fts(rowid, sql, "
        "connection, error) VALUES (new.id, new.sql, new.connection, new.error); END",
        "CREATE TRIGGER history_ad AFTER DELETE ON history BEGIN INSERT INTO history_fts(history_fts, rowid, "
        "sql, connection, error) VALUES ('delete', old.id, old.sql, old.connection, old.error); END",
    };
    if (!db.transaction()) return false;
    for (const char* statement : statements) {
        if (!q.exec(QString::fromUtf8(statement))) {
            db.rollback();
            return false;
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion))) {
        db.rollback();
        return false;
    }
    return db.commit();
}

bool QueryHistory::open() {
    close();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        showMessage(historyUnavailableText(m_file, ui_text(QStringLiteral("der SQLite-Treiber von Qt fehlt"),
                                                           QStringLiteral("Qt's SQLite driver is missing"))),
                    MsgIcon::Exclamation);
        return false;
    }
    if (!openFile()) {
        const QString detail = QSqlDatabase::database(m_connectionName, false).lastError().text();
        close();
        showMessage(historyUnavailableText(m_file, detail), MsgIcon::Exclamation);
        return false;
    }
    bool usable = healthy();
    if (!usable) {
        close();
        const QString movedTo =
            m_file + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(u"yyyyMMdd-hhmmss");
        const bool moved = !QFile::exists(m_file) || QFile::rename(m_file, movedTo);
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            QFile::remove(m_file + QLatin1String(suffix));
        if (!moved) {
            showMessage(historyUnavailableText(m_file, ui_text(QStringLiteral("die beschädigte Datei lässt sich "
                                                                              "nicht beiseitelegen"),
                                                               QStringLiteral("the damaged file cannot be moved "
                                                                              "aside"))),
                        MsgIcon::Exclamation);
            return false;
        }
        showMessage(historyDamagedText(m_file, movedTo), MsgIcon::Exclamation);
        usable = openFile() && healthy();
    }
    int version = -1;
    QString detail;
    if (usable) {
        QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
        if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next()) version = q.value(0).toInt();
        else detail = q.lastError().text();
    } else {
        detail = QSqlDatabase::database(m_connectionName, false).lastError().text();
    }
    if (version > SchemaVersion) {
        close();
        showMessage(historyUnavailableText(m_file, ui_text(QStringLiteral("die Datei stammt von einer neueren "
                                                                          "Morvenda-Version"),
                                                           QStringLiteral("the file comes from a newer version "
                                                                          "of Morvenda"))),
                    MsgIcon::Exclamation);
        return false;
    }
    if (version >= 0) {
        // A crash loses at most the last statements, never the file. Set before a new file's
        // tables are made, so that making them does not wait for the disk half a dozen times.
        QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
        q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    if (version == 0 && !createSchema()) {
        version = -1;
        detail = QSqlDatabase::database(m_connectionName, false).lastError().text();
    }
    if (version < 0) {
        close();
        showMessage(historyUnavailableText(m_file, detail), MsgIcon::Exclamation);
        return false;
    }
    m_open = true;
    prune(true);
    if (m_open) {
        m_writer = std::make_unique<HistoryWriter>(m_file);
        QString error;
        if (!m_writer->start(error)) {
            m_writer.reset();
            fail(error);
        }
    }
    if (m_open) {
        QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
        m_lastId = q.exec(QStringLiteral("SELECT max(id) FROM history")) && q.next() ? q.value(0).toLongLong() : 0;
    }
    return m_open;
}

void QueryHistory::fail(const QString& detail) {
    close();
    showMessage(historyUnavailableText(m_file, detail), MsgIcon::Exclamation);
}

void QueryHistory::setMaxEntries(int maxEntries) {
    m_max = std::max(1, maxEntries);
    flush();
    prune(true);
}

void QueryHistory::prune(bool exact) {
    if (!m_open) return;
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    // Ids only grow and only the oldest go, so the ids in the file are one unbroken run: the newest
    // m_max entries are those above max(id) - m_max, found through the key alone. At opening and
    // when the limit changes the count is checked exactly, whatever the file went through.
    q.prepare(exact ? QStringLiteral("DELETE FROM history WHERE id <= (SELECT id FROM history ORDER BY id DESC "
                                     "LIMIT 1 OFFSET ?)")
                    : QStringLiteral("DELETE FROM history WHERE id <= (SELECT max(id) FROM history) - ?"));
    q.addBindValue(m_max);
    const QString error = q.exec() ? QString() : q.lastError().text();
    q = QSqlQuery();
    if (!error.isEmpty()) fail(error);
}

bool QueryHistory::add(HistoryEntry& e) {
    if (!m_open) return false;
    // Written one by one, every entry would cost a statement of its own and a flush of the
    // full-text index; a crash loses at most the entries of the last moment.
    e.id = ++m_lastId;
    if (m_waiting.isEmpty()) {
        m_waitingSince.start();
        if (!m_writeTimer) {
            m_writeTimer = std::make_unique<QTimer>();
            m_writeTimer->setSingleShot(true);
            m_writeTimer->setInterval(int(GroupCommitMs));
            QObject::connect(m_writeTimer.get(), &QTimer::timeout, [this] { handOver(); });
        }
        m_writeTimer->start();
    }
    m_waiting.append(e);
    if (m_waitingSince.elapsed() >= GroupCommitMs || m_waiting.size() >= WaitingMost) handOver();
    return m_open;
}

void QueryHistory::handOver() {
    if (m_writeTimer) m_writeTimer->stop();
    if (!m_open || !m_writer) return;
    // A write that failed before is reported now: the history stops with it.
    if (const QString failure = m_writer->failure(); !failure.isEmpty()) {
        fail(failure);
        return;
    }
    if (m_waiting.isEmpty()) return;
    m_writer->write(entriesJson(std::exchange(m_waiting, {})), m_max);
}

bool QueryHistory::writeWaiting(QString& error) {
    if (m_writeTimer) m_writeTimer->stop();
    if (!m_writer) return true;
    if (!m_waiting.isEmpty()) m_writer->write(entriesJson(std::exchange(m_waiting, {})), m_max);
    return m_writer->wait(error, m_lastId);
}

void QueryHistory::flush() {
    if (!m_open) return;
    QString error;
    if (!writeWaiting(error)) fail(error);
}

QString QueryHistory::matchExpression(const QString& text) {
    // Words as the index's tokenizer sees them: runs of letters and digits.
    QStringList words;
    QString word;
    for (const QChar c : text + u' ') {
        if (c.isLetterOrNumber()) {
            word += c;
        } else if (!word.isEmpty()) {
            words << u'"' + word + QStringLiteral("\"*");
            word.clear();
        }
    }
    return words.join(u' ');
}

QList<HistoryEntry> QueryHistory::search(const QString& text, int limit) {
    QList<HistoryEntry> list;
    flush();
    if (!m_open) return list;
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.setForwardOnly(true);
    const QString match = matchExpression(text);
    const QString columns = QString::fromUtf8(kColumns);
    if (match.isEmpty()) {
        q.prepare(QStringLiteral("SELECT %1 FROM history ORDER BY id DESC LIMIT ?").arg(columns));
    } else {
        // The index hands out its newest matches first, so a common word stops after `limit` rows.
        q.prepare(QStringLiteral("SELECT %1 FROM history WHERE id IN (SELECT rowid FROM history_fts WHERE "
                                 "history_fts MATCH ? ORDER BY rowid DESC LIMIT ?) ORDER BY id DESC")
                      .arg(columns));
        q.addBindValue(match);
    }
    q.addBindValue(limit);
    if (!q.exec()) return list;
    while (q.next())
        list.append(readEntry(q));
    return list;
}

std::optional<HistoryEntry> QueryHistory::entry(qint64 id) {
    flush();
    if (!m_open) return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.prepare(QStringLiteral("SELECT %1 FROM history WHERE id = ?").arg(QString::fromUtf8(kColumns)));
    q.addBindValue(id);
    if (!q.exec() || !q.next()) return std::nullopt;
    return readEntry(q);
}

qint64 QueryHistory::count() {
    flush();
    if (!m_open) return 0;
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    return q.exec(QStringLiteral("SELECT count(*) FROM history")) && q.next() ? q.value(0).toLongLong() : 0;
}

} // namespace mv
