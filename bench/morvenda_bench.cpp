// morvenda-bench: runs one statement through the program's own work paths, without windows, so a
// whole process can be measured against the database's native command-line client.
//
//   morvenda-bench [--phases] fetch  "<connection string>" "<SQL>"
//   morvenda-bench [--phases] csv    "<connection string>" "<SQL>" <out.csv>
//   morvenda-bench [--phases] csv-stream "<connection string>" "<SQL>" <out.csv>
//   morvenda-bench [--phases] xml    "<connection string>" "<SQL>" <out.xml>
//   morvenda-bench [--phases] binary "<connection string>" "<SQL>" <out.bin>
//   morvenda-bench [--phases] script "<connection string>" <file.sql>
//   morvenda-bench stop "<connection string>" "<SQL>" <milliseconds>
//
// Every mode connects the way the program does (disconnected mode, the connection string as a user
// types it) and executes the statement the way the Execute command does: on a worker thread while
// the main thread waits in its event loop, the whole result fetched into a recordset without a row
// limit. "fetch" stops there, as the result grid would take over that recordset. The other modes
// then write it as the result grid's "Export As" CSV does (semicolons, every value quoted, the
// locale's number and date texts), as the recordset XML file, or in the binary form of the
// temporary result files. "script" runs the file's text as the Execute command runs a script: one
// statement after the other, each logged in the session's protocol, its log and the query history,
// with the session tab showing (so the protocol is brought to the screen as in the window).
//
// "csv-stream" runs the statement as the Execute to File command does (protocol, session log): the
// rows go to the CSV file while they are fetched, no recordset of the whole result is made; the
// file is the one "csv" writes.
//
// "stop" presses Stop the given time after the statement started (while its rows are fetched) and
// prints "stopped in <seconds> s": the time from the stop to the run's end, when the window is
// idle again; "finished before the stop" when the whole result came first.
//
// Standard output gets "<rows> rows, <columns> columns". --phases adds the wall time of each phase,
// the recordset's storage, the resident memory just before the statement runs, the fetch's own
// peak ("fetch peak <MB> (+<MB over before>)"), the resident size once the rows are let go and
// freed memory is given back, and the whole process's peak resident memory on standard error. Exit status 0 on
// success, 1 when the program reported a failure, 2 for a wrong command line.
#include "console_user_port.h"

#include "app/error_report.h"
#include "app/memory_return.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "db/recordset.h"
#include "db/recordset_binary.h"
#include "db/recordset_xml.h"
#include "exec/execute_command.h"
#include "exec/run_settings.h"
#include "results/export_delimited.h"
#include "results/export_file.h"
#include "session/query_history.h"
#include "session/session_log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <sys/resource.h>

#include <algorithm>

#include <clocale>
#include <cstdio>

namespace {

enum class Mode { Fetch, Csv, CsvStream, Xml, Binary, Script, Stop };

struct Request {
    Mode mode = Mode::Fetch;
    QString connectionString;
    QString sql;
    QString outFile;
    int stopAfterMs = 0;
    bool phases = false;
};

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

void usage() {
    std::fputs("usage: morvenda-bench [--phases] fetch  \"<connection string>\" \"<SQL>\"\n"
               "       morvenda-bench [--phases] csv    \"<connection string>\" \"<SQL>\" <out.csv>\n"
               "       morvenda-bench [--phases] csv-stream \"<connection string>\" \"<SQL>\" <out.csv>\n"
               "       morvenda-bench [--phases] xml    \"<connection string>\" \"<SQL>\" <out.xml>\n"
               "       morvenda-bench [--phases] binary \"<connection string>\" \"<SQL>\" <out.bin>\n"
               "       morvenda-bench [--phases] script \"<connection string>\" <file.sql>\n"
               "       morvenda-bench stop \"<connection string>\" \"<SQL>\" <milliseconds>\n",
               stderr);
}

void fail(const QString& text) {
    std::fprintf(stderr, "morvenda-bench: %s\n", text.toUtf8().constData());
}

std::optional<Request> parse(QStringList args) {
    Request r;
    if (!args.isEmpty() && args.first() == QLatin1String("--phases")) {
        r.phases = true;
        args.removeFirst();
    }
    if (args.isEmpty()) return std::nullopt;
    const QString mode = args.takeFirst();
    if (mode == QLatin1String("fetch"))
        r.mode = Mode::Fetch;
    else if (mode == QLatin1String("csv"))
        r.mode = Mode::Csv;
    else if (mode == QLatin1String("csv-stream"))
        r.mode = Mode::CsvStream;
    else if (mode == QLatin1String("xml"))
        r.mode = Mode::Xml;
    else if (mode == QLatin1String("binary"))
        r.mode = Mode::Binary;
    else if (mode == QLatin1String("script"))
        r.mode = Mode::Script;
    else if (mode == QLatin1String("stop"))
        r.mode = Mode::Stop;
    else
        return std::nullopt;
    const qsizetype wanted = r.mode == Mode::Fetch || r.mode == Mode::Script ? 2 : 3;
    if (args.size() != wanted) return std::nullopt;
    r.connectionString = args[0];
    r.sql = args[1];
    if (r.mode == Mode::Stop) {
        bool ok = false;
        r.stopAfterMs = args[2].toInt(&ok);
        if (!ok || r.stopAfterMs < 0 || r.connectionString.trimmed().isEmpty() || r.sql.trimmed().isEmpty())
            return std::nullopt;
        return r;
    }
    if (r.mode != Mode::Fetch && r.mode != Mode::Script) r.outFile = args[2];
    if (r.connectionString.trimmed().isEmpty() || r.sql.trimmed().isEmpty() ||
        (r.mode != Mode::Fetch && r.mode != Mode::Script && r.outFile.trimmed().isEmpty()))
        return std::nullopt;
    return r;
}

// A "Vm...:   <kB> kB" line of /proc/self/status in MB; -1 when it cannot be read.
double statusMegabytes(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix)) return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// Sets the resident high-water mark back to the current size, so the next peak read is the work's
// own. False when the kernel does not allow it (the peak then includes what came before).
bool resetPeakResident() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

double peakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// The seconds each thread of the process has run so far, and those it was ready to run but waited
// for a processor, busiest first: where a run's time went apart from waiting for each other.
QString threadSeconds() {
    QList<std::pair<double, double>> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QList<QByteArray> fields = stat.readAll().trimmed().split(' ');
        if (fields.size() < 2) continue;
        threads.append({fields[0].toDouble() / 1e9, fields[1].toDouble() / 1e9});
    }
    std::sort(threads.begin(), threads.end(), std::greater<>());
    QStringList parts;
    for (const auto& [ran, waited] : threads)
        if (ran >= 0.005) parts << QStringLiteral("%1 (waited %2)").arg(ran, 0, 'f', 3).arg(waited, 0, 'f', 3);
    return QStringLiteral("threads ran s %1").arg(parts.join(u' '));
}

class PhaseClock {
  public:
    explicit PhaseClock(bool on) : m_on(on) { m_timer.start(); }
    void lap(const char* name) {
        if (!m_on) return;
        m_text += QStringLiteral("%1 %2 s, ")
                      .arg(QLatin1String(name))
                      .arg(double(m_timer.nsecsElapsed()) / 1e9, 0, 'f', 3);
        m_timer.restart();
    }
    void note(const QString& text) {
        if (m_on) m_text += text + QStringLiteral(", ");
    }
    void print() const {
        if (!m_on) return;
        std::fprintf(stderr, "%speak RSS %.1f MB\n", m_text.toUtf8().constData(), peakRssMegabytes());
    }

  private:
    bool m_on;
    QElapsedTimer m_timer;
    QString m_text;
};

// Writes the recordset in the mode's file form; MvError on failure, nothing left behind then.
void writeResult(const Request& r, const mv::Recordset& rs) {
    switch (r.mode) {
    case Mode::Csv:
        mv::writeFileAtomically(r.outFile, [&](QIODevice& device) {
            mv::ExportSink sink(device);
            mv::writeCsv(sink, rs, {}, mv::ValueText(QLocale()), mv::CsvExportOptions{});
        });
        return;
    case Mode::Xml:
        mv::saveXml(rs, r.outFile);
        return;
    case Mode::Binary:
        mv::saveBinary(rs, r.outFile);
        return;
    case Mode::Fetch:
    case Mode::CsvStream:
    case Mode::Script:
    case Mode::Stop:
        return;
    }
}

// The window's side of a script run: the editor holds the script, the session tab is selected,
// and the protocol shown is kept (its size is the check that it was built).
class ScriptHost : public mv::ExecuteHost, public mv::ParameterInputs {
  public:
    explicit ScriptHost(QString text) : m_text(std::move(text)) {}
    QString editorSelectedText() const override { return {}; }
    QString editorText() const override { return m_text; }
    void unbindGrid() override {}
    void bindGrid(const mv::Recordset&) override {}
    int gridColumnsShown() const override { return 0; }
    void refreshGrid() override {}
    void setGridBusy(bool) override {}
    void setPanelText(const QString&, const QString&) override {}
    void SetGridState(int) override {}
    void showParameters(const mv::ParameterSet&) override {}
    const mv::ParameterInputs& parameterInputs() const override { return *this; }
    QString parameterInput(const QString&) const override { return {}; }
    // The script run shows the protocol as the session tab would; a run to a file does not.
    bool sessionTabSelected() const override { return m_sessionTab; }
    void setSessionTab(bool shown) { m_sessionTab = shown; }
    void showSessionText(const QString& text) override {
        ++m_shown;
        m_shownChars = text.size();
    }
    void setExecuteEnabled(bool) override {}

