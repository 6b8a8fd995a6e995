#pragma once
// A document tab strip over a real editor, driven offscreen, with a grid that keeps its rows and
// columns in memory and writes its layout files as plain column lists.
#include "app/settings.h"
#include "db/ado_types.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_editor_widget.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QTabBar>
#include <deque>

namespace mvtest {

class FakeGrid : public mv::DocumentGridPort {
  public:
    int dataMode() const override { return bound ? 1 : 0; }
    mv::Recordset currentRecordset() const override { return bound ? rows : mv::Recordset(); }
    void bind(const mv::Recordset& r) override {
        rows = r;
        bound = true;
        columns.clear();
        for (const mv::FieldInfo& f : r.fields())
            columns << f.name;
    }
    void unbind() override {
        bound = false;
        rows = mv::Recordset();
    }
    void clearColumns() override { columns.clear(); }
    int columnCount() const override { return int(columns.size()); }
    int recordCount() const override { return bound ? rows.recordCount() : 0; }
    void saveLayout(const QString& path) const override {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) throw mv::MvError(75, QStringLiteral("layout not writable"));
        f.write(columns.join(u',').toUtf8());
    }
    void loadLayout(const QString& path) override {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) throw mv::MvError(53, QStringLiteral("layout missing"));
        columns = QString::fromUtf8(f.readAll()).split(u',', Qt::SkipEmptyParts);
        loaded << path;
    }
    void setKeepLayout(bool on) override { keepLayout = on; }
    void showSessionLog() override {
        ++sessionShown;
        columns = {QStringLiteral("LogType"), QStringLiteral("SQL")};
    }

    mv::Recordset rows;
    bool bound = false;
    QStringList columns;
    QStringList loaded;
    bool keepLayout = false;
    int sessionShown = 0;
};

// A result of n rows with the fields A (integer) and B (text).
inline mv::Recordset sampleRows(int n) {
    mv::Recordset rs;
    rs.appendField(QStringLiteral("A"), mv::ado::adInteger);
    rs.appendField(QStringLiteral("B"), mv::ado::adVarWChar, 20);
    rs.open();
    for (int i = 0; i < n; ++i) {
        rs.addNew();
        rs.setValue(0, i);
        rs.setValue(1, QStringLiteral("row %1").arg(i));
        rs.update();
    }
    return rs;
}

// The strip after start-up: the Session tab and the first new document.
struct DocumentsFixture {
    TempFolder dir;
    ScriptedUserPort port;
    mv::Settings settings;
    mv::SessionLog session;
    FakeGrid grid;
    mv::SqlEditorWidget editor;
    std::deque<double> randoms;
    mv::DocumentTabsWidget tabs;
    QStringList titles;
    QList<qint64> counts;

    DocumentsFixture()
        : session(dir.path()), tabs(editor, grid, session, settings, dir.path(), nullptr, [this] {
              if (randoms.empty()) return 0.25 + 0.001 * double(++drawn);
              const double r = randoms.front();
              randoms.pop_front();
              return r;
          }) {
        QDir().mkpath(dir.file("temp"));
        settings.standardQueryPath = dir.path();
        session.StartSession(false);
        commands().hooks().setTitle = [this](const QString& t) { titles << t; };
        commands().hooks().showRecordCount = [this](qint64 n) { counts << n; };
        commands().addSessionTab();
        commands().NewSQLFile();
    }

    mv::DocumentCommands& commands() { return tabs.commands(); }
    QTabBar* bar() const { return tabs.docTabs(); }
    QStringList captions() const {
        QStringList list;
        for (int i = 0; i < bar()->count(); ++i)
            list << bar()->tabText(i);
        return list;
    }
    QString selectedCaption() const { return bar()->tabText(bar()->currentIndex()); }
    mv::C_SQLTabs* doc(const QString& caption) {
        for (const QString& key : commands().documents().keys())
            if (commands().documents().item(key)->sTabText == caption)
                return commands().documents().item(key);
        return nullptr;
    }
    // A click on a tab, as the user makes it; the caption may carry the unsaved mark.
    void click(const QString& caption) {
        for (int i = 0; i < bar()->count(); ++i)
            if (bar()->tabText(i) == caption || bar()->tabText(i) == caption + u'*') bar()->setCurrentIndex(i);
    }
    // Typing at the caret.
    void type(const QString& text) { editor.insert(text); }
    QString file(const QString& name) const { return dir.file(name); }
    QString write(const QString& name, const QByteArray& bytes) const { return dir.write(name, bytes); }
    QByteArray read(const QString& name) const { return dir.read(name); }

    int drawn = 0;
};

} // namespace mvtest
