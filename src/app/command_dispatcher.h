#pragma once
// Maps the key of a clicked menu entry or toolbar button to its command.
#include <QHash>
#include <QString>
#include <functional>

namespace mv {

class CommandDispatcher {
public:
    using Command = std::function<void()>;
    using IndexedCommand = std::function<void(int)>; // recent lists: kRF1.., kRC1..

    void add(const QString& key, Command command);
    // A key containing `prefix` (kRF, kRC) runs this command with the number after the prefix.
    void addIndexed(const QString& prefix, IndexedCommand command);
    bool has(const QString& key) const;

    // Runs the command of the key; errors are reported (procedure "smMenu_Click", module
    // `windowName`). Pending events run afterwards so the command's screen updates appear at once.
    bool dispatch(const QString& key);

    void setWindowName(const QString& name) { m_windowName = name; }

private:
    QHash<QString, Command> m_commands;
    QHash<QString, IndexedCommand> m_indexed;
    QString m_windowName = QStringLiteral("frmMain");
};

} // namespace mv
