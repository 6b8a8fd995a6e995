// Exports stay readable whatever the names and values hold: the XML is well-formed (checked by
// xmllint, which we did not write) and reads back the same; a text export's header is one line.
#include "db/recordset_builder.h"
#include "db/recordset_xml.h"
#include "results/export_delimited.h"
#include "support/temp_folder.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace mv;

namespace {

TEST(ExportXml, ControlCharactersLeaveTheFileWellFormedAndComeBack) {
    QString controls;
    for (char16_t c = 0; c < 0x20; ++c) controls += QChar(c);
    const QString awkward = controls + QChar(0xFFFE) + QChar(0xFFFF) + QString::fromUcs4(U"\U0010FFFDA\U0010FFFD") + "end";
    RecordsetBuilder b({FieldInfo{QString("name\x01with\x1f"), ado::adVarWChar, 200}, FieldInfo{"n", ado::adInteger}});
    b.appendRow({awkward, 1});
    b.appendRow({QString("\x07"), 2});
    const Recordset rs = b.finish();
    mvtest::TempFolder dir;
    const QString path = dir.file("export.xml");
    saveXml(rs, path);
    const QByteArray written = dir.read("export.xml");
    for (char c = 1; c < 0x20; ++c)
        if (c != '\t' && c != '\n' && c != '\r') EXPECT_FALSE(written.contains(c)) << int(c);

    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty()) {
        ADD_FAILURE() << "xmllint is missing (package libxml2-utils)";
    } else {
        QProcess lint;
        lint.start(xmllint, {"--noout", path});
        ASSERT_TRUE(lint.waitForFinished(30000));
        EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().constData();
    }
    const Recordset back = loadXml(path);
    EXPECT_EQ(back.fields(), rs.fields());
    ASSERT_EQ(back.recordCount(), 2);
    EXPECT_EQ(back.text(0, 0), awkward);
    EXPECT_EQ(back.text(1, 0), "\x07");
}

TEST(ExportText, AColumnNameWithALineBreakKeepsTheHeaderOnOneLine) {
    RecordsetBuilder b({FieldInfo{"first\r\nname", ado::adVarWChar, 20}, FieldInfo{"last\nname", ado::adVarWChar, 20}});
    b.appendRow({"Anna\nMaria", "Meyer"});
    const Recordset rs = b.finish();
    struct Case {
        QString lineBreak;
        QByteArray written;
    };
    const Case cases[] = {
        {"^^", "first^^name|last^^name\r\nAnna^^Maria|Meyer~"},
        {"\r\n", "first name|last name\r\nAnna\nMaria|Meyer~"},
        {"\n", "first name|last name\r\nAnna\nMaria|Meyer~"},
    };
    for (const Case& c : cases) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ExportSink sink(buffer);
        TextExportOptions options;
        options.lineBreak = c.lineBreak;
        writeText(sink, rs, {}, ValueText(QLocale::c()), options);
        EXPECT_EQ(buffer.data(), c.written) << c.lineBreak.toStdString();
    }
}

} // namespace
