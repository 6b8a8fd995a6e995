#include "results/csv_stream_writer.h"

#include "app/atomic_file.h"
#include "app/mv_error.h"
#include "app/texts.h"
#include "results/export_file.h"

namespace mv {
namespace {

// Blocks waiting to be written: enough that a short stall of either side costs no time, few
// enough that memory stays flat.
constexpr size_t MaxQueuedBlocks = 4;

[[noreturn]] void cannotWrite(const QString& path, const QString& reason) {
    throw MvError(err::PathFileAccess, ui_text("Die Datei '%1' konnte nicht geschrieben werden: %2",
                                               "The file '%1' could not be written: %2")
                                           .arg(path, reason));
}

} // namespace

CsvStreamWriter::CsvStreamWriter(QString path, const QLocale& locale, CsvExportOptions options, qsizetype blockRows)
    : m_path(std::move(path)), m_options(std::move(options)), m_text(locale), m_blockRows(std::max<qsizetype>(1, blockRows)) {}

CsvStreamWriter::~CsvStreamWriter() {
    discard();
}

void CsvStreamWriter::start() {
    m_file = std::make_unique<AtomicFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString reason = m_file->errorString();
        m_file.reset();
        m_done = true;
        cannotWrite(m_path, reason);
    }
    m_thread = std::thread([this] { run(); });
}

void CsvStreamWriter::take(Recordset&& block, bool last) {
    bool stop = false;
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [&] { return m_queue.size() < MaxQueuedBlocks || m_closing || m_failed.load(); });
        if (m_failed.load() || m_closing) {
            stop = m_failed.load();
        } else {
            m_queue.push_back(std::move(block));
            if (last) m_complete = true;
        }
    }
    m_ready.notify_one();
    // The file cannot take more: fetching the rest would only be thrown away.
    if (stop && stopFetch) stopFetch();
}

void CsvStreamWriter::run() {
    for (;;) {
        Recordset block;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [&] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty() || m_dropping) return;
            block = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_room.notify_one();
        if (m_failed.load()) continue;
        try {
            write(block);
        } catch (const MvError& e) {
            std::lock_guard lock(m_mutex);
            m_failure = e.description();
            m_failed = true;
        } catch (const std::exception& e) {
            std::lock_guard lock(m_mutex);
            m_failure = QString::fromLocal8Bit(e.what());
            m_failed = true;
        }
        if (m_failed.load()) m_room.notify_all();
    }
}

void CsvStreamWriter::write(const Recordset& block) {
    // The header comes with the first block, also when the result has no rows.
    if (m_headerWritten && block.recordCount() == 0) return;
    CsvExportOptions options = m_options;
    options.header = m_options.header && !m_headerWritten;
    ExportSink sink(*m_file);
    writeCsv(sink, block, {}, m_text, options);
    m_headerWritten = true;
    m_rowsWritten += block.recordCount();
}

void CsvStreamWriter::finishThread(bool drop) {
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        if (drop) {
            m_dropping = true;
            m_queue.clear();
        }
    }
    m_ready.notify_all();
    m_room.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void CsvStreamWriter::commit() {
    if (m_done) cannotWrite(m_path, ui_text("Die Datei ist bereits geschlossen.", "The file is closed already."));
    finishThread(false);
    m_done = true;
    if (m_failed.load()) {
        m_file->cancelWriting();
        throw MvError(err::PathFileAccess, failure());
    }
    if (!m_file->commit()) cannotWrite(m_path, m_file->errorString());
}

void CsvStreamWriter::discard() {
    if (m_done) return;
    finishThread(true);
    m_done = true;
    if (m_file) m_file->cancelWriting();
}

QString CsvStreamWriter::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

} // namespace mv
