#include "exec/execute_command.h"

#include "app/clock.h"
#include "app/error_report.h"
#include "app/formats.h"
#include "app/globals.h"
#include "app/memory_return.h"
#include "app/texts.h"
#include "app/text_file.h"
#include "app/user_port.h"
#include "db/connection_string.h"
#include "db/db_connect.h"
#include "exec/run_settings.h"
#include "exec/sql_names.h"
#include "exec/sql_text.h"
#include "results/csv_stream_writer.h"
#include "results/export_commands.h"
#include "session/session_log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>

namespace mv {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
// How often a running script brings the protocol to the screen.
constexpr qint64 ScreenUpdateMs = 250;

} // namespace

ExecuteCommand::ExecuteCommand(C_DbConnect& cn, SessionLog& session, QueryParameters& parameters, RunSettings& run,
                               ExecuteHost& host)
    : m_cn(cn), m_session(session), m_parameters(parameters), m_run(run), m_host(host) {}

QString ExecuteCommand::signed_(qint64 n) { return n >= 0 ? u' ' + QString::number(n) : QString::number(n); }

QString ExecuteCommand::recordsText(qint64 count) {
    return formatCount(count) + (count == 1 ? ui_text(" Datensatz", " Record") : ui_text(" Datensätze", " Records"));
}

QString ExecuteCommand::maxRecText() const { return formatCount(m_run.maxRecords); }
QString ExecuteCommand::timeoutText() const { return QString::number(m_run.queryTimeout); }

void ExecuteCommand::ShowRecordCount(qint64 count) {
    m_host.setPanelText(QStringLiteral("kRecords"), recordsText(count));
    m_host.setPanelText(QStringLiteral("kTime"), QStringLiteral("--"));
}

QString ExecuteCommand::elapsed() const { return m_cn.QueryExecElapsed(); }

QString ExecuteCommand::maxRemark(bool single) const {
    const QString text = maxRecText();
    if (text == QLatin1String("0")) return {};
    return ui_text(single ? " ( Max. Datensätze ist auf  " : " ( Max. Datensätze ist auf ", " ( Max. Records set to ") +
           text + ui_text(" gesetzt )", " )");
}

void ExecuteCommand::cmdExecute() {
    execute(nullptr);
}

void ExecuteCommand::cmdExecuteText(const QString& text) {
    execute(&text);
}

void ExecuteCommand::cmdExecuteToFile(const QString& text) {
    if (m_running || !m_cn.hasConnection()) return;
    if (TrimStr(StripComment(text, sqlDialectOf(m_cn))).isEmpty()) return;
    if (SplitStmts(text, sqlDialectOf(m_cn)).size() != 1) {
        showMessage(ui_text("„In Datei ausführen“ führt eine einzelne Anweisung aus: markieren Sie sie oder setzen "
                            "Sie den Cursor hinein.",
                            "Execute to File runs a single statement: select it or place the cursor in it."),
                    MsgIcon::Exclamation);
        return;
    }
    const std::optional<QString> chosen = userPort().chooseFile(ResultExporter::csvFileDialog());
    if (!chosen || chosen->isEmpty()) return;
    execute(&text, &*chosen);
    if (m_writtenFile.isEmpty()) return;
    const QString path = m_writtenFile;
    m_writtenFile.clear();
    // As after the CSV export: the file opens with the desktop's program for it.
    openExportedFile(path);
}

void ExecuteCommand::execute(const QString* given, const QString* file) {
    if (m_running) return; // a second start while a run waits is refused
    if (!m_cn.hasConnection()) return;
    m_running = true;
    m_host.setExecuteEnabled(false);
    bool save = true;
    guardedVoid(Reporter::ErrorMsg, "cmdExecute", "frmMain", [&] {
        WaitCursor wait;
        m_host.unbindGrid();
        m_host.setPanelText(QStringLiteral("kRecords"), QString());
        m_host.setPanelText(QStringLiteral("kTime"), ui_text("Ausführungszeit: -- ", "Elapsed Time: -- "));
        m_cn.setQTimeObj([this](const QString& t) { m_host.setPanelText(QStringLiteral("kTime"), t); });
        m_cn.setQueryTimeout(m_run.queryTimeout);
        QCoreApplication::processEvents();
        const QString selected = given ? *given : m_host.editorSelectedText();
        const QString text = selected.isEmpty() ? m_host.editorText() : selected;
        // The script is cut as the database's own client cuts it; comments go statement by
        // statement, so a delimiter or a body is never lost with them.
        const SqlDialect dialect = sqlDialectOf(m_cn);
        const QStringList statements = SplitStmts(text, dialect);
        if (statements.isEmpty()) return; // too many statements: reported
        if (statements.size() - 1 < 1) {
            save = runSingle(TrimStr(StripComment(statements.first(), dialect)), file);
        } else {
            runScript(statements);
        }
    });
    if (save) m_session.SaveSession(true);
    m_host.setGridBusy(true);
    userPort().setWaitCursor(false);
    // The run's driver buffers and the rows the grid let go of are free now.
    returnFreedMemory();
    m_running = false;
    m_host.setExecuteEnabled(true);
    if (runEnded) runEnded();
}

