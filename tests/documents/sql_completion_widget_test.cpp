// The completion list in the real editor: when it opens on its own, how typing narrows a long list,
// and what choosing an entry leaves in the text.
#include "db/db_connect.h"
#include "documents/sql_completion_widget.h"
#include "documents/sql_editor_widget.h"
#include "support/scripted_user_port.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace mv;

namespace {

CatalogPtr thousandTables() {
    auto c = std::make_shared<CompletionCatalog>();
    for (int i = 0; i < 1000; ++i)
        c->tables.append({"public", QStringLiteral("tab_%1").arg(i, 4, 10, QLatin1Char('0')), false, {"id", "Name"}});
    c->schemas = {"public"};
    c->index();
    return c;
}

struct Editor {
    mvtest::ScriptedUserPort port;
    SqlEditorWidget editor;
    SqlCompletionWidget completion{&editor};
    Editor() {
        editor.resize(600, 300);
        editor.show();
        completion.setCatalog(thousandTables());
        completion.setDialect({KindPostgreSql, "PostgreSQL", "\""});
        QApplication::processEvents();
    }
    void typeAtEnd(const char* keys) {
        editor.SetCaret(editor.lines() - 1, 10000, true);
        QTest::keyClicks(&editor, keys);
    }
};

TEST(SqlCompletionWidget, TheThirdLetterOpensTheListAndTypingNarrowsAListTooLongToShow) {
    Editor e;
    e.editor.setText("SELECT * FROM ");
    e.typeAtEnd("ta");
    EXPECT_FALSE(e.completion.listShown());
    e.typeAtEnd("b");
    ASSERT_TRUE(e.completion.listShown());
    EXPECT_EQ(e.completion.shownLabels().size(), 1000); // more than the list shows at once
    e.typeAtEnd("_09");
    ASSERT_TRUE(e.completion.listShown());
    EXPECT_EQ(e.completion.shownLabels().size(), 100);
    EXPECT_EQ(e.completion.shownLabels().first(), "tab_0900");
    e.completion.choose("tab_0950");
    EXPECT_EQ(e.editor.text(), "SELECT * FROM tab_0950");
    EXPECT_FALSE(e.completion.listShown());
    // A fourth letter of a word opens nothing by itself.
    e.editor.setText("SELECT * FROM tab");
    e.typeAtEnd("_");
    EXPECT_FALSE(e.completion.listShown());
}

TEST(SqlCompletionWidget, AfterADotTheColumnsComeQuotedAsTheDialectNeeds) {
    Editor e;
    e.editor.setText("SELECT  FROM tab_0001 t");
    e.editor.SetCaret(0, 7, true);
    QTest::keyClicks(&e.editor, "t.");
    ASSERT_TRUE(e.completion.listShown());
    EXPECT_EQ(e.completion.shownLabels(), (QStringList{"id", "Name"}));
    QTest::keyClicks(&e.editor, "Na");
    e.completion.choose("Name");
    EXPECT_EQ(e.editor.text(), "SELECT t.\"Name\" FROM tab_0001 t");
}

TEST(SqlCompletionWidget, WithTheAutomaticListOffOnlyCtrlSpaceOpensIt) {
    Editor e;
    e.completion.setAutoPopup(false);
    e.editor.setText("SELECT * FROM ");
    e.typeAtEnd("tab");
    EXPECT_FALSE(e.completion.listShown());
    QTest::keyClick(&e.editor, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(e.completion.listShown());
    EXPECT_EQ(e.editor.text(), "SELECT * FROM tab"); // Ctrl+Space types no blank
    // A hidden editor opens no list (and does not fail).
    e.editor.hide();
    EXPECT_FALSE(e.completion.showCompletion());
}

} // namespace
