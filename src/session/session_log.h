#pragma once
// The session protocol text and the typed log records of one program run, and their files.
#include "db/recordset.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace mv {

enum LogType : qint16 {
    LogUnknown = 0,
    LogSelect = 1,
    LogSql = 2,
    LogConnection = 10,
    LogTransactionStart = 20,
    LogTransactionCommit = 21,
    LogTransactionRollback = 22,
    LogSessionStart = 30,
    LogSessionEnd = 31,
    LogBatchStart = 40,
    LogBatchStop = 41,
};

// The display text of a log type code (the same in both languages).
QString logTypeText(int code);

// One record; an invalid start or finish (or the day-number 1.0 marker) means "not given".
struct SessionLogRecord {
    qint16 logType = LogUnknown;
    QDateTime execStart;
    QDateTime execFinish;
    QString sql;
    bool error = false;
    double affectedRecords = 0;
    double recordLimit = 0;
    bool async = false;
    double timeout = 0;
    QString execTime;
    bool transaction = false;
    QString errorText;
    QString connectionString;
};

// 31 December 1899, midnight: the "no date given" marker.
QDateTime noDateMarker();

// What changed in the log, for a view that follows it.
enum class SessionChange { Text, Records };

class SessionLog {
public:
    explicit SessionLog(QString programFolder = {});

    void setProgramFolder(const QString& folder) { m_folder = folder; }
    const QString& programFolder() const { return m_folder; }

    // The protocol text, appended to by the connection object and the execute command.
    QString& SessionText() { return m_text; }
    const QString& SessionText() const { return m_text; }
    void append(const QString& text) {
        m_text += text;
        changed(SessionChange::Text);
    }
    // Called after every change of the text or the records (one listener; empty to stop).
    void setChangeListener(std::function<void(SessionChange)> listener) { m_listener = std::move(listener); }
    qint16 SessionHeaderLength() const { return m_headerLength; }

    // The record list (13 fields in their fixed order), kept in insertion order.
    const Recordset& records() const { return m_records; }

    bool InitSessionLogObject();
    void StartSession(bool keep);
    void EndSession();
    void SaveSession(bool temporary);
    bool SessionLogInsert(const SessionLogRecord& record);
    // Empties the list and the text and starts afresh; the caller then asks the connection object
    // to repeat its connection report and refreshes the session document.
    bool SessionlogClear();

    // The files of the last SaveSession / EndSession, for the caller's information.
    const QString& lastTextFile() const { return m_lastTextFile; }
    const QString& lastXmlFile() const { return m_lastXmlFile; }

    static QString headerNotice();

private:
    void changed(SessionChange what) {
        if (m_listener) m_listener(what);
    }
    std::function<void(SessionChange)> m_listener;
    QString m_folder;
    QString m_text;
    qint16 m_headerLength = 0;
    Recordset m_records;
    QString m_lastTextFile;
    QString m_lastXmlFile;
    QString m_stem; // the last SaveSession's file name without extension
};

} // namespace mv
