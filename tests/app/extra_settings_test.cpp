// Section [Extras] of the settings file and the Extras page of the settings dialog.
#include "app/extras_settings_widget.h"
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "app/settings.h"
#include "app/settings_dialog.h"
#include "app/texts.h"
#include "documents/document_recovery.h"
#include "documents/sql_editor_widget.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct ExtrasCase {
    const char* ini;
    bool autoCompletion;
    bool showNull;
    int historyMax;
    int messages; // values that do not read are reported, one message each
};

TEST(ExtraSettings, ReadWithDefaultsAndReportedBadValues) {
    const ExtrasCase cases[] = {
        {"", true, true, 50000, 0},
        {"[Extras]\nAutoCompletion=False\nShowNull=0\nHistoryMaxEntries=250\n", false, false, 250, 0},
        {"[Extras]\nAutoCompletion=yes please\nShowNull=False\n", true, false, 50000, 1},
        {"[Extras]\nHistoryMaxEntries=12\n", true, true, 50000, 1},        // below 100
        {"[Extras]\nHistoryMaxEntries=99999999999\n", true, true, 50000, 1}, // above ten million
        {"[Extras]\nHistoryMaxEntries=lots\nShowNull=False\n", true, false, 50000, 1},
        // The Settings section is not read here.
        {"[Settings]\nShowNull=False\n", true, true, 50000, 0},
    };
    for (const ExtrasCase& c : cases) {
        SCOPED_TRACE(c.ini);
        mvtest::TempFolder dir;
        mvtest::ScriptedUserPort port;
        dir.write("Morvenda.ini", c.ini);
        Settings s;
        LoadExtraSettings(IniFile(dir.file("Morvenda.ini")), s);
        EXPECT_EQ(s.autoCompletion, c.autoCompletion);
        EXPECT_EQ(s.showNullMark, c.showNull);
        EXPECT_EQ(s.historyMaxEntries, c.historyMax);
        EXPECT_EQ(port.messages.size(), c.messages);
    }
}

TEST(ExtraSettings, TheExtrasPageSavesItsValuesAndTellsTheWindow) {
    for (const int lang : {1, 2}) {
        setLanguage(lang);
        mvtest::TempFolder dir;
        mvtest::ScriptedUserPort port;
        IniFile ini(dir.file("Morvenda.ini"));
        Settings s;
        frmSettings d(s, ini);
        ASSERT_EQ(d.tabs()->count(), 4);
        EXPECT_EQ(d.tabs()->tabText(3), "Extras");
        ExtrasSettingsWidget* page = d.extras();
        EXPECT_EQ(page->chkShowNull()->text(),
                  lang == 1 ? "NULL-Werte grau als \"NULL\" anzeigen" : "Show NULL values as a greyed \"NULL\"");
        EXPECT_TRUE(page->chkAutoCompletion()->isChecked());
        page->chkAutoCompletion()->setChecked(false);
        page->chkShowNull()->setChecked(false);
        page->txtHistoryMax()->setValue(1234);
        QSignalSpy changed(&d, &frmSettings::extrasChanged);
        d.cmdSave_Click();
        EXPECT_EQ(changed.count(), 1);
        EXPECT_FALSE(s.autoCompletion);
        EXPECT_FALSE(s.showNullMark);
        EXPECT_EQ(s.historyMaxEntries, 1234);
        EXPECT_EQ(ini.read("Extras", "AutoCompletion", ""), "False");
        EXPECT_EQ(ini.read("Extras", "ShowNull", ""), "False");
        EXPECT_EQ(ini.read("Extras", "HistoryMaxEntries", ""), "1234");
        // What was written reads back the same.
        Settings again;
        LoadExtraSettings(ini, again);
        EXPECT_EQ(again.historyMaxEntries, 1234);
        EXPECT_FALSE(again.showNullMark);
    }
    setLanguage(2);
}