    int shown() const { return m_shown; }
    qsizetype shownChars() const { return m_shownChars; }

  private:
    QString m_text;
    int m_shown = 0;
    qsizetype m_shownChars = 0;
    bool m_sessionTab = true;
};

int runScript(const Request& r, mvbench::ConsoleUserPort& port) {
    QFile file(r.sql);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1: %2").arg(r.sql, file.errorString()));
        return ExitFailed;
    }
    const QString text = QString::fromUtf8(file.readAll());
    PhaseClock clock(r.phases);
    // The protocol is saved after the run, as in the window: into a folder of this run.
    QTemporaryDir folder;
    mv::SessionLog session(folder.path());
    session.StartSession(false);
    mv::C_DbConnect cn(session);
    if (!cn.Init(r.connectionString, QString(), QString(), true)) return ExitFailed;
    clock.lap("connect");
    mv::QueryParameters parameters;
    mv::RunSettings settings;
    ScriptHost host(text);
    mv::ExecuteCommand command(cn, session, parameters, settings, host);
    // Every statement goes to the query history as in the window.
    mv::QueryHistory history(folder.path() + QStringLiteral("/MorvendaHistory.sqlite"), 100000);
    if (!history.open()) return ExitFailed;
    command.statementLogged = [&](const mv::SessionLogRecord& rec, bool stopped) {
        mv::HistoryEntry e;
        e.started = rec.execStart;
        e.durationMs = std::max<qint64>(0, cn.QueryExecMilisec());
        e.connection = rec.connectionString;
        e.sql = rec.sql;
        e.rows = qint64(rec.affectedRecords);
        e.ok = !rec.error && !stopped;
        e.error = rec.errorText;
        history.add(e);
    };
    command.runEnded = [&] { history.flush(); };
    command.cmdExecute();
    clock.note(QStringLiteral("history %1 entries").arg(history.count()));
    clock.lap("script");
    clock.note(threadSeconds());
    const int records = session.records().recordCount();
    clock.note(QStringLiteral("protocol %1 characters shown %2 times").arg(host.shownChars()).arg(host.shown()));
    cn.EndCn();
    mv::closePooledConnections();
    clock.lap("close");
    clock.print();
    // Session start, batch start and stop, and one record per statement.
    std::printf("%d log records, %lld protocol characters\n", records, static_cast<long long>(session.SessionText().size()));
    // The script's own errors come as messages ("The script caused errors!").
    return port.messageCount() > 0 ? ExitFailed : 0;
}

// Execute to File: the command itself, its file dialog answered with the output file.
int runCsvStream(const Request& r, mvbench::ConsoleUserPort& port) {
    PhaseClock clock(r.phases);
    mv::SessionLog session;
    mv::C_DbConnect cn(session);
    if (!cn.Init(r.connectionString, QString(), QString(), true)) return ExitFailed;
    clock.lap("connect");
    mv::QueryParameters parameters;
    mv::RunSettings settings;
    ScriptHost host(r.sql);
    host.setSessionTab(false);
    mv::ExecuteCommand command(cn, session, parameters, settings, host);
    bool failed = true;
    command.statementLogged = [&](const mv::SessionLogRecord& rec, bool stopped) { failed = rec.error || stopped; };
    port.answerFilesWith(r.outFile);
    command.cmdExecuteToFile(r.sql);
    clock.lap("execute and write");
    cn.EndCn();
    mv::closePooledConnections();
    clock.lap("close");
    clock.print();
    if (failed || port.messageCount() > 0) {
        fail(QStringLiteral("the run to the file failed (see above)"));
        return ExitFailed;
    }
    // The counts as the protocol reports them.
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("The Query delivered +(\\d+) Columns and +(\\d+) Rows!")).match(session.SessionText());
    if (!m.hasMatch()) {
        fail(QStringLiteral("the protocol has no result line"));
        return ExitFailed;
    }
    std::printf("%s rows, %s columns\n", m.captured(2).toUtf8().constData(), m.captured(1).toUtf8().constData());
    return 0;
}

