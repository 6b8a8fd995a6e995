// The desktop's boxes: buttons in the program's language, the answer the person gives.
#include "app/qt_translation.h"
#include "app/texts.h"
#include "app/user_port_dialog.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
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

TEST(QtUserPort, FilterSuffixIsTheFirstPatternsExtension) {
    struct Case {
        const char* entry;
        const char* suffix;
    } cases[] = {
        {"Data Link File (*.udl)", "udl"}, {"Script (*.sql)", "sql"},  {"SQLite Database (*.db *.sqlite)", "db"},
        {"All Files (*.*)", ""},            {"All files (*)", ""},       {"Odd (*.t?t)", ""},
        {"*.csv", "csv"},                   {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(QtUserPort::filterSuffix(c.entry), c.suffix) << c.entry;
}

TEST(QtUserPort, ASaveDialogGivesANameWithoutExtensionTheFiltersOne) {
    mvtest::TempFolder dir;
    QtUserPort port;
    struct Case {
        const char* filter;
        const char* typed;
        const char* saved;
    } cases[] = {
        {"Data Link File (*.udl) | *.udl", "pg", "pg.udl"},
        {"Script|*.sql|Query|*.qry|All Files|*.*", "monthly", "monthly.sql"},
        {"Data Link File (*.udl) | *.udl", "kept.txt", "kept.txt"},
        {"All Files|*.*", "plain", "plain"},
    };
    for (const Case& c : cases) {
        whenModalShows([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromUtf8(c.typed));
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the Save button
        });
        FileDialogRequest r;
        r.mode = FileDialogRequest::Save;
        r.title = "Save";
        r.filter = QString::fromUtf8(c.filter);
        r.initialDir = dir.path();
        r.mustExist = false;
        const std::optional<QString> chosen = port.chooseFile(r);
        ASSERT_TRUE(chosen.has_value()) << c.typed;
        EXPECT_EQ(*chosen, dir.file(QString::fromUtf8(c.saved)));
    }
}

TEST(QtUserPort, AViewerCountsForTheFilesTypeOrATypeItDerivesFrom) {
    mvtest::TempFolder dir;
    // A desktop that knows a program for plain text only, as xdg-mime reports it.
    const QString xdgMime = dir.write("xdg-mime", "#!/bin/sh\n"
                                                  "[ \"$1 $2 $3\" = \"query default text/plain\" ] && echo editor.desktop\n"
                                                  "exit 0\n");
    QFile::setPermissions(xdgMime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    struct Case {
        const char* file;
        bool viewer;
    } cases[] = {
        {"export.txt", true},  // text/plain itself
        {"export.csv", true},  // text/csv derives from text/plain
        {"export.sql", true},  // so does application/sql
        {"picture.png", false},
        {"export.rtf", true},   // RTF is text as well
        {"archive.zip", false},
    };
    for (const Case& c : cases) {
        const QString path = dir.write(c.file, "x");
        EXPECT_EQ(QtUserPort::desktopHasViewer(path, xdgMime), c.viewer) << c.file;
    }
    EXPECT_TRUE(QtUserPort::desktopHasViewer(dir.file("picture.png"), QString())) << "nothing to ask: the opener tries";
}

} // namespace
