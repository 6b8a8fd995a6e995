#include "app/about_dialog.h"
#include "app/globals.h"
#include "app/mv_error.h"
#include "app/system_info_dialog.h"
#include "app/texts.h"
#include "support/scripted_user_port.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct LanguageCase {
    int lang;
    const char* title;
    const char* sysInfo;
};

class AboutTexts : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(AboutTexts, TitleVersionAndButtons) {
    const LanguageCase& c = GetParam();
    setLanguage(c.lang);
    frmAbout about;
    setLanguage(2);
    EXPECT_EQ(about.windowTitle(), QString::fromUtf8(c.title));
    EXPECT_EQ(about.findChild<QLabel*>("lblVersion")->text(), "Version: " + getVersion());
    EXPECT_EQ(about.findChild<QPushButton*>("cmdSysInfo")->text(), QString::fromUtf8(c.sysInfo));
    EXPECT_TRUE(about.findChild<QLabel*>("lblLink")->text().contains("https://morvenda.org"));
    EXPECT_FALSE(about.findChild<QLabel*>("lblContact")->text().isEmpty());
    EXPECT_FALSE(about.findChild<QLabel*>("lblNotice")->text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, AboutTexts,
                         ::testing::Values(LanguageCase{2, "About Morvenda", "System Info..."},
                                           LanguageCase{1, "Info zu Morvenda", "Systeminformation..."}),
                         [](const auto& info) { return info.param.lang == 1 ? "German" : "English"; });

TEST(AboutBox, OkHasTheFocusAndCloses) {
    frmAbout about;
    about.show();
    QApplication::processEvents();
    auto* ok = about.findChild<QPushButton*>("cmdOK");
    EXPECT_EQ(about.focusWidget(), ok);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

void clickAt(QWidget* widget, QPoint pos) {
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

TEST(AboutBox, ClickingTheLinkOpensTheAddressThroughTheUserPort) {
    mvtest::ScriptedUserPort port;
    frmAbout about;
    about.show();
    QApplication::processEvents();
    auto* link = about.findChild<QLabel*>("lblLink");
    EXPECT_FALSE(link->openExternalLinks());
    // The label's text starts at its left edge (plus margins); the middle of the first word is on the link.
    const QPoint onText(link->contentsRect().left() + link->fontMetrics().horizontalAdvance("https") / 2,
                        link->height() / 2);
    clickAt(link, onText);
    EXPECT_EQ(port.opened, QStringList{"https://morvenda.org"});
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(AboutBox, LinkThatCannotBeOpenedIsReported) {
    mvtest::ScriptedUserPort port;
    port.openExternalResult = false;
    frmAbout about;
    about.lblLink_Click();
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().contains("https://morvenda.org"));
    EXPECT_TRUE(port.lastText().endsWith("in Function {OpenBrowser}"));
}

TEST(AboutBox, SystemInfoShowsTheReportAndCopiesIt) {
    mvtest::ScriptedUserPort port;
    const QString report = QStringLiteral("Morvenda 9.9.99\n\nODBC drivers\n  SQLite3:  libsqlite3odbc.so\n");
    frmAbout about(nullptr, [&] { return report; });
    QString shown, copied;
    bool sawDialog = false;
    QApplication::clipboard()->clear();
    QTimer::singleShot(0, &about, [&] {
        auto* dialog = about.findChild<frmSystemInfo*>();
        if (!dialog) return;
        sawDialog = dialog->isModal() && dialog->isVisible();
        auto* text = dialog->findChild<QPlainTextEdit*>("txtReport");
        shown = text->toPlainText();
        EXPECT_TRUE(text->isReadOnly());
        dialog->findChild<QPushButton*>("cmdCopy")->click();
        copied = QApplication::clipboard()->text();
        dialog->findChild<QPushButton*>("cmdClose")->click();
    });
    about.findChild<QPushButton*>("cmdSysInfo")->click();
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(shown, report);
    EXPECT_EQ(copied, report);
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_FALSE(port.waitCursor);
}

TEST(AboutBox, FailedGatheringIsReportedAndLeavesNoWaitCursor) {
    mvtest::ScriptedUserPort port;
    frmAbout about(nullptr,
                   []() -> QString { throw MvError(err::FileNotFound, QStringLiteral("odbcinst gone")); });
    EXPECT_FALSE(about.StartSysInfo());
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(), "odbcinst gone [53]\r\nin Module {frmAbout}\r\nin Function {StartSysInfo}");
    EXPECT_FALSE(port.waitCursor);
    EXPECT_EQ(about.findChild<frmSystemInfo*>(), nullptr);
}

TEST(SystemInfoDialog, TextsInGerman) {
    setLanguage(1);
    frmSystemInfo dialog(QStringLiteral("x"));
    setLanguage(2);
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdCopy")->text(), "Kopieren");
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdClose")->text(), "Schließen");
    EXPECT_EQ(dialog.windowTitle(), "Systeminformation");
}

} // namespace
