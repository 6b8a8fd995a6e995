// SQL files open in the encoding they are in and are saved back in it; what the editor cannot
// hold (NUL characters, huge files, pipes) is refused with a message, never cut.
#include "app/texts.h"
#include "documents/sql_files.h"
#include "documents_support.h"

#include <QStringEncoder>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace mv;
using namespace mvtest;

namespace {

QByteArray utf16le(const QString& s) { return QStringEncoder(QStringConverter::Utf16LE)(s); }

TEST(SqlFileEncoding, FilesAreSavedBackAsTheyWereRead) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QString shown;
    };
    const Case cases[] = {
        {"utf16.sql", QByteArray("\xFF\xFE", 2) + utf16le("Select 'äß'\r\nfrom t"), "Select 'äß'\r\nfrom t"},
        {"bom.sql", "\xEF\xBB\xBFselect 1", "select 1"},
        {"cp1252.sql", "select '\x80' -- M\xFCller", QString::fromUtf8("select '€' -- Müller")},
        {"garbage.sql", "\x89PNG\r\n\x1A\n\xFF\xD8\xC3", QString()},
    };
    for (const Case& c : cases) {
        DocumentsFixture f;
        const QString path = f.write(c.name, c.bytes);
        ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path)) << c.name;
        if (!c.shown.isNull()) EXPECT_EQ(f.editor.text(), c.shown) << c.name;
        // Saved without an edit: the same bytes.
        ASSERT_TRUE(f.commands().cmdSQLSave()) << c.name;
        EXPECT_EQ(f.read(c.name), c.bytes) << c.name;
        // Edited: the same encoding.
        f.editor.setCursorPosition(0, 0);
        f.type("--x\r\n");
        ASSERT_TRUE(f.commands().cmdSQLSave()) << c.name;
        const DecodedText back = decodeText(f.read(c.name));
        EXPECT_EQ(back.encoding, decodeText(c.bytes).encoding) << c.name;
        EXPECT_EQ(back.text, "--x\r\n" + decodeText(c.bytes).text) << c.name;
        EXPECT_TRUE(f.port.messages.isEmpty()) << c.name << f.port.lastText().toStdString();
    }
}

TEST(SqlFileEncoding, ACharacterTheCodePageLacksSavesAsUtf8WithAMessage) {
    DocumentsFixture f;
    setLanguage(2);
    const QString path = f.write("legacy.sql", "select 'M\xFCller'");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
    f.editor.setCursorPosition(0, 0);
    f.type(QString::fromUtf8("-- Ω\n"));
    ASSERT_TRUE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.read("legacy.sql"), QString::fromUtf8("-- Ω\nselect 'Müller'").toUtf8());
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_EQ(f.port.lastText(), "The text holds characters that Windows-1252 cannot represent, so the file '" +
                                     path + "' was saved as UTF-8.");
    // From then on the document is UTF-8: no second message.
    f.type("x");
    ASSERT_TRUE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.port.messages.size(), 1);
}

TEST(SqlFileEncoding, WhatTheEditorCannotHoldIsRefusedAndLeftAlone) {
    DocumentsFixture f;
    setLanguage(2);
    const QByteArray nul("select 1\0 -- after", 18);
    const QString withNul = f.write("nul.sql", nul);
    EXPECT_FALSE(f.commands().cmdOpenSQLFile(true, withNul));
    EXPECT_EQ(f.port.lastText(), "The file '" + withNul +
                                     "' contains NUL characters and seems to be no text file; it is not opened.");
    EXPECT_EQ(f.read("nul.sql"), nul);

    const QString big = f.file("huge.sql");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(MaxSqlFileBytes + 1)); // sparse: costs no disk
    }
    EXPECT_FALSE(f.commands().cmdOpenSQLFile(true, big));
    EXPECT_EQ(f.port.lastText(), "The file '" + big + "' is 64 MB large; SQL files open up to 64 MB.");

    const QString fifo = f.file("pipe.sql");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(f.commands().cmdOpenSQLFile(true, fifo)); // returns at once, no waiting for a writer
    EXPECT_EQ(f.port.lastText(), invalidFileNameText());
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01"}));
}

TEST(SqlFileEncoding, AFiveMegabyteLineOpensAndSavesWhole) {
    DocumentsFixture f;
    const QByteArray line = "select '" + QByteArray(5 * 1024 * 1024, 'v') + "'";
    const QString path = f.write("long.sql", line);
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
    EXPECT_EQ(f.editor.text().size(), line.size());
    f.type("-");
    ASSERT_TRUE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.read("long.sql"), "-" + line);
}

} // namespace
