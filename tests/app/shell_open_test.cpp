#include "app/shell_open.h"
#include "app/texts.h"
#include "support/scripted_user_port.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

struct PrefixCase {
    const char* address;
    bool addPrefix;
    const char* opened;
};

class BrowserPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(BrowserPrefix, OpensTheAddressWithPrefixOnlyWhenAskedAndMissing) {
    const PrefixCase& c = GetParam();
    mvtest::ScriptedUserPort port;
    EXPECT_TRUE(OpenBrowser(QString::fromUtf8(c.address), c.addPrefix));
    EXPECT_EQ(port.opened, QStringList{QString::fromUtf8(c.opened)});
    EXPECT_TRUE(port.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    PrefixRule, BrowserPrefix,
    ::testing::Values(PrefixCase{"www.x.org", true, "http://www.x.org"},
                      PrefixCase{"www.x.org", false, "www.x.org"}, PrefixCase{"HTTP://x", true, "HTTP://x"},
                      PrefixCase{"HTTP://x", false, "HTTP://x"}, PrefixCase{"https://x", true, "https://x"},
                      PrefixCase{"https://x", false, "https://x"},
                      // Only the four letters count: an address that merely begins with them stays as it is.
                      PrefixCase{"httpfoo", true, "httpfoo"}, PrefixCase{"httpfoo", false, "httpfoo"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct FailureCase {
    int lang;
    bool browser;
    const char* expected;
};

class ShellFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ShellFailure, IsReportedWithTheTargetAndReturnsFalse) {
    const FailureCase& c = GetParam();
    mvtest::ScriptedUserPort port;
    port.openExternalResult = false;
    setLanguage(c.lang);
    const bool ok = c.browser ? OpenBrowser(QStringLiteral("www.x.org"), true)
                              : OpenTexteditor(QStringLiteral("/tmp/out put.csv"));
    setLanguage(2);
    EXPECT_FALSE(ok);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.messages[0].text, QString::fromUtf8(c.expected));
    EXPECT_EQ(port.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(port.messages[0].title, "Morvenda");
}

INSTANTIATE_TEST_SUITE_P(
    BothLanguages, ShellFailure,
    ::testing::Values(
        FailureCase{2, true,
                    "Could not open the address http://www.x.org.\r\nin Module {Globals}\r\nin Function "
                    "{OpenBrowser}"},
        FailureCase{1, true,
                    "Die Adresse http://www.x.org konnte nicht geöffnet werden.\r\nin Modul {Globals}\r\n"
                    "in Funktion {OpenBrowser}"},
        FailureCase{2, false,
                    "Could not open the file /tmp/out put.csv.\r\nin Module {Globals}\r\nin Function "
                    "{OpenTexteditor}"},
        FailureCase{1, false,
                    "Die Datei /tmp/out put.csv konnte nicht geöffnet werden.\r\nin Modul {Globals}\r\n"
                    "in Funktion {OpenTexteditor}"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ShellOpen, TexteditorHandsThePathOnUnchanged) {
    mvtest::ScriptedUserPort port;
    EXPECT_TRUE(OpenTexteditor(QStringLiteral("/tmp/a b/report.txt")));
    EXPECT_EQ(port.opened, QStringList{QStringLiteral("/tmp/a b/report.txt")});
}

} // namespace