bool ExecuteCommand::runSingle(const QString& statement, const QString* file) {
    QString runText = statement;
    m_cn.SetScriptMode(false);
    m_host.setGridBusy(false);
    QString mark;
    if (m_cn.Transaction()) {
        m_host.SetGridState(2);
        m_host.setPanelText(QStringLiteral("kRecords"),
                            ui_text("Ausführung einer Transaktions-Abfrage ...", "execute (Transaction) Query ..."));
        mark = ui_text(" (Transaktion) ", " (Transaction) ");
    } else {
        m_host.SetGridState(3);
        m_host.setPanelText(QStringLiteral("kRecords"), ui_text("Abfrage ausführen ...", "execute Query ..."));
    }
    const SqlDialect dialect = sqlDialectOf(m_cn);
    if (m_parameters.ParseParameter(runText, dialect)) {
        // The values are read from the panel, so it must list this text's parameters, also when
        // the tab was already showing another text's.
        if (m_parameters.hasParameterSet()) m_host.showParameters(*m_parameters.parameterSet());
        // Missing or unconvertible values end the run: nothing is sent, nothing is logged.
        if (!m_parameters.InsertParameterValues(runText, m_host.parameterInputs(), m_cn.mvDatabase(), dialect)) {
            // Nothing runs: the status bar must not go on saying that a query is being executed.
            m_host.setPanelText(QStringLiteral("kRecords"), ui_text(" -- Datensätze ", " -- Records "));
            return false;
        }
    }
    QString block = QStringLiteral("//-{ '") + generalDate(now()) + u'\'' + mark +
                    ui_text("Ausführung gestartet! }", "execution start! }") + QString(35, u'-') + kCrLf + kCrLf;
    std::shared_ptr<CsvStreamWriter> writer;
    if (file) {
        writer = std::make_shared<CsvStreamWriter>(*file);
        try {
            writer->start();
        } catch (const MvError& e) {
            // The file cannot even be created: nothing is sent.
            showMessage(e.description(), MsgIcon::Exclamation);
            m_host.setPanelText(QStringLiteral("kRecords"), ui_text(" -- Datensätze ", " -- Records "));
            return false;
        }
    }
    Recordset rs;
    // A file gets the whole result: the row limit is for the grid.
    const qint32 maxRecords = writer ? 0 : m_run.maxRecords;
    qint32 status = m_cn.Execute(runText, rs, true, maxRecords, false, writer);
    const bool hasRows = status == C_DbConnect::ExecSucceeded && (rs.isOpen() || rs.fieldCount() > 0);
    QString lastError = m_cn.LastError();
    QString fileLine;
    if (writer) {
        QString writeError;
        if (hasRows && writer->complete()) {
            try {
                writer->commit();
                fileLine = ui_text("// { In Datei geschrieben: ", "// { Written to file: ") + *file + kCrLf;
                m_writtenFile = *file;
            } catch (const MvError& e) {
                writeError = e.description();
            }
        } else {
            if (writer->failed()) writeError = writer->failure();
            writer->discard();
            if (status == C_DbConnect::ExecSucceeded && writeError.isEmpty())
                fileLine = ui_text("// { Keine Datensätze: die Datei blieb unverändert",
                                   "// { No rows: the file was left as it was") + kCrLf;
        }
        if (!writeError.isEmpty()) {
            // The statement was stopped for the file's sake: it failed, for this reason.
            status = C_DbConnect::ExecFailed;
            lastError = ui_text("// { Fehlernummer: ", "// { Error Number: ") + QString::number(err::PathFileAccess) +
                        kCrLf + ui_text("// { Fehlerbeschreibung: ", "// { Error Description: ") + writeError;
            showMessage(lastError, MsgIcon::Exclamation);
        }
    }
    qint64 count = 0;
    int logType = LogUnknown;
    if (status == C_DbConnect::ExecSucceeded) {
        if (hasRows && writer) {
            count = writer->rowsWritten();
            logType = LogSelect;
        } else if (hasRows) {
            m_host.bindGrid(rs.clone());
            m_host.refreshGrid();
            count = rs.recordCount();
            logType = LogSelect;
        } else {
            count = m_cn.RecordsAffected();
            logType = LogSql;
        }
    }
    writer.reset();
    if (status != C_DbConnect::ExecFailed && m_cn.Transaction()) {
        ++m_run.transactionStmtCount;
        m_host.SetGridState(2);
    }
    const int columns = logType != LogSelect ? 0 : file ? rs.fieldCount() : m_host.gridColumnsShown();
    QString execTime;
    if (status == C_DbConnect::ExecStopped) {
        showMessage(ui_text("Die Abfrage wurde vom benutzer unterbrochen!", "Execution canceled by user!"),
                    MsgIcon::Exclamation);
        block = ui_text("// Die Abfrage wurde vom benutzer unterbrochen!", "// Execution canceled by user!");
    } else {
        execTime = elapsed();
        block += runText + kCrLf + kCrLf;
        block += ui_text("// { Die Abfrage lieferte ", "// { The Query delivered ") + signed_(columns) +
                 ui_text(" Spalten und ", " Columns and ") + signed_(count) + ui_text(" Zeilen!", " Rows!") +
                 (file ? QString() : maxRemark(true)) + kCrLf;
        block += fileLine;
        block += QStringLiteral("// { ") + execTime + kCrLf;
        if (status == C_DbConnect::ExecSucceeded)
            block += ui_text("// { Abfrage OK", "// { Query OK") + kCrLf;
        else
            block += ui_text("// { Die Abfrage verursachte Fehler", "// { The query caused errors") + kCrLf +
                     lastError + kCrLf;
    }
    m_session.append(block + kCrLf);
    SessionLogRecord r;
    r.logType = qint16(logType);
    r.execStart = m_cn.QueryExecStart();
    r.execFinish = m_cn.QueryExecFinish();
    r.sql = QString(runText).replace(u'\t', u' ');
    r.error = status == C_DbConnect::ExecFailed;
    r.affectedRecords = double(count);
    r.recordLimit = maxRecords;
    r.async = m_cn.async();
    r.timeout = m_run.queryTimeout * 60.0;
    r.execTime = execTime;
    r.transaction = m_cn.Transaction();
    r.errorText = status == C_DbConnect::ExecFailed ? lastError : QString();
    r.connectionString = HidePassword(m_cn.InitConString());
    m_session.SessionLogInsert(r);
    if (statementLogged) statementLogged(r, status == C_DbConnect::ExecStopped);
    m_host.setPanelText(QStringLiteral("kRecords"), recordsText(count));
    // The connection broke under an open transaction: it ends here, after the statement's record.
    m_cn.settleTransactionLoss();
    return true;
}

