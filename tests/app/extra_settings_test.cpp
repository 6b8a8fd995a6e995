// Section [Extras] of the settings file and the Extras page of the settings dialog.
#include "app/extras_settings_widget.h"
#include "app/settings.h"
#include "app/settings_dialog.h"
#include "app/texts.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
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

} // namespace
