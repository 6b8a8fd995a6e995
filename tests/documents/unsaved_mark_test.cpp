// The unsaved mark: a "*" after a document's caption while its text differs from what its file
// holds; editing back (undo or retyping) clears it, and then nothing asks to save.
#include "app/texts.h"
#include "documents/documents_support.h"
#include "documents/sql_files.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace mv;
using mvtest::DocumentsFixture;

namespace {

TEST(UnsavedMark, TypingMarksTheTabAndUndoingBackClearsIt) {
    DocumentsFixture f;
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01"}));
    f.type("select 1");
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01*"}));
    EXPECT_TRUE(f.doc("NewSQL_01")->Change);
    while (f.editor.isUndoAvailable()) f.editor.undo();
    EXPECT_EQ(f.editor.text(), "");
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01"}));
    EXPECT_FALSE(f.doc("NewSQL_01")->Change);
    // Not changed: closing asks nothing.
    f.commands().NewSQLFile();
    f.click("NewSQL_01");
    EXPECT_TRUE(f.commands().cmdCloseFile_Click());
    EXPECT_TRUE(f.port.messages.isEmpty());
}

TEST(UnsavedMark, AnOpenedFileIsComparedWithItsSavedText) {
    DocumentsFixture f;
    const QString path = f.write("report.sql", "SELECT * FROM orders\r\nWHERE total > 100");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
    EXPECT_EQ(f.selectedCaption(), "report.sql");
    // Typing and deleting the same text by hand is no change either.
    f.editor.SetCaret(1, 17, true);
    QTest::keyClicks(&f.editor, "0");
    EXPECT_EQ(f.selectedCaption(), "report.sql*");
    QTest::keyClick(&f.editor, Qt::Key_Backspace);
    EXPECT_EQ(f.selectedCaption(), "report.sql");
    // The mark survives switching documents and back.
    f.type("-- note\r\n");
    f.commands().NewSQLFile();
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01", "report.sql*", "NewSQL_02"}));
    f.click("report.sql");
    EXPECT_EQ(f.selectedCaption(), "report.sql*");
    // Saving writes the file and clears the mark; the close question names the caption without it.
    f.port.answers.push_back(MsgResult::Yes);
    f.type("x");
    EXPECT_TRUE(f.commands().cmdCloseFile_Click());
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_EQ(f.port.messages[0].text, closeQuestionText("report.sql"));
    EXPECT_EQ(f.read("report.sql"), "xSELECT * FROM orders\r\nWHERE total > 100-- note\r\n");
    EXPECT_FALSE(f.captions().contains("report.sql"));
}

TEST(UnsavedMark, SaveAsRenamesWithoutMarkAndShutdownAsksOnlyForRealChanges) {
    DocumentsFixture f;
    f.type("select 2");
    EXPECT_EQ(f.selectedCaption(), "NewSQL_01*");
    f.port.files.push_back(f.file("two.sql"));
    ASSERT_TRUE(f.commands().cmdSQLSaveAs());
    EXPECT_EQ(f.captions(), (QStringList{"Session", "two.sql"}));
    f.commands().NewSQLFile();
    f.type("abc");
    f.editor.undo();
    f.commands().NewSQLFile();
    f.type("kept");
    EXPECT_EQ(f.captions(), (QStringList{"Session", "two.sql", "NewSQL_02", "NewSQL_03*"}));
    f.port.answers.push_back(MsgResult::No);
    EXPECT_TRUE(f.commands().CheckUnsavedDocuments());
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_EQ(f.port.messages[0].text, shutdownQuestionText("NewSQL_03"));
}

} // namespace
