// No work lost in a crash: a program killed with unsaved documents offers them at the next start.
// The program that gets killed is this test program itself, running the child test below in a
// process of its own with a real main window.
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "app/texts.h"
#include "documents/document_commands.h"
#include "documents/document_recovery.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_editor_widget.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTabBar>
#include <QThread>
#include <gtest/gtest.h>

using namespace mv;

namespace {

const char* const kChildFolder = "MV_RECOVERY_CHILD_FOLDER";
const QString kOpenedText = QStringLiteral("select *\r\nfrom orders -- edited: ä€");
const QString kNewText = QStringLiteral("update stock set qty = 0 where sku = 'A-1'");

QStringList copiesIn(const QString& programFolder) {
    QStringList found;
    QDir recovery(programFolder + "/recovery");
    for (const QString& run : recovery.entryList({"run-*"}, QDir::Dirs))
        for (const QString& f : QDir(recovery.filePath(run)).entryList(QDir::Files)) found << run + '/' + f;
    return found;
}

void waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

// Runs only inside the child process: edits an opened file and a new document, waits until both
// have their copy, says so, and keeps running until it is killed.
TEST(RecoveryChild, EditsAndWaitsToBeKilled) {
    const QString folder = QString::fromLocal8Bit(qgetenv(kChildFolder));
    if (folder.isEmpty()) GTEST_SKIP() << "runs only as the child of KillNineLosesNoWork";
    mvtest::ScriptedUserPort port;
    frmMain w(AppPaths{folder});
    w.startup("/QRY=" + folder + "/orders.sql");
    SqlEditorWidget* editor = w.queryPanes()->editor();
    editor->setText(kOpenedText);
    w.dispatcher().dispatch("kNewFile");
    editor->setText(kNewText);
    waitFor([&] { return copiesIn(folder).size() == 2; }, 20000);
    ASSERT_EQ(copiesIn(folder).size(), 2);
    fprintf(stdout, "ready\n");
    fflush(stdout);
    for (;;) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

TEST(Recovery, KillNineLosesNoWork) {
    mvtest::TempFolder dir;
    dir.write("Morvenda.ini", "[Settings]\r\nRecoverySeconds=1\r\n");
    const QString file = dir.write("orders.sql", "select * from orders");

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildFolder, dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=RecoveryChild.EditsAndWaitsToBeKilled", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForStarted(10000));
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (!out.contains("ready") && child.state() == QProcess::Running && t.elapsed() < 60000) {
        child.waitForReadyRead(200);
        out += child.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("ready")) << out.constData() << child.readAllStandardError().constData();
    child.kill(); // SIGKILL: no shutdown step runs
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(copiesIn(dir.path()).size(), 2);
    EXPECT_EQ(dir.read("orders.sql"), "select * from orders"); // the user's own file untouched

    setLanguage(2);
    mvtest::ScriptedUserPort port;
    port.answers = {MsgResult::Yes, MsgResult::Yes};
    {
        frmMain w(AppPaths{dir.path()});
        w.startup("");
        ASSERT_EQ(port.messages.size(), 2) << port.lastText().toStdString();
        QStringList questions;
        for (const MessageRequest& m : port.messages) questions << m.text;
        EXPECT_TRUE(questions.contains(recoveryQuestionText("orders.sql")));
        EXPECT_TRUE(questions.contains(recoveryQuestionText("NewSQL_02"))); // the first new document stayed empty
        EXPECT_EQ(port.messages[0].buttons, MsgButtons::YesNo);

        DocumentCommands& docs = w.documents()->commands();
        QHash<QString, QString> restored; // file or caption -> text
        for (const QString& key : docs.documents().keys()) {
            const C_SQLTabs* d = docs.documents().item(key);
            const QString text = key == docs.currentKey() ? w.queryPanes()->editor()->text() : d->sSQL;
            if (d->Change) restored.insert(d->sFile, text);
        }
        ASSERT_EQ(restored.size(), 2);
        EXPECT_EQ(restored.value(file), kOpenedText);
        EXPECT_TRUE(restored.values().contains(kNewText));
        // Restored documents carry the unsaved mark.
        QStringList captions;
        for (int i = 0; i < w.documents()->docTabs()->count(); ++i) captions << w.documents()->docTabs()->tabText(i);
        EXPECT_TRUE(captions.contains("orders.sql*")) << captions.join(',').toStdString();
        // The old copies are gone; the restored documents have copies of this instance.
        waitFor([&] { return copiesIn(dir.path()).size() == 2; }, 5000);
        for (const QString& c : copiesIn(dir.path())) EXPECT_FALSE(c.startsWith(QString("run-%1-").arg(child.processId())));

        // Saved: its copy goes.
        const C_SQLTabs* opened = docs.documents().findFile(file);
        ASSERT_TRUE(opened);
        // Made current and saved.
        for (int i = 0; i < w.documents()->docTabs()->count(); ++i)
            if (w.documents()->docTabs()->tabText(i).startsWith("orders.sql")) w.documents()->docTabs()->setCurrentIndex(i);
        ASSERT_TRUE(docs.cmdSQLSave());
        EXPECT_EQ(dir.read("orders.sql"), kOpenedText.toUtf8());
        EXPECT_EQ(copiesIn(dir.path()).size(), 1);
        // A normal end (the user declines to save the other one) leaves no copy.
        port.answers = {MsgResult::No};
        EXPECT_TRUE(w.runShutdown());
        EXPECT_TRUE(copiesIn(dir.path()).isEmpty());
    }
    // Nothing is offered at the next start.
    mvtest::ScriptedUserPort quiet;
    frmMain again(AppPaths{dir.path()});
    again.startup("");
    EXPECT_TRUE(quiet.messages.isEmpty()) << quiet.lastText().toStdString();
}

TEST(Recovery, CopiesFollowEditsSavesAndTheDelaySetting) {
    mvtest::TempFolder dir;
    QList<RecoveryCopy> unsaved;
    DocumentRecovery rec(dir.file("recovery"), [&] { return unsaved; });
    rec.setDelaySeconds(5);
    rec.start();
    ASSERT_FALSE(rec.folder().isEmpty());
    unsaved = {RecoveryCopy{"Q1_01", "", "NewSQL_01", TextEncoding::Utf8, "select 1"},
               RecoveryCopy{"Q2_01", "/data/x.sql", "x.sql", TextEncoding::Utf16LE, QString::fromUtf8("ü\0x", 4)}};
    rec.sync();
    const QList<RecoveryCopy> back = readRecoveryCopies(rec.folder());
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[1].file, "/data/x.sql");
    EXPECT_EQ(back[1].encoding, TextEncoding::Utf16LE);
    EXPECT_EQ(back[1].text, QString::fromUtf8("ü\0x", 4));
    // A live instance's copies are no orphans, for itself or anyone.
    EXPECT_TRUE(rec.orphanCopies().isEmpty());
    unsaved.removeFirst();
    rec.sync();
    EXPECT_EQ(QDir(rec.folder()).entryList(QDir::Files).size(), 1);
    // The delay is the setting's; 0 writes nothing.
    rec.schedule();
    rec.setDelaySeconds(0);
    unsaved.clear();
    rec.sync();
    EXPECT_TRUE(QDir(rec.folder()).entryList(QDir::Files).isEmpty());
    const QString folder = rec.folder();
    rec.finish();
    EXPECT_FALSE(QDir(folder).exists());
}

} // namespace
