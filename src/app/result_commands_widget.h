#pragma once
// The result grid at work in the window: its controller and menu commands with their check
// marks, export and import, the Session tab's log grid, and the grid as the documents see it.
#include "documents/document_ports.h"

#include <QObject>
#include <QString>

class QLabel;

namespace mv {

class CommandBarsWidget;
class CommandDispatcher;
class ExecuteCommand;
class ResultGridController;
class ResultGridWidget;
class SessionLog;
struct Settings;

class ResultCommands : public QObject, public DocumentGridPort {
    Q_OBJECT
public:
    ResultCommands(ResultGridWidget& grid, QLabel* stateLabel, CommandBarsWidget* bars, SessionLog& session,
                   QObject* parent = nullptr);
    ~ResultCommands() override;

    // Start-up, after the settings are read: the edit permissions and the label state.
    void applySettings(const Settings& settings);
    void registerCommands(CommandDispatcher& dispatcher, ExecuteCommand& execute);
    // The check marks of the Resultgrid menu, as the grid stands.
    void refreshResultMenu();
    ResultGridController* controller() const { return m_controller; }
    bool keepLayout() const;

    // Fills the grid with the session log records, captions in the current language.
    bool ShowSessionLogGrid();

    // DocumentGridPort
    int dataMode() const override;
    Recordset currentRecordset() const override;
    void bind(const Recordset& rows) override;
    void unbind() override;
    void clearColumns() override;
    int columnCount() const override;
    int recordCount() const override;
    void saveLayout(const QString& path) const override;
    void loadLayout(const QString& path) override;
    void setKeepLayout(bool on) override;
    void showSessionLog() override { ShowSessionLogGrid(); }
    void updateSessionLog() override;

private:
    ResultGridWidget& m_grid;
    QLabel* m_stateLabel;
    CommandBarsWidget* m_bars;
    SessionLog& m_session;
    ResultGridController* m_controller = nullptr;
    QString m_sharedFileName;
};

} // namespace mv
