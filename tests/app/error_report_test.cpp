#include "app/error_report.h"
#include "app/texts.h"
#include "support/scripted_user_port.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

struct ReportCase {
    int lang;
    bool errorForm;
    QString message;
    std::optional<long> number;
    QString procedure;
    QString module;
    QString expected;
};

class ReporterTexts : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReporterTexts, ShowsExactTextInWarningBox) {
    const ReportCase& c = GetParam();
    mvtest::ScriptedUserPort port;
    setLanguage(c.lang);
    const bool shown = c.errorForm ? DispErrorMsg(c.message, c.number, c.procedure, c.module)
                                   : DispMsg(c.message, c.number, c.procedure, c.module);
    setLanguage(2);
    EXPECT_TRUE(shown);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.messages[0].text, c.expected);
    EXPECT_EQ(port.messages[0].title, "Morvenda");
    EXPECT_EQ(port.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(port.messages[0].buttons, MsgButtons::Ok);
}

INSTANTIATE_TEST_SUITE_P(
    BothFormsBothLanguages, ReporterTexts,
    ::testing::Values(
        ReportCase{2, true, "Type mismatch", 13, "SplitStmts", "Globals",
                   "Type mismatch [13]\r\nin Module {Globals}\r\nin Function {SplitStmts}"},
        ReportCase{1, true, "Type mismatch", 13, "SplitStmts", "Globals",
                   "Type mismatch [13]\r\nin Modul {Globals}\r\nin Funktion {SplitStmts}"},
        ReportCase{1, false, "Type mismatch", 13, "SplitStmts", "Globals",
                   "Type mismatch [13]\r\nin Module <Globals>\r\nin Function <SplitStmts>"},
        ReportCase{2, false, "No Tables available!", std::nullopt, "", "", "No Tables available!"},
        ReportCase{2, true, "x", 0, "", "", "x [0]"},
        ReportCase{2, true, "x", std::nullopt, "", "C_DbConnect", "x\r\nin Module {C_DbConnect}"},
        ReportCase{2, false, "x", std::nullopt, "frmMain.Form_Load", "", "x\r\nin Function <frmMain.Form_Load>"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ErrorReport, ErrorFormResetsWaitCursorPlainFormLeavesIt) {
    mvtest::ScriptedUserPort port;
    port.setWaitCursor(true);
    DispMsg("a");
    EXPECT_TRUE(port.waitCursor);
    DispErrorMsg("a", std::nullopt, "", "");
    EXPECT_FALSE(port.waitCursor);
}

class ThrowingPort : public mvtest::ScriptedUserPort {
public:
    mv::MsgResult message(const mv::MessageRequest& r) override {
        if (!r.title.isEmpty()) throw MvError(7, "Out of memory");
        return ScriptedUserPort::message(r);
    }
};

TEST(ErrorReport, FailureToShowFallsBackToPlainBox) {
    ThrowingPort port;
    EXPECT_FALSE(DispErrorMsg("lost", 1, "p", "m"));
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.messages[0].text, "7 Out of memory in function: DispErrorMsg");
    EXPECT_EQ(port.messages[0].icon, MsgIcon::None);
    EXPECT_TRUE(port.messages[0].title.isEmpty());
}

TEST(ErrorReport, GuardedReportsWithNamesAndReturnsFailureValue) {
    mvtest::ScriptedUserPort port;
    const int r = guarded(Reporter::ErrorMsg, "IsCollItem", "Globals", -1,
                          []() -> int { throw MvError(457, "Key not found"); });
    EXPECT_EQ(r, -1);
    EXPECT_EQ(port.lastText(), "Key not found [457]\r\nin Module {Globals}\r\nin Function {IsCollItem}");
}

} // namespace