TEST(ExtraSettings, RecoverySecondsReadInItsRangeOrReported) {
    struct Case {
        const char* value;
        int seconds;
        bool reported;
    };
    const Case cases[] = {
        {nullptr, 5, false}, {"0", 0, false}, {"1", 1, false}, {"3600", 3600, false},
        {"3601", 5, true},   {"-1", 5, true}, {"1e9", 5, true}, {"soon", 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(none)");
        mvtest::TempFolder dir;
        mvtest::ScriptedUserPort port;
        QByteArray ini = "[Settings]\r\nLanguage=2\r\n";
        if (c.value) ini += QByteArray("RecoverySeconds=") + c.value + "\r\n";
        Settings s;
        LoadSettings(IniFile(dir.write("Morvenda.ini", ini)), dir.path(), s);
        EXPECT_EQ(s.recoverySeconds, c.seconds);
        ASSERT_EQ(port.messages.size(), c.reported ? 1 : 0);
        if (c.reported && QByteArray(c.value) != "soon")
            EXPECT_TRUE(port.lastText().contains(QStringLiteral("RecoverySeconds=%1 is not between 0 and 3600; 5 applies.")
                                                     .arg(c.value)))
                << port.lastText().toStdString();
    }
}

TEST(ExtraSettings, TheExtrasPageSetsTheRecoveryDelayWithinItsRange) {
    for (const int lang : {1, 2}) {
        setLanguage(lang);
        mvtest::TempFolder dir;
        mvtest::ScriptedUserPort port;
        IniFile ini(dir.file("Morvenda.ini"));
        Settings s;
        s.recoverySeconds = 7;
        frmSettings d(s, ini);
        QSpinBox* box = d.extras()->txtRecoverySeconds();
        EXPECT_EQ(box->value(), 7);
        // The label beside the box, in the dialog's language.
        QString label;
        for (QLabel* l : d.extras()->findChildren<QLabel*>())
            if (l->buddy() == box) label = l->text();
        EXPECT_EQ(label, lang == 1 ? "Sicherungskopie ungespeicherter Dokumente nach" : "Backup copy of unsaved documents after");
        box->setValue(0);
        EXPECT_EQ(box->text(), lang == 1 ? "keine" : "none"); // no copies at all
        // Typed values outside the range do not get through.
        box->setValue(100000);
        EXPECT_EQ(box->value(), DocumentRecovery::MaxDelaySeconds);
        box->setValue(-3);
        EXPECT_EQ(box->value(), 0);
        box->setValue(42);
        d.cmdSave_Click();
        EXPECT_EQ(s.recoverySeconds, 42);
        EXPECT_EQ(ini.read("Settings", "RecoverySeconds", ""), "42");
        Settings again;
        LoadSettings(ini, dir.path(), again);
        EXPECT_EQ(again.recoverySeconds, 42);
        EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
    }
    setLanguage(2);
}

// The running window takes the new delay at once: with an hour set at start no copy would come,
// after the dialog sets one second the edited document's copy appears.
TEST(ExtraSettings, TheWindowUsesTheRecoveryDelayChosenInTheDialog) {
    mvtest::TempFolder dir;
    dir.write("Morvenda.ini", "[Settings]\r\nRecoverySeconds=3600\r\n");
    mvtest::ScriptedUserPort port;
    frmMain w(AppPaths{dir.path()});
    w.startup("");
    const auto copies = [&] {
        int n = 0;
        QDir recovery(dir.path() + "/recovery");
        for (const QString& run : recovery.entryList({"run-*"}, QDir::Dirs))
            n += int(QDir(recovery.filePath(run)).entryList(QDir::Files).size());
        return n;
    };
    const auto wait = [&](int ms) {
        QElapsedTimer t;
        t.start();
        while (copies() == 0 && t.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(20);
        }
    };
    w.queryPanes()->editor()->setText("select 1");
    wait(1500);
    EXPECT_EQ(copies(), 0);
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QSpinBox*>("txtRecoverySeconds")->setValue(1);
        dialog->findChild<QAbstractButton*>("cmdSave")->click();
    });
    w.dispatcher().dispatch("kSettings");
    wait(10000);
    EXPECT_EQ(copies(), 1);
    EXPECT_EQ(IniFile(dir.file("Morvenda.ini")).read("Settings", "RecoverySeconds", ""), "1");
}

} // namespace