void ExecuteCommand::runScript(const QStringList& statements) {
    m_cn.SetScriptMode(true);
    m_host.setPanelText(QStringLiteral("kRecords"), ui_text("Skript wird ausgeführt ...", "execute Script ..."));
    const QDateTime scriptStart = now();
    const qint64 scriptStartTick = steadyMsecs();
    SessionLogRecord startRecord;
    startRecord.logType = LogBatchStart;
    startRecord.execStart = startRecord.execFinish = scriptStart;
    m_session.SessionLogInsert(startRecord);
    QString block = ui_text("//-{ Skript Ausführung gestartet! }", "//-{ Script execution start! }") +
                    QString(32, u'-') + kCrLf + kCrLf;
    bool failed = false;
    QElapsedTimer shown;
    // The protocol as last shown: the text before the script (screenHead characters), then block.
    QString screen;
    qsizetype screenHead = -1;
    // The protocol before the script is still the one on screen (nothing else was written to it,
    // it was not cleared): `length` is its length now.
    auto headIntact = [&](qsizetype length) {
        if (screenHead < 0 || screenHead != length) return false;
        const QString& head = m_session.SessionText();
        const qsizetype tail = std::min<qsizetype>(screenHead, 256);
        return QStringView(screen).mid(screenHead - tail, tail) == QStringView(head).mid(screenHead - tail, tail);
    };
    const SqlDialect dialect = sqlDialectOf(m_cn);
    QStringList runTexts;
    runTexts.reserve(statements.size());
    for (const QString& element : statements)
        runTexts << TrimStr(StripComment(element, dialect));
    // The same for every statement of the run.
    const QString connectionText = HidePassword(m_cn.InitConString());
    // The row limit of the whole run is the one it started with.
    const qint32 maxRecords = m_run.maxRecords;
    // The fixed parts of every statement's lines, made once for the run.
    const QString waitLines = kCrLf + kCrLf +
                              ui_text("... Abfrage wird ausgeführt ... bitte warten!", "... executing Query ... please wait!") +
                              kCrLf + ui_text("// { Die Abfrage betraf ", "// { The Query Affected ");
    const QString affectedEnd = ui_text(" Datensätze!", " Records!") + maxRemark(false) + kCrLf + QStringLiteral("// { ");
    const QString okLine = ui_text("// { Abfrage OK", "// { Query OK") + kCrLf;
    const QString errorLine = ui_text("// { Die Abfrage verursachte Fehler", "// { Query caused Errors") + kCrLf;
    const QString closing = kCrLf + QStringLiteral("//") + QString(60, u'-') + kCrLf + kCrLf;
    QCoreApplication::processEvents();
    m_cn.ExecuteScript(runTexts, maxRecords, [&](qsizetype index, qint32 status) {
        const QString& statement = runTexts[index];
        if (status == C_DbConnect::ExecFailed) failed = true;
        const qint32 count = m_cn.RecordsAffected();
        const QString execTime = status == C_DbConnect::ExecStopped ? QString() : elapsed();
        block += statement;
        block += waitLines;
        if (count >= 0) block += u' ';
        block += QString::number(count);
        block += affectedEnd;
        block += execTime;
        block += kCrLf;
        if (status == C_DbConnect::ExecSucceeded) {
            block += okLine;
        } else {
            block += errorLine;
            block += m_cn.LastError();
            block += kCrLf;
        }
        block += closing;
        SessionLogRecord r;
        r.logType = LogSql;
        r.execStart = m_cn.QueryExecStart();
        r.execFinish = m_cn.QueryExecFinish();
        r.sql = QString(statement).replace(u'\t', u' ');
        r.error = status == C_DbConnect::ExecFailed;
        r.affectedRecords = count;
        r.recordLimit = maxRecords;
        r.async = m_cn.async();
        r.timeout = m_run.queryTimeout * 60.0;
        r.execTime = execTime;
        r.transaction = m_cn.Transaction();
        r.errorText = status == C_DbConnect::ExecSucceeded ? QString() : m_cn.LastError();
        r.connectionString = connectionText;
        m_session.SessionLogInsert(r);
        if (statementLogged) statementLogged(r, status == C_DbConnect::ExecStopped);
        if (status != C_DbConnect::ExecFailed && m_cn.Transaction()) {
            ++m_run.transactionStmtCount;
            m_host.SetGridState(2);
        }
        // The protocol on screen follows a few times a second: showing all of it after every
        // statement would cost the whole text per statement.
        if (m_host.sessionTabSelected() && (!shown.isValid() || shown.elapsed() >= ScreenUpdateMs)) {
            m_host.refreshGrid();
            // The text on screen grows by what came since it was last shown; it is made anew only
            // when the protocol before the script changed meanwhile.
            const QString& head = m_session.SessionText();
            if (!headIntact(head.size())) {
                screen = head + block;
                screenHead = head.size();
                m_host.showSessionText(screen);
            } else {
                const qsizetype kept = screen.size();
                screen += QStringView(block).mid(kept - screenHead);
                m_host.growSessionText(screen, kept);
            }
            shown.start();
        }
        // Stop ends the whole script, and so does a transaction lost with its connection (on a
        // new connection each later statement would be committed at once): the connection runs
        // no statement after these.
        if (m_cn.transactionLost()) failed = true;
    });
    const qint64 secs = std::max<qint64>(0, (steadyMsecs() - scriptStartTick) / 1000);
    const QString footTime = QStringLiteral("%1:%2.%3")
                                 .arg(secs / 3600, 2, 10, QLatin1Char('0'))
                                 .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
                                 .arg(secs % 60, 2, 10, QLatin1Char('0'));
    block += ui_text("// { Skriptaussführung beendet! [", "// { Script execution finished! [") + footTime +
             QStringLiteral("] }") + QString(18, u'-') + kCrLf;
    block += kCrLf;
    // What is on screen grows by the rest of the block unless the protocol changed under it.
    const qsizetype keptOnScreen = headIntact(m_session.SessionText().size()) ? screen.size() : 0;
    screen = QString(); // a second copy of the protocol is not needed any more
    m_session.append(block);
    SessionLogRecord stop;
    stop.logType = LogBatchStop;
    stop.execStart = scriptStart;
    stop.execFinish = now();
    stop.execTime = footTime;
    m_session.SessionLogInsert(stop);
    m_host.refreshGrid();
    if (m_host.sessionTabSelected()) {
        if (keptOnScreen > 0)
            m_host.growSessionText(m_session.SessionText(), keptOnScreen);
        else
            m_host.showSessionText(m_session.SessionText());
    }
    m_host.setPanelText(QStringLiteral("kRecords"), formatCount(0) + ui_text(" Datensätze", " Records"));
    m_cn.SetScriptMode(false);
    m_cn.settleTransactionLoss();
    if (failed) showMessage(ui_text("Das Script verursachte Fehler!", "The script caused errors!"), MsgIcon::Exclamation);
}

