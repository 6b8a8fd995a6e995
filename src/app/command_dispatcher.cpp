#include "app/command_dispatcher.h"

#include "app/error_report.h"

#include <QCoreApplication>

namespace mv {

void CommandDispatcher::add(const QString& key, Command command) { m_commands.insert(key, std::move(command)); }

void CommandDispatcher::addIndexed(const QString& prefix, IndexedCommand command) {
    m_indexed.insert(prefix, std::move(command));
}

bool CommandDispatcher::has(const QString& key) const {
    if (m_commands.contains(key)) return true;
    for (auto it = m_indexed.cbegin(); it != m_indexed.cend(); ++it)
        if (key.contains(it.key())) return true;
    return false;
}

bool CommandDispatcher::dispatch(const QString& key) {
    const QByteArray module = m_windowName.toUtf8();
    const bool ok = guardedVoid(Reporter::Msg, "smMenu_Click", module.constData(), [&] {
        for (auto it = m_indexed.cbegin(); it != m_indexed.cend(); ++it) {
            const qsizetype at = key.indexOf(it.key());
            if (at >= 0) {
                it.value()(key.mid(at + it.key().size()).trimmed().toInt());
                return;
            }
        }
        const auto found = m_commands.constFind(key);
        if (found != m_commands.cend()) found.value()();
    });
    QCoreApplication::processEvents();
    return ok;
}

} // namespace mv
