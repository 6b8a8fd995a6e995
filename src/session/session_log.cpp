#include "session/session_log.h"

#include "app/clock.h"
#include "app/error_report.h"
#include "app/formats.h"
#include "app/globals.h"
#include "app/texts.h"
#include "app/text_file.h"
#include "db/recordset_xml.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace mv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString programTitle() { return QStringLiteral("Morvenda"); }

// A name stem "<folder>/MorvendaSession_T<stamp>" (with "_2", "_3", ... when taken) whose .txt file
// this call created, so that instances ending in the same second never write over each other.
QString claimSessionStem(const QString& folder, const QString& stamp) {
    const QString first = folder + QStringLiteral("/MorvendaSession_T") + stamp;
    for (int n = 1; n < 1000; ++n) {
        const QString stem = n == 1 ? first : first + u'_' + QString::number(n);
        const int fd = ::open(QFile::encodeName(stem + QStringLiteral(".txt")).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return stem;
        }
        if (errno != EEXIST) break; // the write reports what is wrong with the folder
    }
    return first;
}

} // namespace

QString logTypeText(int code) {
    switch (code) {
    case LogSelect: return QStringLiteral("SELECT");
    case LogSql: return QStringLiteral("SQL");
    case LogConnection: return QStringLiteral("Connection");
    case LogTransactionStart: return QStringLiteral("Transaction start");
    case LogTransactionCommit: return QStringLiteral("Transaction commit");
    case LogTransactionRollback: return QStringLiteral("Transaction rollback");
    case LogSessionStart: return QStringLiteral("Session start");
    case LogSessionEnd: return QStringLiteral("Session end");
    case LogBatchStart: return QStringLiteral("Batch start");
    case LogBatchStop: return QStringLiteral("Batch stop");
    default: return QStringLiteral("Unknown");
    }
}

QDateTime noDateMarker() {
    // Made once: a local date and time costs a look at the time zone each time it is made.
    static const QDateTime marker(QDate(1899, 12, 31), QTime(0, 0));
    return marker;
}

QString SessionLog::headerNotice() { return QStringLiteral(" - SQL query tool"); }

SessionLog::SessionLog(QString programFolder) : m_folder(std::move(programFolder)) { InitSessionLogObject(); }

bool SessionLog::InitSessionLogObject() {
    return guarded(Reporter::ErrorMsg, "InitSessionLogObject", "Globals", false, [&] {
        Recordset rs;
        rs.appendField("LogType", ado::adInteger, 4, true);
        rs.appendField("ExecStart", ado::adDate, 8, true);
        rs.appendField("ExecFinish", ado::adDate, 8, true);
        rs.appendField("SQL", ado::adVarWChar, 1000, true);
        rs.appendField("Error", ado::adBoolean, 2, true);
        rs.appendField("AffectedRecords", ado::adDouble, 8, true);
        rs.appendField("RecordLimit", ado::adDouble, 8, true);
        rs.appendField("Async", ado::adBoolean, 2, true);
        rs.appendField("Timeout", ado::adDouble, 8, true);
        rs.appendField("ExecTime", ado::adVarWChar, 20, true);
        rs.appendField("Transaction", ado::adBoolean, 2, true);
        rs.appendField("Errotext", ado::adVarWChar, 1000, true);
        rs.appendField("ConnectionString", ado::adVarWChar, 1000, true);
        rs.open();
        m_records = rs;
        return true;
    });
}

void SessionLog::StartSession(bool keep) {
    guardedVoid(Reporter::ErrorMsg, "StartSession", "Globals", [&] {
        if (!keep) InitSessionLogObject();
        const QString title = programTitle() + u' ' + getVersion() + headerNotice();
        m_text = QStringLiteral("// { ") + title + kCrLf;
        m_headerLength = qint16(m_text.size());
        m_text += QStringLiteral("// { '") + generalDate(now()) +
                  ui_text("' Session gestartet!", "' Session start!") + kCrLf + kCrLf + kCrLf + kCrLf;
        SessionLogRecord r;
        r.logType = LogSessionStart;
        r.sql = title;
        SessionLogInsert(r);
        changed(SessionChange::Text);
    });
}

bool SessionLog::SessionLogInsert(const SessionLogRecord& in) {
    return guarded(Reporter::ErrorMsg, "SessionLogInsert", "Globals", false, [&] {
        auto given = [](const QDateTime& d) { return d.isValid() && d != noDateMarker(); };
        const QDateTime start = given(in.execStart) ? in.execStart : now();
        const QDateTime finish = given(in.execFinish) ? in.execFinish : start;
        // Texts longer than their field are cut to it: the protocol text keeps them whole.
        auto cut = [](const QString& s, int n) { return s.left(n); };
        m_records.addNew();
        m_records.setValue(0, int(in.logType));
        m_records.setValue(1, start);
        m_records.setValue(2, finish);
        m_records.setValue(3, cut(in.sql, 1000));
        m_records.setValue(4, in.error);
        m_records.setValue(5, in.affectedRecords);
        m_records.setValue(6, in.recordLimit);
        m_records.setValue(7, in.async);
        m_records.setValue(8, in.timeout);
        m_records.setValue(9, cut(in.execTime, 20));
        m_records.setValue(10, in.transaction);
        m_records.setValue(11, cut(in.errorText, 1000));
        m_records.setValue(12, cut(in.connectionString, 1000));
        m_records.update();
        changed(SessionChange::Records);
        return true;
    });
}

void SessionLog::SaveSession(bool temporary) {
    guardedVoid(Reporter::ErrorMsg, "SaveSession", "Globals", [&] {
        if (temporary)
            m_stem = m_folder + QStringLiteral("/MorvendaSession_temp");
        else
            m_stem = claimSessionStem(m_folder, fileStamp(now()));
        m_lastTextFile = m_stem + QStringLiteral(".txt");
        // A claimed name that could not be written leaves no empty file behind.
        if (!DateiSpeichern(m_lastTextFile, m_text) && !temporary) QFile::remove(m_lastTextFile);
    });
}

void SessionLog::EndSession() {
    guardedVoid(Reporter::ErrorMsg, "EndSession", "Globals", [&] {
        m_text += QStringLiteral("// '") + generalDate(now()) + ui_text("' Session beendet!", "' Session end!") +
                  kCrLf + QString(std::max(0, m_headerLength - 1), u'/');
        SaveSession(false);
        m_text.clear();
        SessionLogRecord r;
        r.logType = LogSessionEnd;
        SessionLogInsert(r);
        // The XML file is the text file's twin: the claimed name keeps the two apart from others.
        m_lastXmlFile = m_stem + QStringLiteral(".xml");
        saveXml(m_records, m_lastXmlFile);
    });
}

bool SessionLog::SessionlogClear() {
    return guarded(Reporter::ErrorMsg, "SessionlogClear", "Globals", false, [&] {
        m_records.clearRows();
        m_text.clear();
        StartSession(true);
        return true;
    });
}

} // namespace mv