bool ExecuteCommand::txtMaxRec_LostFocus(const QString& text) {
    return guarded(Reporter::ErrorMsg, "txtMaxRec_LostFocus", "", false, [&] {
        bool ok = false;
        qint64 v = QLocale().toLongLong(text.trimmed(), &ok);
        if (!ok) v = text.trimmed().toLongLong(&ok);
        if (!ok) throw MvError(err::TypeMismatch, QStringLiteral("Type mismatch"));
        if (v < 0 || v > std::numeric_limits<qint32>::max()) throw MvError(6, QStringLiteral("Overflow"));
        m_run.maxRecords = qint32(v);
        return true;
    });
}

bool ExecuteCommand::txtTimeout_LostFocus(const QString& text) {
    return guarded(Reporter::ErrorMsg, "txtTimeout_LostFocus", "", false, [&] {
        bool ok = false;
        const qint64 v = text.trimmed().toLongLong(&ok);
        if (!ok) throw MvError(err::TypeMismatch, QStringLiteral("Type mismatch"));
        if (v < 0 || v > std::numeric_limits<qint32>::max() / 60) throw MvError(6, QStringLiteral("Overflow"));
        m_run.queryTimeout = qint32(v);
        return true;
    });
}

void ExecuteCommand::chkAsync_Click(bool checked) {
    m_run.async = checked;
    m_cn.setAsync(checked);
}

