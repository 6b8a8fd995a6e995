// A result written by an export and read back by the matching import gives the same names and
// values (CSV and RTF as texts, XML with its types and Nulls).
#include "db/recordset_builder.h"
#include "results/export_commands.h"
#include "results/import_commands.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

const QString LongValue = QString("0123456789").repeated(70);

// Names and values that break naive writers and readers.
Recordset awkward() {
    RecordsetBuilder b({FieldInfo{"Größe €", ado::adVarWChar, 2000},
                        FieldInfo{"say \"hi\"; ok", ado::adVarWChar, 2000},
                        FieldInfo{"C:\\dir {x}", ado::adVarWChar, 2000}});
    const QList<QVariantList> rows = {
        {"Grüße € 日本", "a \"quoted\" text", "C:\\temp\\new {braces}"},
        {"semi;colon", "\"\"", "line one\r\nline two"},
        {"red apple", "tab\there", LongValue},
        {"  blanks  ", "'single' & <angle>", "trailing backslash \\"},
        {"\"", ";", "x"},
        {"C:\\bin\\index", "\\\\server\\info", "\\b0ld \\italic"},
    };
    for (const QVariantList& r : rows)
        b.appendRow(r);
    return b.finish();
}

QStringList names(const Recordset& rs) {
    QStringList out;
    for (const FieldInfo& f : rs.fields())
        out << f.name;
    return out;
}

QList<QStringList> texts(const Recordset& rs) {
    QList<QStringList> out;
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList row;
        for (int c = 0; c < rs.fieldCount(); ++c)
            row << rs.text(r, c);
        out << row;
    }
    return out;
}

class RoundTrip : public ::testing::Test {
  protected:
    Recordset through(const char* exportKey, const char* importKey, const Recordset& rs) {
        const QString path = folder.file(QString(exportKey) + ".out");
        port.files.push_back(path);
        EXPECT_TRUE(exporter.runCommand(exportKey, rs));
        port.files.push_back(path);
        const ImportResult result = importer.runCommand(importKey);
        EXPECT_TRUE(result.imported()) << port.lastText().toStdString();
        return result.recordset;
    }

    mvtest::ScriptedUserPort port;
    mvtest::TempFolder folder;
    ResultExporter exporter{nullptr, QLocale(QLocale::German, QLocale::Germany)};
    ResultImporter importer;
};

TEST_F(RoundTrip, CsvGivesBackNamesAndValues) {
    const Recordset original = awkward();
    const Recordset back = through("kExportCSV", "kImportCSV", original);
    EXPECT_EQ(names(back), names(original));
    EXPECT_EQ(texts(back), texts(original));
    EXPECT_EQ(back.field(2).definedSize, LongValue.size());
}

TEST_F(RoundTrip, RtfGivesBackNamesAndValues) {
    const Recordset original = awkward();
    const Recordset back = through("kExportRTF", "kImportRTF", original);
    EXPECT_EQ(names(back), names(original));
    EXPECT_EQ(texts(back), texts(original));
}

TEST_F(RoundTrip, XmlGivesBackTypesValuesAndNulls) {
    RecordsetBuilder b({FieldInfo{"ID", ado::adInteger, 4, 0, 0, false},
                        FieldInfo{"Name", ado::adVarWChar, 2000}, FieldInfo{"When", ado::adDBTimeStamp},
                        FieldInfo{"Amount", ado::adDouble}, FieldInfo{"Raw", ado::adVarBinary, 8}});
    b.appendRow({1, "Grüße \"€\" <&>\r\n\t'x'", QDateTime(QDate(2024, 1, 31), QTime(12, 34, 56), Qt::UTC),
                 0.1, QByteArray("\x00\xff", 2)});
    b.appendRow({2, LongValue});
    b.appendRow({3, ""});
    const Recordset original = b.finish();
    const Recordset back = through("kExportXML", "kImportXML", original);
    EXPECT_EQ(back.fields(), original.fields());
    EXPECT_EQ(texts(back), texts(original));
    for (int r = 0; r < original.recordCount(); ++r)
        for (int c = 0; c < original.fieldCount(); ++c)
            EXPECT_EQ(back.isNull(r, c), original.isNull(r, c)) << r << "," << c;
}

TEST_F(RoundTrip, EmptyValuesComeBackAsNullTextFromCsvAndEmptyFromRtf) {
    RecordsetBuilder b({FieldInfo{"A", ado::adVarWChar, 10}, FieldInfo{"B", ado::adInteger}});
    b.appendRow({"", QVariant()});
    const Recordset original = b.finish();
    EXPECT_EQ(texts(through("kExportCSV", "kImportCSV", original)), (QList<QStringList>{{"NULL", "NULL"}}));
    EXPECT_EQ(texts(through("kExportRTF", "kImportRTF", original)), (QList<QStringList>{{"", ""}}));
}

} // namespace
