#include "explorer/explorer_commands_widget.h"

#include "app/command_dispatcher.h"
#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/db_connect.h"
#include "documents/sql_editor_widget.h"
#include "explorer/explorer_widget.h"

#include <QTreeWidget>

namespace mv {

ExplorerCommands::ExplorerCommands(C_DbConnect& cn, ExplorerWidget& explorer, const QString& programFolder,
                                   QObject* parent)
    : QObject(parent), m_cn(cn), m_explorer(explorer), m_listings(cn, programFolder) {
    setObjectName(QStringLiteral("ExplorerCommands"));
}

void ExplorerCommands::registerCommands(CommandDispatcher& dispatcher) {
    dispatcher.add(QStringLiteral("kBuildUpdate"), [this] { cmdmBuildUpd(); });
    dispatcher.add(QStringLiteral("kBuildWhere"), [this] { cmdmBuildWh(); });
    dispatcher.add(QStringLiteral("kBuildJoin"), [this] { cmdBuildJoin(); });
    dispatcher.add(QStringLiteral("kInsertFields"), [this] { m_explorer.cmdFieldlist_Click(); });
    dispatcher.add(QStringLiteral("kDelTabs"), [this] { cmdmDelTabs(); });
    dispatcher.add(QStringLiteral("kExTables"), [this] { m_listings.cmdmAllTables(); });
    dispatcher.add(QStringLiteral("kExFields"),
                   [this] { m_listings.cmdmAllFields(m_explorer.filterText()); });
    dispatcher.add(QStringLiteral("kExViews"), [this] { m_listings.mAllViews_Click(); });
    dispatcher.add(QStringLiteral("kExViewFields"),
                   [this] { m_listings.mAllViewFields_Click(m_explorer.filterText()); });
    dispatcher.add(QStringLiteral("kExIndexFields"),
                   [this] { m_listings.cmdmAllIndexes(m_explorer.filterText()); });
    dispatcher.add(QStringLiteral("kExStProcParas"),
                   [this] { m_listings.cmdmAllStProcParas(m_explorer.filterText()); });
}

QString ExplorerCommands::BuildJoin() {
    return guarded(Reporter::ErrorMsg, "BuildJoin", "Globals", QString(),
                   [&] { return buildJoin(m_explorer.markedTables(), m_cn.mvDatabase(), m_explorer.quoting()); });
}

QString ExplorerCommands::BuildWhere() {
    return guarded(Reporter::ErrorMsg, "BuildWhere", "Globals", QString(), [&] {
        const QString entry = m_explorer.selectedObjectText().value_or(QString());
        if (entry.trimmed().isEmpty()) return QString();
        const QStringList pieces = entry.split(u'.');
        const QString owner = pieces.size() == 2 ? pieces[0] : QString();
        const QString table = pieces.size() == 2 ? pieces[1] : pieces[0];
        const QStringList keys = GetTableKeyFields(m_cn, owner, table);
        if (keys.isEmpty()) return QString();
        const QList<RowValue> row = m_currentRow ? m_currentRow() : QList<RowValue>();
        return buildWhereClause(keys, row, m_explorer.quoting(), [](const QString& key) {
            MessageRequest box;
            box.text = ui_text("Die Ergebnismenge enthält nicht das Schlüsselfeld ",
                               "The resultset does not contain the key field ") +
                       key;
            box.icon = MsgIcon::None;
            userPort().message(box);
        });
    });
}

void ExplorerCommands::cmdBuildJoin() {
    guardedVoid(Reporter::Msg, "cmdBuildJoin", "", [&] {
        if (m_explorer.lTabList()->topLevelItemCount() == 0) return;
        const QString text = BuildJoin();
        if (!text.isEmpty()) m_explorer.insertAtCaret(text, true);
    });
}

void ExplorerCommands::cmdmBuildWh() {
    guardedVoid(Reporter::Msg, "cmdmBuildWh", "", [&] {
        if (m_explorer.lTabList()->topLevelItemCount() == 0) return;
        const QString text = BuildWhere();
        if (!text.isEmpty()) m_explorer.insertAtCaret(text, true);
    });
}

void ExplorerCommands::cmdmBuildUpd() {
    guardedVoid(Reporter::Msg, "cmdmBuildUpd", "", [&] {
        if (m_explorer.lTabList()->topLevelItemCount() == 0) return;
        const NameQuoting quoting = m_explorer.quoting();
        const QString table = quoting.quotedObject(m_explorer.selectedObjectText().value_or(QString()));
        const QStringList fields = m_explorer.markedFieldList();
        m_explorer.insertAtCaret(buildUpdate(table, fields, BuildWhere()), true);
    });
}

void ExplorerCommands::cmdmDelTabs() {
    guardedVoid(Reporter::Msg, "cmdmDelTabs", "", [&] {
        SqlEditorWidget* editor = m_explorer.editor();
        if (editor) replaceEditorText(editor, deleteTabs(editor->text()));
    });
}

} // namespace mv