QString ExecuteCommand::GetRecordcount(const QString& filter, const QString& programFolder) {
    return guarded(Reporter::ErrorMsg, "GetRecordcount", "Globals", QString(), [&] {
        m_cn.setQTimeObj([this](const QString& t) { m_host.setPanelText(QStringLiteral("kTime"), t); });
        Recordset tables;
        QString report;
        const NameRules names = nameRulesOf(m_cn);
        if (m_cn.GetTablesRs(tables, false)) {
            const int nameCol = tables.fieldIndex(QStringLiteral("TABLE_NAME"));
            const int schemaCol = tables.fieldIndex(QStringLiteral("TABLE_SCHEMA"));
            for (int row = 0; row < tables.recordCount(); ++row) {
                const QString name = tables.text(row, nameCol);
                const QString schema = schemaCol >= 0 ? tables.text(row, schemaCol) : QString();
                const QString qualified = schema.trimmed().isEmpty() ? name : schema + u'.' + name;
                // The filter comes upper-cased; names on the server may be in any case.
                if (!filter.isEmpty() && !(schema + u'.' + qualified).contains(filter, Qt::CaseInsensitive))
                    continue;
                // Schema and name are quoted each on their own from the catalog's spelling, so no
                // table name can add a statement or a comment.
                const QString quoted = schema.trimmed().isEmpty()
                                           ? quotedName(name, names)
                                           : quotedName(schema, names) + u'.' + quotedName(name, names);
                const QString sql = QStringLiteral("SELECT count(*) FROM ") + quoted;
                // A name the source cannot quote may still hold a statement delimiter: such a
                // table is left out rather than run as two statements.
                if (SplitStmts(sql, sqlDialectOf(m_cn)).size() != 1 ||
                    TrimStr(StripComment(sql, sqlDialectOf(m_cn))) != sql)
                    continue;
                Recordset rs;
                if (m_cn.Execute(sql, rs, true, 1, false) == C_DbConnect::ExecSucceeded && rs.recordCount() > 0)
                    report += qualified + u'\t' + formatCount(rs.value(0, 0).toLongLong()) + kCrLf;
            }
        }
        const QString file = NicenPath(programFolder) + QStringLiteral("Recordcount.txt");
        showMessage(QStringLiteral("The file '") + file + QStringLiteral("' was created"), MsgIcon::None);
        DateiSpeichern(file, report);
        return report;
    });
}

} // namespace mv
