// The protocol in the editor grows by the new part only; whatever the path, the editor ends up
// holding exactly the protocol, and a user who scrolled up is left where they are.
#include "documents/sql_editor_widget.h"
#include "exec/protocol_view.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace mv;

namespace {

// A statement's lines as a script run writes them, with a non-ASCII word so characters and
// bytes differ.
QString protocolPart(int i) {
    return QStringLiteral("insert into kunden (id, name) values (%1, 'Müller %1')\r\n\r\n"
                          "// { Die Abfrage betraf  1 Datensätze!\r\n// { Abfrage OK\r\n\r\n//%2\r\n\r\n")
        .arg(i)
        .arg(QString(60, u'-'));
}

struct ProtocolViewTest : ::testing::Test {
    SqlEditorWidget editor;
    ProtocolView view{&editor};
    QString protocol = QStringLiteral("//-{ Sitzung gestartet }\r\n\r\n");

    void SetUp() override {
        editor.resize(500, 240);
        editor.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    }
    // Adds n statements to the protocol and shows it grown.
    void growBy(int from, int n) {
        const qsizetype kept = protocol.size();
        for (int i = from; i < from + n; ++i) protocol += protocolPart(i);
        view.grow(protocol, kept);
    }
    int firstVisible() const { return int(editor.SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE)); }
    bool caretAtEnd() const {
        return editor.SendScintilla(QsciScintilla::SCI_GETCURRENTPOS) == editor.SendScintilla(QsciScintilla::SCI_GETLENGTH);
    }
};

TEST_F(ProtocolViewTest, ManyGrowthsSetTheWholeTextOnce) {
    view.show(protocol);
    for (int step = 0; step < 200; ++step) growBy(step * 7, 7);
    EXPECT_EQ(editor.text(), protocol);
    EXPECT_EQ(view.fullSets(), 1);
    EXPECT_TRUE(caretAtEnd());
    // Growing by nothing changes nothing.
    view.grow(protocol, protocol.size());
    EXPECT_EQ(editor.text(), protocol);
    EXPECT_EQ(view.fullSets(), 1);
}

// Each way the editor can stop holding what was shown last leads to one whole set, and the
// editor holds the protocol again.
TEST_F(ProtocolViewTest, EditorNotHoldingTheLastTextGetsTheWholeText) {
    struct Case {
        const char* name;
        std::function<qsizetype(ProtocolViewTest&)> disturb; // returns the `kept` passed next
    };
    const Case cases[] = {
        {"another document shown", [](ProtocolViewTest& t) { t.editor.setText("select 1"); return t.protocol.size(); }},
        {"typed into", [](ProtocolViewTest& t) { t.editor.insertAt("x", 0, 0); return t.protocol.size(); }},
        {"cleared", [](ProtocolViewTest& t) { t.editor.clear(); return t.protocol.size(); }},
        {"kept shorter than shown", [](ProtocolViewTest& t) { return t.protocol.size() - 3; }},
        {"kept longer than shown", [](ProtocolViewTest& t) { return t.protocol.size() + 3; }},
        {"nothing kept", [](ProtocolViewTest&) { return qsizetype(0); }},
    };
    view.show(protocol);
    int step = 0;
    for (const Case& c : cases) {
        growBy(step, 3);
        step += 3;
        const int before = view.fullSets();
        const qsizetype kept = c.disturb(*this);
        protocol += protocolPart(step++);
        view.grow(protocol, std::min(kept, protocol.size()));
        EXPECT_EQ(editor.text(), protocol) << c.name;
        EXPECT_EQ(view.fullSets(), before + 1) << c.name;
        // And growing goes on by parts from there.
        growBy(step, 2);
        step += 2;
        EXPECT_EQ(editor.text(), protocol) << c.name;
        EXPECT_EQ(view.fullSets(), before + 1) << c.name;
    }
}

TEST_F(ProtocolViewTest, FollowsTheEndUnlessScrolledUp) {
    view.show(protocol);
    growBy(0, 40);
    growBy(40, 40);
    EXPECT_TRUE(caretAtEnd());
    const int lastLine = editor.lines() - 1;
    EXPECT_GT(firstVisible(), 0);
    EXPECT_LE(firstVisible(), lastLine);
    EXPECT_GE(firstVisible() + editor.SendScintilla(QsciScintilla::SCI_LINESONSCREEN), lastLine);

    // The user scrolls to the top and puts the caret on a line there: both stay.
    editor.setFirstVisibleLine(0);
    editor.setCursorPosition(2, 5);
    growBy(80, 40);
    EXPECT_EQ(firstVisible(), 0);
    int line = -1, index = -1;
    editor.getCursorPosition(&line, &index);
    EXPECT_EQ(line, 2);
    EXPECT_EQ(index, 5);
    EXPECT_EQ(editor.text(), protocol);
    EXPECT_EQ(view.fullSets(), 1);

    // Back at the end, the view follows again.
    editor.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    growBy(120, 40);
    EXPECT_TRUE(caretAtEnd());
    EXPECT_GE(firstVisible() + editor.SendScintilla(QsciScintilla::SCI_LINESONSCREEN), editor.lines() - 1);
}

} // namespace
