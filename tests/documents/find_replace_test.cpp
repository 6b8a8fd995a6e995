#include "app/texts.h"
#include "documents/find_dialog.h"
#include "documents/quick_search_widget.h"
#include "documents/sql_editor_widget.h"
#include "support/scripted_user_port.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace mv;

namespace {

class FindReplaceTest : public ::testing::Test {
  protected:
    void TearDown() override { setLanguage(2); }

    template <class T> T* child(QWidget* parent, const char* name) {
        T* w = parent->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString caption(QWidget* parent, const char* name) {
        return child<QAbstractButton>(parent, name)->text();
    }

    mvtest::ScriptedUserPort port;
    QWidget window;
    SqlEditorWidget* editor = new SqlEditorWidget(&window);
};

TEST_F(FindReplaceTest, DialogCaptionsInBothLanguages) {
    struct Case {
        int language;
        const char *title, *find, *replace, *options, *word, *matchCase, *cmdFind, *cmdReplace, *cmdAll,
            *cancel;
    } cases[] = {
        {2, "Morvenda Find/Replace", "Fin&d What:", "Replace &With:", "Search Options",
         "Find Whole Word &Only", "Match Ca&se", "&Find", "&Replace...", "Replace &All", "Cancel"},
        {1, "Morvenda Suchen/Ersetzen", "Suche nach", "Ersetzen mit", "Suchoptionen", "Ganzes Wort",
         "Mustervergleich", "&Suche", "&Ersetzen...", "A&lle ersetzen", "&Abbrechen"},
    };
    for (const Case& c : cases) {
        setLanguage(c.language);
        frmFind dialog(editor, &window);
        EXPECT_EQ(dialog.windowTitle(), c.title);
        EXPECT_EQ(child<QLabel>(&dialog, "lblFind")->text(), c.find);
        EXPECT_EQ(child<QLabel>(&dialog, "lblReplace")->text(), c.replace);
        EXPECT_EQ(child<QGroupBox>(&dialog, "fraOptions")->title(), c.options);
        EXPECT_EQ(caption(&dialog, "chkWholeWord"), c.word);
        EXPECT_EQ(caption(&dialog, "chkMatchCase"), c.matchCase);
        EXPECT_EQ(caption(&dialog, "cmdFind"), c.cmdFind);
        EXPECT_EQ(caption(&dialog, "cmdReplace"), c.cmdReplace);
        EXPECT_EQ(caption(&dialog, "cmdReplaceAll"), c.cmdAll);
        EXPECT_EQ(caption(&dialog, "cmdCancel"), c.cancel);
        EXPECT_FALSE(dialog.isModal());
        EXPECT_FALSE(child<QPushButton>(&dialog, "cmdReplace")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(&dialog, "cmdReplaceAll")->isEnabled());
    }
}

TEST_F(FindReplaceTest, FindAndFindNext) {
    struct Case {
        int language;
        const char *findNext, *find, *message;
    } cases[] = {
        {2, "&Find Next", "&Find", "Text not found"},
        {1, "&Suche weiter", "&Suche", "Text wurde nicht gefunden."},
    };
    for (const Case& c : cases) {
        setLanguage(c.language);
        port.messages.clear();
        editor->setText("select a from b; SELECT c");
        editor->setSelection(0, 0, 0, 6);
        frmFind dialog(editor, &window);
        auto* cboFind = child<QComboBox>(&dialog, "cboFind");
        EXPECT_EQ(cboFind->currentText(), "select"); // the editor's selection
        editor->SetCaret(0, 0, false);

        dialog.cmdFind_Click();
        EXPECT_EQ(editor->selectedText(), "select");
        EXPECT_EQ(caption(&dialog, "cmdFind"), c.findNext);
        EXPECT_TRUE(child<QPushButton>(&dialog, "cmdReplace")->isEnabled());
        EXPECT_TRUE(child<QPushButton>(&dialog, "cmdReplaceAll")->isEnabled());
        dialog.cmdFind_Click(); // case-insensitive: finds SELECT
        EXPECT_EQ(editor->selectedText(), "SELECT");
        EXPECT_TRUE(port.messages.isEmpty());

        dialog.cmdFind_Click(); // past the end: once more from the top, no message
        EXPECT_EQ(editor->selectionStartPos(), (SqlEditorWidget::TextPos{0, 0}));
        EXPECT_EQ(editor->selectedText(), "select");
        EXPECT_TRUE(port.messages.isEmpty());
        EXPECT_EQ(caption(&dialog, "cmdFind"), c.findNext);

        // A text that is nowhere, searched from the middle: the wrap finds nothing either.
        cboFind->setEditText("nowhere");
        editor->SetCaret(0, 10, false);
        dialog.cmdFind_Click();
        ASSERT_EQ(port.messages.size(), 1);
        EXPECT_EQ(port.lastText(), c.message);
        EXPECT_EQ(port.messages.last().icon, MsgIcon::None);
        EXPECT_EQ(port.messages.last().title, "Morvenda");
        EXPECT_EQ(caption(&dialog, "cmdFind"), c.find);
        EXPECT_EQ(editor->selectionStartPos(), (SqlEditorWidget::TextPos{0, 10}));
        cboFind->setEditText("select");
        port.messages.clear();

        // Match case and whole word come from the check boxes; a changed search starts over with Find.
        editor->SetCaret(0, 0, false);
        dialog.cmdFind_Click();
        EXPECT_EQ(caption(&dialog, "cmdFind"), c.findNext);
        cboFind->setEditText("SELECT");
        EXPECT_EQ(caption(&dialog, "cmdFind"), c.find);
        child<QCheckBox>(&dialog, "chkMatchCase")->setChecked(true);
        editor->SetCaret(0, 0, false);
        dialog.cmdFind_Click();
        EXPECT_EQ(editor->selectionStartPos(), (SqlEditorWidget::TextPos{0, 17}));
        cboFind->setEditText("sel");
        child<QCheckBox>(&dialog, "chkMatchCase")->setChecked(false);
        child<QCheckBox>(&dialog, "chkWholeWord")->setChecked(true);
        editor->SetCaret(0, 0, false);
        port.messages.clear();
        dialog.cmdFind_Click();
        EXPECT_EQ(port.lastText(), c.message);
        EXPECT_FALSE(editor->hasSelectedText());
    }
}

TEST_F(FindReplaceTest, ReplaceStepByStep) {
    struct Case {
        int language;
        const char* message;
    } cases[] = {{2, "Text not found"}, {1, "Text wurde nicht gefunden"}};
    for (const Case& c : cases) {
        setLanguage(c.language);
        port.messages.clear();
        editor->setText("a x a\nx A");
        editor->SetCaret(0, 0, false);
        frmFind dialog(editor, &window);
        child<QComboBox>(&dialog, "cboFind")->setEditText("a");
        child<QComboBox>(&dialog, "cboReplace")->setEditText("bb");
        dialog.cmdReplace_Click(); // nothing selected yet: finds the first match only
        EXPECT_EQ(editor->text(), "a x a\nx A");
        EXPECT_EQ(editor->selectionStartPos(), (SqlEditorWidget::TextPos{0, 0}));
        dialog.cmdReplace_Click();
        EXPECT_EQ(editor->text(), "bb x a\nx A");
        EXPECT_EQ(editor->selectionStartPos(), (SqlEditorWidget::TextPos{0, 5}));
        dialog.cmdReplace_Click();
        EXPECT_EQ(editor->text(), "bb x bb\nx A");
        EXPECT_EQ(editor->selectedText(), "A");
        EXPECT_TRUE(port.messages.isEmpty());
        dialog.cmdReplace_Click(); // the last one: replaced, then nothing more
        EXPECT_EQ(editor->text(), "bb x bb\nx bb");
        ASSERT_EQ(port.messages.size(), 1);
        EXPECT_EQ(port.lastText(), c.message);
        EXPECT_EQ(port.messages.last().icon, MsgIcon::None);
        EXPECT_FALSE(child<QPushButton>(&dialog, "cmdReplace")->isEnabled());
    }
}

TEST_F(FindReplaceTest, ReplaceAll) {
    editor->setText("a x A\r\nxa a");
    frmFind dialog(editor, &window);
    auto* cboFind = child<QComboBox>(&dialog, "cboFind");
    cboFind->setEditText("");
    EXPECT_FALSE(child<QPushButton>(&dialog, "cmdReplaceAll")->isEnabled());
    dialog.cmdReplaceAll_Click(); // an empty find box does nothing
    EXPECT_EQ(editor->text(), "a x A\r\nxa a");

    // A search text is all Replace All needs; no Find has to succeed first.
    cboFind->setEditText("a");
    EXPECT_TRUE(child<QPushButton>(&dialog, "cmdReplaceAll")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(&dialog, "cmdReplace")->isEnabled());
    child<QComboBox>(&dialog, "cboReplace")->setEditText("b");
    child<QCheckBox>(&dialog, "chkWholeWord")->setChecked(true);
    dialog.cmdReplaceAll_Click();
    EXPECT_EQ(editor->text(), "b x b\r\nxa b");
    editor->undo(); // one step
    EXPECT_EQ(editor->text(), "a x A\r\nxa a");

    child<QCheckBox>(&dialog, "chkWholeWord")->setChecked(false);
    child<QCheckBox>(&dialog, "chkMatchCase")->setChecked(true);
    child<QComboBox>(&dialog, "cboReplace")->setEditText("aa"); // a replacement holding the find text
    dialog.cmdReplaceAll_Click();
    EXPECT_EQ(editor->text(), "aa x A\r\nxaa aa");
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_F(FindReplaceTest, QuickSearchCaptions) {
    struct Case {
        int language;
        const char *label, *word, *matchCase, *next, *replace;
    } cases[] = {{2, "Find in Querytext:", "Whole Word", "Match Case", "Next >", "Replace"},
                 {1, "Suche im Abfragetext", "Ganzes Wort", "Mustervergleich", "Weiter >", "Ersetzen"}};
    for (const Case& c : cases) {
        setLanguage(c.language);
        QuickSearchWidget panel;
        EXPECT_EQ(child<QLabel>(&panel, "lblFind")->text(), c.label);
        EXPECT_EQ(caption(&panel, "opWord"), c.word);
        EXPECT_EQ(caption(&panel, "opMatchCase"), c.matchCase);
        EXPECT_EQ(caption(&panel, "cmdFind"), "Start");
        EXPECT_EQ(caption(&panel, "cmdNext"), c.next);
        EXPECT_EQ(caption(&panel, "cmdReplace"), c.replace);
    }
}

TEST_F(FindReplaceTest, QuickSearchMessages) {
    struct Case {
        int language;
        const char *nothing, *nothingMore;
    } cases[] = {{2, "Nothing found!", "Nothing more found!"},
                 {1, "Nichts gefunden!", "Nichts mehr gefunden!"}};
    for (const Case& c : cases) {
        setLanguage(c.language);
        port.messages.clear();
        QuickSearchWidget panel(&window);
        panel.setEditor(editor);
        auto* txtFind = child<QLineEdit>(&panel, "txtFind");
        editor->setText("SELECT x\nFROM t WHERE x = 1");
        editor->SetCaret(1, 3, false);

        txtFind->setText("x");
        panel.cmdFind_Click(); // from the start of the text
        EXPECT_EQ(editor->selectionStartPos(), (SqlEditorWidget::TextPos{0, 7}));
        panel.cmdNext_Click();
        EXPECT_EQ(editor->selectionStartPos(), (SqlEditorWidget::TextPos{1, 13}));
        EXPECT_TRUE(port.messages.isEmpty());
        panel.cmdNext_Click();
        ASSERT_EQ(port.messages.size(), 1);
        EXPECT_EQ(port.lastText(), c.nothingMore);
        EXPECT_EQ(port.messages.last().icon, MsgIcon::Information);
        EXPECT_EQ(port.messages.last().title, "Morvenda");

        // A case-insensitive search for "select" has found "SELECT".
        txtFind->setText("select");
        panel.cmdFind_Click();
        EXPECT_EQ(editor->selectedText(), "SELECT");
        EXPECT_EQ(port.messages.size(), 1);
        child<QRadioButton>(&panel, "opMatchCase")->setChecked(true);
        panel.cmdFind_Click();
        EXPECT_EQ(port.lastText(), c.nothing);
        EXPECT_EQ(editor->caretPos(), (SqlEditorWidget::TextPos{0, 0}));

        txtFind->setText("ELECT");
        child<QRadioButton>(&panel, "opWord")->setChecked(true);
        port.messages.clear();
        panel.cmdFind_Click();
        EXPECT_EQ(port.lastText(), c.nothing);

        editor->setText("");
        port.messages.clear();
        panel.cmdFind_Click();
        EXPECT_EQ(port.lastText(), c.nothing);
        // An empty search box asks nothing, so it reports nothing.
        txtFind->clear();
        port.messages.clear();
        panel.cmdFind_Click();
        panel.cmdNext_Click();
        EXPECT_TRUE(port.messages.isEmpty());
    }
}

TEST_F(FindReplaceTest, FindBoxStartsWithTheTextAtHand) {
    struct Case {
        const char* name;
        int line, index;              // the caret
        int selFrom, selTo;           // a selection on line 0 when selFrom >= 0
        const char* toolbox;          // the quick search box
        const char* expected;
    } cases[] = {
        {"selection first", 0, 0, 7, 15, "amount", "customer"},
        {"toolbox text before the word", 0, 9, -1, -1, "amount", "amount"},
        {"word at the caret", 0, 9, -1, -1, "", "customer"},
        {"caret at the end of a word", 1, 6, -1, -1, "", "orders"},
        {"a selection over lines gives the word at the caret", 0, 0, -1, -1, "", "orders"},
        {"nothing at hand keeps the box", 1, 7, -1, -1, "", "kept"},
    };
    for (const Case& c : cases) {
        editor->setText("select customer, amount\norders  \nwhere x");
        frmFind dialog(editor, &window);
        auto* box = child<QComboBox>(&dialog, "cboFind");
        box->setEditText("kept");
        if (c.selFrom >= 0) {
            editor->setSelection(0, c.selFrom, 0, c.selTo);
        } else if (QString(c.name).contains("over lines")) {
            editor->setSelection(0, 0, 1, 3); // the caret stands at its end, in "orders"
        } else {
            editor->SetCaret(c.line, c.index, false);
        }
        dialog.presetFindText(QString::fromUtf8(c.toolbox));
        EXPECT_EQ(box->currentText(), c.expected) << c.name;
        EXPECT_EQ(child<QPushButton>(&dialog, "cmdReplaceAll")->isEnabled(), true) << c.name;
    }
    // Through the quick search panel: its search box text goes into the dialog.
    QuickSearchWidget panel(&window);
    panel.setEditor(editor);
    editor->setText("select a");
    editor->SetCaret(0, 8, false);
    child<QLineEdit>(&panel, "txtFind")->setText("sel");
    panel.cmdReplace_Click();
    ASSERT_NE(panel.findDialog(), nullptr);
    EXPECT_EQ(child<QComboBox>(panel.findDialog(), "cboFind")->currentText(), "sel");
    panel.findDialog()->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(FindReplaceTest, QuickSearchOpensOneFindDialog) {
    QuickSearchWidget panel(&window);
    panel.setEditor(editor);
    editor->setText("SELECT a");
    editor->setSelection(0, 7, 0, 8);
    panel.cmdReplace_Click();
    frmFind* dialog = panel.findDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &window);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(child<QComboBox>(dialog, "cboFind")->currentText(), "a");
    panel.cmdReplace_Click();
    EXPECT_EQ(panel.findDialog(), dialog);
    child<QPushButton>(dialog, "cmdCancel")->click(); // Cancel unloads it; the next Replace opens a new one
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(panel.findDialog(), nullptr);
    panel.cmdReplace_Click();
    ASSERT_NE(panel.findDialog(), nullptr);
    panel.findDialog()->reject(); // Escape unloads it too
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(panel.findDialog(), nullptr);
}

} // namespace
