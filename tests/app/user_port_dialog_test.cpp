// The desktop's boxes: buttons in the program's language, the answer the person gives.
#include "app/qt_translation.h"
#include "app/texts.h"
#include "app/user_port_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

// Runs `inspect` on the modal widget as soon as it shows, then lets `inspect` close it.
void whenModalShows(std::function<void(QWidget*)> inspect) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            inspect(w);
        }
    });
    timer->start(10);
}

TEST(QtUserPort, MessageButtonsSpeakTheLanguageAndGiveTheAnswer) {
    struct Case {
        int language;
        QStringList captions;
    } cases[] = {{1, {"&Ja", "&Nein", "Abbrechen"}}, {2, {"&Yes", "&No", "Cancel"}}};
    for (const Case& c : cases) {
        setLanguage(c.language);
        QtUserPort port;
        QStringList seen;
        whenModalShows([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                seen << box->button(b)->text();
            box->button(QMessageBox::No)->click();
        });
        MessageRequest r;
        r.text = "Save?";
        r.buttons = MsgButtons::YesNoCancel;
        EXPECT_EQ(port.message(r), MsgResult::No);
        EXPECT_EQ(seen, c.captions);
    }
    setLanguage(2);
}

TEST(QtUserPort, FileDialogsInGermanWhenQtsTranslationIsInstalled) {
    if (!applyToolkitLanguage(true)) GTEST_SKIP() << "Qt's German translation is not installed";
    QtUserPort port;
    QString cancelText;
    whenModalShows([&](QWidget* w) {
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            if (b->text().contains("Abbrechen")) cancelText = b->text();
        static_cast<QDialog*>(w)->reject();
    });
    FileDialogRequest r;
    r.title = "x";
    EXPECT_FALSE(port.chooseFile(r).has_value());
    EXPECT_EQ(cancelText, "Abbrechen");
    EXPECT_TRUE(applyToolkitLanguage(false));
}

} // namespace
