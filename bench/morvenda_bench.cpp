// morvenda-bench: runs one statement through the program's own work paths, without windows, so a
// whole process can be measured against the database's native command-line client.
//
//   morvenda-bench [--phases] fetch  "<connection string>" "<SQL>"
//   morvenda-bench [--phases] csv    "<connection string>" "<SQL>" <out.csv>
//   morvenda-bench [--phases] xml    "<connection string>" "<SQL>" <out.xml>
//   morvenda-bench [--phases] binary "<connection string>" "<SQL>" <out.bin>
//
// Every mode connects the way the program does (disconnected mode, the connection string as a user
// types it) and executes the statement the way the Execute command does: on a worker thread while
// the main thread waits in its event loop, the whole result fetched into a recordset without a row
// limit. "fetch" stops there, as the result grid would take over that recordset. The other modes
// then write it as the result grid's "Export As" CSV does (semicolons, every value quoted, the
// locale's number and date texts), as the recordset XML file, or in the binary form of the
// temporary result files.
//
// Standard output gets "<rows> rows, <columns> columns". --phases adds the wall time of each phase,
// the recordset's storage and the peak resident memory on standard error. Exit status 0 on
// success, 1 when the program reported a failure, 2 for a wrong command line.
#include "console_user_port.h"

#include "app/error_report.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "db/recordset.h"
#include "db/recordset_binary.h"
#include "db/recordset_xml.h"
#include "results/export_delimited.h"
#include "results/export_file.h"
#include "session/session_log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QStringList>

#include <sys/resource.h>

#include <clocale>
#include <cstdio>

namespace {

enum class Mode { Fetch, Csv, Xml, Binary };

struct Request {
    Mode mode = Mode::Fetch;
    QString connectionString;
    QString sql;
    QString outFile;
    bool phases = false;
};

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

void usage() {
    std::fputs("usage: morvenda-bench [--phases] fetch  \"<connection string>\" \"<SQL>\"\n"
               "       morvenda-bench [--phases] csv    \"<connection string>\" \"<SQL>\" <out.csv>\n"
               "       morvenda-bench [--phases] xml    \"<connection string>\" \"<SQL>\" <out.xml>\n"
               "       morvenda-bench [--phases] binary \"<connection string>\" \"<SQL>\" <out.bin>\n",
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
    else if (mode == QLatin1String("xml"))
        r.mode = Mode::Xml;
    else if (mode == QLatin1String("binary"))
        r.mode = Mode::Binary;
    else
        return std::nullopt;
    const qsizetype wanted = r.mode == Mode::Fetch ? 2 : 3;
    if (args.size() != wanted) return std::nullopt;
    r.connectionString = args[0];
    r.sql = args[1];
    if (r.mode != Mode::Fetch) r.outFile = args[2];
    if (r.connectionString.trimmed().isEmpty() || r.sql.trimmed().isEmpty() ||
        (r.mode != Mode::Fetch && r.outFile.trimmed().isEmpty()))
        return std::nullopt;
    return r;
}

double peakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
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
        return;
    }
}

int run(const Request& r, mvbench::ConsoleUserPort& port) {
    PhaseClock clock(r.phases);
    mv::SessionLog session;
    mv::C_DbConnect cn(session);
    // The connection failure was shown through the user port already.
    if (!cn.Init(r.connectionString, QString(), QString(), true)) return ExitFailed;
    clock.lap("connect");

    mv::Recordset rs;
    const qint32 status = cn.Execute(r.sql, rs, true, 0, false);
    clock.lap("execute and fetch");
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
