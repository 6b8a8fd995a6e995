#include "app/settings.h"
#include "app/texts.h"
#include "db/db_engines.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Loaded {
    Settings s;
    int language;
    QStringList messages;
};

Loaded load(const QByteArray& iniText, bool writeFile = true) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString path = dir.file("Morvenda.ini");
    if (writeFile) dir.write("Morvenda.ini", iniText);
    setLanguage(2);
    Loaded r;
    LoadSettings(IniFile(path), "/opt/mv", r.s);
    r.language = language();
    for (const auto& m : port.messages) r.messages << m.text;
    setLanguage(2);
    return r;
}

TEST(Settings, DefaultsWithoutFile) {
    const Loaded r = load({}, false);
    EXPECT_TRUE(r.s.autoSyntaxColoring);
    EXPECT_FALSE(r.s.allowUpdate);
    EXPECT_FALSE(r.s.allowAddNew);
    EXPECT_FALSE(r.s.allowDelete);
    EXPECT_EQ(r.s.fileShortLen, 60);
    EXPECT_TRUE(r.s.startupUDL.isEmpty());
    EXPECT_EQ(r.s.standardUDLPath, "/opt/mv");
    EXPECT_EQ(r.s.standardQueryPath, "/opt/mv");
    EXPECT_EQ(r.s.editFont, (FontSpec{"Courier New", false, 10.0}));
    EXPECT_EQ(r.language, 2);
    EXPECT_TRUE(r.messages.isEmpty());
}

struct FontCase {
    const char* value;
    FontSpec expected;
};

class EditFontValues : public ::testing::TestWithParam<FontCase> {};

TEST_P(EditFontValues, SizeBelow100IsPoints) {
    const Loaded r = load(QByteArray("[Settings]\nEditFont=") + GetParam().value + "\n");
    EXPECT_EQ(r.s.editFont, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Fonts, EditFontValues,
                         ::testing::Values(FontCase{"Arial|True|12", {"Arial", true, 12.0}},
                                           FontCase{"Arial|True|1150", {"Arial", true, 11.5}},
                                           FontCase{"Courier New|False|975", {"Courier New", false, 9.75}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(Settings, LanguageOnlyOneSelectsGerman) {
    EXPECT_EQ(load("[Settings]\nLanguage=1\n").language, 1);
    EXPECT_EQ(load("[Settings]\nLanguage= 1\n").language, 1);
    EXPECT_EQ(load("[Settings]\nLanguage=3\n").language, 3);
    EXPECT_EQ(load("[Settings]\nLanguage=abc\n").language, 0);
    setLanguage(0);
    EXPECT_FALSE(isGerman());
    setLanguage(2);
}

TEST(Settings, UdlMarkerMeansNone) {
    EXPECT_TRUE(load("[Settings]\nUDL=XX\n").s.startupUDL.isEmpty());
    EXPECT_TRUE(load("[settings]\nudl=\n").s.startupUDL.isEmpty());
    EXPECT_EQ(load("[SETTINGS]\nUdl=/home/ann/a.udl\n").s.startupUDL, "/home/ann/a.udl");
}

TEST(Settings, UnconvertibleValueStopsReadingAtThatKey) {
    const Loaded r = load("[Settings]\nAllowUpdate=True\nAllowAddNew=yes\nFileShortLen=80\nLanguage=1\n"
                          "UDL=/x.udl\n");
    EXPECT_TRUE(r.s.allowUpdate);
    EXPECT_FALSE(r.s.allowAddNew);
    EXPECT_EQ(r.s.fileShortLen, 60);
    EXPECT_TRUE(r.s.startupUDL.isEmpty());
    EXPECT_TRUE(r.s.standardUDLPath.isEmpty());
    EXPECT_EQ(r.language, 2);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0], "Type mismatch [13]\r\nin Module {Globals}\r\nin Function {LoadSettings}");
}

TEST(Settings, BooleansAcceptNumbersAndShortFontFails) {
    const Loaded r = load("[Settings]\nAllowDelete=-1\nAllowAddNew=0\nEditFont=Arial|True\n");
    EXPECT_TRUE(r.s.allowDelete);
    EXPECT_FALSE(r.s.allowAddNew);
    EXPECT_EQ(r.s.editFont.name, "Courier New");
    EXPECT_EQ(r.messages.size(), 1);
}

TEST(Settings, SaveWritesOnlyAutoSyntaxColoringAndKeepsForeignLines) {
    mvtest::TempFolder dir;
    const QString path = dir.write("Morvenda.ini", "; my notes\r\n[Recent Connections]\r\nRC1=/a.udl\r\n\r\n"
                                                   "[Settings]\r\nAllowUpdate=True\r\nautosyntaxcoloring=True\r\n");
    Settings s;
    s.autoSyntaxColoring = false;
    s.allowUpdate = false;
    SaveSettings(IniFile(path), s);
    EXPECT_EQ(dir.read("Morvenda.ini"), QByteArray("; my notes\r\n[Recent Connections]\r\nRC1=/a.udl\r\n\r\n"
                                                   "[Settings]\r\nAllowUpdate=True\r\nautosyntaxcoloring=False\r\n"));
}

TEST(Settings, EditFontTextIsHundredthsOfAPoint) {
    EXPECT_EQ(editFontText({"Arial", true, 11.5}), "Arial|True|1150");
    EXPECT_EQ(editFontText({"Courier New", false, 10}), "Courier New|False|1000");
}

} // namespace

TEST(Settings, NativeEnginesCanBeTurnedOff) {
    const Loaded on = load({}, false);
    EXPECT_TRUE(on.s.nativeEngines);
    EXPECT_TRUE(nativeEnginesEnabled());
    const Loaded off = load("[Settings]\nNativeEngines=False\n");
    EXPECT_FALSE(off.s.nativeEngines);
    EXPECT_FALSE(nativeEnginesEnabled());
    EXPECT_TRUE(off.messages.isEmpty());
    setNativeEnginesEnabled(true);
}