// Stop pressed during the fetch, as the window's Stop button does it; the time until Execute has
// returned is what the user waits for.
int runStop(const Request& r) {
    mv::SessionLog session;
    mv::C_DbConnect cn(session);
    if (!cn.Init(r.connectionString, QString(), QString(), true)) return ExitFailed;
    QElapsedTimer sinceStop;
    QObject scope;
    QTimer::singleShot(r.stopAfterMs, &scope, [&] {
        sinceStop.start();
        cn.ExecuteStop();
    });
    mv::Recordset rs;
    const qint32 status = cn.Execute(r.sql, rs, true, 0, false);
    const qint64 waited = sinceStop.isValid() ? sinceStop.nsecsElapsed() : -1;
    cn.EndCn();
    mv::closePooledConnections();
    if (status == mv::C_DbConnect::ExecSucceeded) {
        std::printf("finished before the stop (%d rows)\n", rs.recordCount());
        return ExitFailed;
    }
    if (status != mv::C_DbConnect::ExecStopped || waited < 0) {
        fail(QStringLiteral("the statement failed: %1").arg(cn.LastError()));
        return ExitFailed;
    }
    std::printf("stopped in %.3f s\n", double(waited) / 1e9);
    return 0;
}

int run(const Request& r, mvbench::ConsoleUserPort& port) {
    if (r.mode == Mode::Script) return runScript(r, port);
    if (r.mode == Mode::Stop) return runStop(r);
    if (r.mode == Mode::CsvStream) return runCsvStream(r, port);
    PhaseClock clock(r.phases);
    mv::SessionLog session;
    mv::C_DbConnect cn(session);
    // The connection failure was shown through the user port already.
    if (!cn.Init(r.connectionString, QString(), QString(), true)) return ExitFailed;
    clock.lap("connect");

    mv::Recordset rs;
    const double before = statusMegabytes("VmRSS");
    const bool peakReset = resetPeakResident();
    clock.note(QStringLiteral("resident before %1 MB").arg(before, 0, 'f', 1));
    const qint32 status = cn.Execute(r.sql, rs, true, 0, false);
    clock.lap("execute and fetch");
    clock.note(threadSeconds());
    const double fetchPeak = peakReset ? statusMegabytes("VmHWM") : peakRssMegabytes();
    clock.note(QStringLiteral("fetch peak %1 MB (+%2 MB)").arg(fetchPeak, 0, 'f', 1).arg(fetchPeak - before, 0, 'f', 1));
    int rc = 0;
    if (status != mv::C_DbConnect::ExecSucceeded) {
        // A failed statement was shown as a message; a stop has no message of its own.
        if (status == mv::C_DbConnect::ExecStopped) fail(QStringLiteral("the statement was stopped"));
        rc = ExitFailed;
    } else if (!rs.isOpen() && rs.fieldCount() == 0) {
        if (r.mode != Mode::Fetch) {
            fail(QStringLiteral("the statement returned no result set, so there is nothing to write "
                                "(%1 records affected)")
                     .arg(cn.RecordsAffected()));
            rc = ExitFailed;
        } else {
            std::printf("0 rows, 0 columns (%d records affected)\n", int(cn.RecordsAffected()));
        }
    } else {
        // The result grid gets its own copy of the rows, as after Execute in the program.
        const mv::Recordset grid = rs.clone();
        clock.note(QStringLiteral("recordset %1 MB").arg(double(grid.memoryUsage()) / 1048576.0, 0, 'f', 1));
        const bool written = mv::guardedVoid(mv::Reporter::ErrorMsg, "writeResult", "morvenda-bench",
                                             [&] { writeResult(r, grid); });
        if (r.mode != Mode::Fetch) clock.lap("write");
        if (written) {
            std::printf("%d rows, %d columns\n", grid.recordCount(), grid.fieldCount());
        } else {
            rc = ExitFailed;
        }
    }
    cn.EndCn();
    mv::closePooledConnections();
    clock.lap("close");
    // What the process keeps once the rows are let go, as the window does after a run.
    rs = mv::Recordset();
    mv::returnFreedMemory();
    clock.note(QStringLiteral("resident after release %1 MB").arg(statusMegabytes("VmRSS"), 0, 'f', 1));
    clock.print();
    // Any message the program showed on the way (a warning at close, say) makes the run suspect.
    if (rc == 0 && port.messageCount() > 0) {
        fail(QStringLiteral("the program reported a problem (see above)"));
        rc = ExitFailed;
    }
    return rc;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The ODBC layer passes UTF-8 text; drivers convert by the process locale.
    std::setlocale(LC_ALL, "");
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const std::optional<Request> request = parse(args);
    if (!request) {
        usage();
        return ExitUsage;
    }
    mvbench::ConsoleUserPort port;
    mv::setUserPort(&port);
    const int rc = run(*request, port);
    mv::setUserPort(nullptr);
    std::fflush(stdout);
    return rc;
}
