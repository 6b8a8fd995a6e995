#pragma once
// The execute command: runs the current text as one statement (rows to the grid, parameters filled
// in) or as a script, and reports each run in the grid, the status bar, the session text and log.
#include "db/recordset.h"
#include "exec/parameters.h"

#include <QString>
#include <functional>

namespace mv {

class C_DbConnect;
class SessionLog;
struct SessionLogRecord;

// What a run touches in the window.
class ExecuteHost {
public:
    virtual ~ExecuteHost() = default;
    virtual QString editorSelectedText() const = 0;
    virtual QString editorText() const = 0;
    virtual void unbindGrid() = 0;
    // Binds the rows; keepColumns keeps the grid's current column layout.
    virtual void bindGrid(const Recordset& rows) = 0;
    virtual int gridColumnsShown() const = 0;
    virtual void refreshGrid() = 0;
    virtual void setGridBusy(bool busy) = 0;
    virtual void setPanelText(const QString& key, const QString& text) = 0;
    virtual void SetGridState(int state) = 0;
    // The parameter tab (toolbox tab 5), selected when another tab shows, lists the parameters of
    // the text being run; text typed for a parameter of the same name and type stays.
    virtual void showParameters(const ParameterSet& set) = 0;
    virtual const ParameterInputs& parameterInputs() const = 0;
    // The session document is the selected tab: show the protocol in the editor, caret at its end.
    virtual bool sessionTabSelected() const = 0;
    virtual void showSessionText(const QString& text) = 0;
    // The protocol grew: the first `kept` characters of text are the text shown last, so a view
    // that still holds them need only add the rest.
    virtual void growSessionText(const QString& text, qsizetype kept) {
        (void)kept;
        showSessionText(text);
    }
    // While a run waits, Execute is refused and its entries are disabled.
    virtual void setExecuteEnabled(bool enabled) = 0;
};

struct RunSettings;

class ExecuteCommand {
public:
    ExecuteCommand(C_DbConnect& cn, SessionLog& session, QueryParameters& parameters, RunSettings& run,
                   ExecuteHost& host);

    void cmdExecute();
    // Runs the given text exactly as cmdExecute runs a selection of it (the statement at the caret).
    void cmdExecuteText(const QString& text);
    // Runs one statement (the given text: the selection or the statement at the caret) as Execute
    // runs it, but its rows go to a CSV file instead of the grid: the CSV export's save dialog asks
    // for it, and the rows are written while they are fetched. The row limit does not apply: the
    // file gets the whole result. The file is replaced only when the whole result is in it.
    void cmdExecuteToFile(const QString& text);
    bool running() const { return m_running; }
    // Told of every statement sent to the database (alone or in a script) with its log record;
    // stopped when the user stopped it.
    std::function<void(const SessionLogRecord&, bool stopped)> statementLogged;
    // Called when a run has ended, after its last statementLogged.
    std::function<void()> runEnded;
    void ShowRecordCount(qint64 count);

    // The query bar fields: the text shown and the value read back.
    QString maxRecText() const;
    QString timeoutText() const;
    // False (reported) when the text is not a number; the setting keeps its value.
    bool txtMaxRec_LostFocus(const QString& text);
    bool txtTimeout_LostFocus(const QString& text);
    void chkAsync_Click(bool checked);

    // "Recordcount.txt": every table's row count; the filter keeps tables whose name contains it.
    QString GetRecordcount(const QString& filter, const QString& programFolder);

    static QString recordsText(qint64 count); // "1 Record", "12 Records"
    // A number with its sign position: a blank before zero and positive numbers.
    static QString signed_(qint64 n);

private:
    void execute(const QString* given, const QString* file = nullptr);
    // False when the parameter step ended the run (nothing sent, nothing logged). With a file the
    // rows stream into it.
    bool runSingle(const QString& runText, const QString* file);
    void runScript(const QStringList& statements);
    QString elapsed() const;
    QString maxRemark(bool single) const;

    C_DbConnect& m_cn;
    SessionLog& m_session;
    QueryParameters& m_parameters;
    RunSettings& m_run;
    ExecuteHost& m_host;
    bool m_running = false;
    QString m_writtenFile; // the file the last run to a file put in place
};

} // namespace mv
