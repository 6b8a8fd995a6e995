#include "app/texts.h"
#include "exec/new_parameter_dialog.h"
#include "exec/parameter_panel_widget.h"
#include "exec/parameters.h"
#include "support/scripted_user_port.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace mv;

namespace {

// An editor stand-in: inserts at its caret and moves the caret behind the insertion.
struct FakeEditor : ParameterTagEditor {
    QString text;
    qsizetype caret = 0;
    void insertAtCursor(const QString& t) override {
        text.insert(caret, t);
        caret += t.size();
    }
    QString wholeText() const override { return text; }
};

void typeInto(QWidget* w, const QString& keys) {
    for (const QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

struct Language {
    explicit Language(int lang) { setLanguage(lang); }
    ~Language() { setLanguage(2); }
};

TEST(ParameterPanel, OneKeyedInputPerParameterAndTypedValuesFeedTheSubstitution) {
    mvtest::ScriptedUserPort port;
    QueryParameters params;
    ParameterPanelWidget panel;
    EXPECT_EQ(panel.objectName(), "smParameter");
    const QString original =
        "select * from t where n = @name|String|20@ and d = @d|Date@ and n2 = @name|String@";
    ASSERT_TRUE(params.ParseParameter(original));
    panel.ShowParameters(params.parameterSet());
    EXPECT_EQ(panel.itemKeys(), QStringList({"namek", "dk"}));
    EXPECT_EQ(panel.caption("namek"), "name\t");
    EXPECT_EQ(panel.caption("dk"), "d\t");
    EXPECT_TRUE(panel.input("namek")->text().isEmpty());

    typeInto(panel.input("namek"), "Smith");
    panel.input("dk")->setText("2024-01-31");
    QString text = original;
    ASSERT_TRUE(params.InsertParameterValues(text, panel, 1));
    EXPECT_EQ(text, "select * from t where n =   'Smith'   and d =  #01-31-2024#  and n2 =   'Smith'   ");

    // Showing the set again shows the values it now holds.
    panel.ShowParameters(params.parameterSet());
    EXPECT_EQ(panel.input("namek")->text(), "Smith");
    EXPECT_EQ(panel.input("dk")->text(), "2024-01-31");
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(ParameterPanel, EmptyInputIsMissingAndNoSetClearsThePanel) {
    mvtest::ScriptedUserPort port;
    QueryParameters params;
    ParameterPanelWidget panel;
    ASSERT_TRUE(params.ParseParameter("@a|Integer@ @b|Integer@"));
    panel.ShowParameters(params.parameterSet());
    panel.input("bk")->setText("3");
    QString text = "@a|Integer@ @b|Integer@";
    EXPECT_FALSE(params.InsertParameterValues(text, panel, 0));
    EXPECT_EQ(port.lastText(), "Please set values for the following Parameter:\r\n  - a\r\n");
    EXPECT_EQ(panel.parameterInput("zz"), "");

    ASSERT_TRUE(params.ParseParameter("select 1"));
    panel.ShowParameters(params.parameterSet());
    EXPECT_TRUE(panel.itemKeys().isEmpty());
    EXPECT_EQ(panel.findChildren<QLineEdit*>().size(), 0);
}

TEST(ParameterPanel, RebuildingKeepsWhatWasTypedForTheSameNameAndType) {
    mvtest::ScriptedUserPort port;
    QueryParameters params;
    ParameterPanelWidget panel;
    ASSERT_TRUE(params.ParseParameter("@a|Integer@ @b|String|10@ @c|Date@ @gone|Double@"));
    panel.ShowParameters(params.parameterSet());
    panel.input("ak")->setText("12");
    panel.input("bk")->setText("x y");
    panel.input("ck")->setText("2024-01-31");
    panel.input("gonek")->setText("1.5");

    // A new text: new names come empty, a changed type starts afresh, a changed size keeps the text.
    ASSERT_TRUE(params.ParseParameter("@n|Double@ @c|Timestamp@ @b|String|20@ @a|Integer@"));
    panel.ShowParameters(params.parameterSet());
    EXPECT_EQ(panel.itemKeys(), QStringList({"nk", "ck", "bk", "ak"}));
    EXPECT_EQ(panel.input("nk")->text(), "");
    EXPECT_EQ(panel.input("ck")->text(), "");
    EXPECT_EQ(panel.input("bk")->text(), "x y");
    EXPECT_EQ(panel.input("ak")->text(), "12");

    // A parameter that left the text does not come back with its old text.
    ASSERT_TRUE(params.ParseParameter("@gone|Double@"));
    panel.ShowParameters(params.parameterSet());
    EXPECT_EQ(panel.input("gonek")->text(), "");
    EXPECT_TRUE(port.messages.isEmpty());
}

struct DialogFixture : ::testing::Test {
    mvtest::ScriptedUserPort port;
    FakeEditor editor;
    QueryParameters params;
    ParameterPanelWidget panel;
};

TEST_F(DialogFixture, EmptyFieldsGiveNonameStringOfSize20AndThePanelShowsIt) {
    editor.text = "select * from t where a = ";
    editor.caret = editor.text.size();
    frmNewParameter dialog(editor, params, panel);
    dialog.show();
    dialog.cmdSave->click();
    EXPECT_EQ(editor.text, "select * from t where a = @Noname|String|20@");
    EXPECT_EQ(dialog.txtParname->text(), "Noname");
    EXPECT_EQ(dialog.txtParTypeLen->text(), "20");
    EXPECT_EQ(panel.itemKeys(), QStringList({"Nonamek"}));
    EXPECT_TRUE(dialog.isVisible());
    dialog.cmCancel->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_F(DialogFixture, TypedFieldsAreFilteredAndOtherTypesHaveNoSize) {
    frmNewParameter dialog(editor, params, panel);
    typeInto(dialog.txtParname, "ab1_C d");
    EXPECT_EQ(dialog.txtParname->text(), "abCd");
    typeInto(dialog.txtParTypeLen, "0x05a0");
    EXPECT_EQ(dialog.txtParTypeLen->text(), "0050");
    dialog.cmdSave_Click();
    EXPECT_EQ(editor.text, "@abCd|String|50@");

    dialog.cmbParType->setCurrentText("Timestamp");
    EXPECT_TRUE(dialog.txtParTypeLen->text().isEmpty());
    EXPECT_FALSE(dialog.txtParTypeLen->isEnabled());
    dialog.cmdSave_Click();
    EXPECT_EQ(editor.text, "@abCd|String|50@@abCd|Timestamp@");
    dialog.cmbParType->setCurrentText("String");
    EXPECT_TRUE(dialog.txtParTypeLen->isEnabled());
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_F(DialogFixture, SizeBeyond16BitsIsReportedAndNothingIsInserted) {
    frmNewParameter dialog(editor, params, panel);
    dialog.txtParname->setText("n");
    dialog.txtParTypeLen->setText("40000");
    dialog.cmdSave_Click();
    EXPECT_TRUE(editor.text.isEmpty());
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(),
              "Overflow: the size 40000 is larger than 32767 [6]\r\nin Function <cmdSave_Click>");
}

TEST_F(DialogFixture, TypeListAndTextsInBothLanguages) {
    for (const int lang : {2, 1}) {
        Language language(lang);
        frmNewParameter dialog(editor, params, panel);
        QStringList types;
        for (int i = 0; i < dialog.cmbParType->count(); ++i)
            types << dialog.cmbParType->itemText(i);
        EXPECT_EQ(types, QStringList({"String", "Integer", "Double", "Date", "Time", "Timestamp"}));
        EXPECT_EQ(dialog.cmbParType->currentIndex(), 0);
        const bool de = lang == 1;
        EXPECT_EQ(dialog.windowTitle(), de ? "Neuer Parameter" : "New Parameter");
        EXPECT_EQ(dialog.lblPar[0]->text(), de ? "Typ" : "Type");
        EXPECT_EQ(dialog.lblPar[1]->text(), "Name");
        EXPECT_EQ(dialog.lblPar[2]->text(), de ? QString::fromUtf8("Größe") : QString("Size"));
        EXPECT_EQ(dialog.cmdSave->text(),
                  de ? QString::fromUtf8("&Parameter einfügen") : QString("&Insert Parameter"));
        EXPECT_EQ(dialog.cmCancel->text(), de ? "&Abbrechen" : "&Cancel");
    }
}

} // namespace
