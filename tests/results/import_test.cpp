#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_builder.h"
#include "db/recordset_xml.h"
#include "results/import_commands.h"
#include "results/import_csv.h"
#include "results/import_rtf.h"
#include "results/import_source.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

class Language {
  public:
    explicit Language(int lang) { setLanguage(lang); }
    ~Language() { setLanguage(2); }
};

QStringList names(const Recordset& rs) {
    QStringList out;
    for (const FieldInfo& f : rs.fields())
        out << f.name;
    return out;
}

QList<QStringList> rows(const Recordset& rs) {
    QList<QStringList> out;
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList row;
        for (int c = 0; c < rs.fieldCount(); ++c)
            row << rs.text(r, c);
        out << row;
    }
    return out;
}

QString failure(const std::function<void()>& body) {
    try {
        body();
    } catch (const MvError& e) {
        EXPECT_EQ(e.number(), rserr::LoadFromFile);
        return e.description();
    }
    return "no error";
}

// ---- CSV ----

struct CsvCase {
    const char* name;
    const char* text;
    QStringList names;
    QList<QStringList> rows;
};

TEST(CsvImport, ReadsValuesAsCsv) {
    const CsvCase cases[] = {
        {"export form", "\"A\";\"B\"\r\n\"1\";\"x\"\r\n", {"A", "B"}, {{"1", "x"}}},
        {"doubled quotes",
         "\"A\";\"B\"\r\n\"say \"\"hi\"\"\";\"\"\"\"\r\n",
         {"A", "B"},
         {{"say \"hi\"", "\""}}},
        {"delimiter in a value", "\"A;1\";\"B\"\r\n\"x;y\";\"z\"\r\n", {"A;1", "B"}, {{"x;y", "z"}}},
        {"line break in a value",
         "\"A\";\"B\"\r\n\"l1\r\nl2\";\"z\"\r\n\"n\";\"m\"\r\n",
         {"A", "B"},
         {{"l1\r\nl2", "z"}, {"n", "m"}}},
        {"empty values are NULL", "\"A\";\"B\";C\r\n\"\";;\r\n", {"A", "B", "C"}, {{"NULL", "NULL", "NULL"}}},
        {"plain header splits at the delimiter", "A;B\nx;y\n", {"A", "B"}, {{"x", "y"}}},
        {"no final line break, LF and CR ends", "A;B\ra;b\nc;d", {"A", "B"}, {{"a", "b"}, {"c", "d"}}},
        {"[U] in names is a blank", "\"First[U]Name\";B\r\n1;2\r\n", {"First Name", "B"}, {{"1", "2"}}},
        {"blank lines are skipped", "A;B\r\n\r\n1;2\r\n\r\n", {"A", "B"}, {{"1", "2"}}},
        {"inner quotes of a plain value stay",
         "A;B\r\n5\" disk;\"a \"quoted\" word\"\r\n",
         {"A", "B"},
         {{"5\" disk", "a \"quoted\" word"}}},
        {"byte-order mark", "\xEF\xBB\xBFX\r\n1\r\n", {"X"}, {{"1"}}},
    };
    for (const CsvCase& c : cases) {
        const Recordset rs = readCsvRecordset(decodeImportText(QByteArray(c.text)), ";", "f.csv");
        EXPECT_EQ(names(rs), c.names) << c.name;
        EXPECT_EQ(rows(rs), c.rows) << c.name;
    }
}

TEST(CsvImport, FieldsAreTextOf255CharactersOrOfTheLongestValue) {
    const QString longValue(1000, u'w');
    const Recordset rs = readCsvRecordset("A;B\r\nx;" + longValue + "\r\n", ";", "f.csv");
    EXPECT_EQ(rs.field(0), (FieldInfo{"A", ado::adVarChar, 255, 0, 0, true}));
    EXPECT_EQ(rs.field(1).type, ado::adVarChar);
    EXPECT_EQ(rs.field(1).definedSize, 1000);
    EXPECT_EQ(rs.text(0, 1), longValue);
}

TEST(CsvImport, AHeaderOnlyGivesFieldsWithoutRows) {
    const Recordset rs = readCsvRecordset("\"A\";\"B\"\r\n", ";", "f.csv");
    EXPECT_TRUE(rs.isOpen());
    EXPECT_EQ(names(rs), (QStringList{"A", "B"}));
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST(CsvImport, ReadsWindowsCodePageAndUtf16Files) {
    EXPECT_EQ(readCsvRecordset(decodeImportText("N\r\nM\xfc\x80\r\n"), ";", "f.csv").text(0, 0),
              QString::fromUtf8("Mü€"));
    QByteArray utf16 = "\xFF\xFE";
    const QString text = QString::fromUtf8("N\r\nGrüße\r\n");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(readCsvRecordset(decodeImportText(utf16), ";", "f.csv").text(0, 0), QString::fromUtf8("Grüße"));
}

struct BadCase {
    const char* name;
    QByteArray bytes;
    const char* english;
    const char* german;
};

TEST(CsvImport, BadFilesGiveAClearMessage) {
    const BadCase cases[] = {
        {"empty", "", "The file 'f.csv' is empty.", "Die Datei 'f.csv' ist leer."},
        {"blank", "\r\n \r\n", "The file 'f.csv' is empty.", "Die Datei 'f.csv' ist leer."},
        {"binary", QByteArray("PK\x03\x04\x00\x00", 6), "The file 'f.csv' is not a CSV file.",
         "Die Datei 'f.csv' ist keine CSV-Datei."},
        {"rtf", "{\\rtf1\\ansi x}", "The file 'f.csv' is not a CSV file.",
         "Die Datei 'f.csv' ist keine CSV-Datei."},
        {"xml", "<xml xmlns:s='x'>\r\n</xml>", "The file 'f.csv' is not a CSV file.",
         "Die Datei 'f.csv' ist keine CSV-Datei."},
        {"cut off", "\"A\";\"B\"\r\n\"1\";\"2\"\r\n\"3\";\"trunc",
         "The file 'f.csv' ends inside a quoted value that begins on line 3: it is incomplete.",
         "Die Datei 'f.csv' endet in einem Wert in Anführungszeichen, der in Zeile 3 beginnt: sie ist "
         "unvollständig."},
        {"more values", "A;B\r\n1;2\r\n1;2;3\r\n",
         "Line 3 of the file 'f.csv' has 3 values, but the header has 2.",
         "Zeile 3 der Datei 'f.csv' hat 3 Werte, die Kopfzeile aber 2."},
        {"fewer values", "A;B\r\n\"a\r\nb\";2\r\n1\r\n",
         "Line 4 of the file 'f.csv' has 1 values, but the header has 2.",
         "Zeile 4 der Datei 'f.csv' hat 1 Werte, die Kopfzeile aber 2."},
    };
    for (const BadCase& c : cases) {
        EXPECT_EQ(failure([&] { readCsvRecordset(decodeImportText(c.bytes), ";", "f.csv"); }), c.english)
            << c.name;
        Language german(1);
        EXPECT_EQ(failure([&] { readCsvRecordset(decodeImportText(c.bytes), ";", "f.csv"); }),
                  QString::fromUtf8(c.german))
            << c.name;
    }
}

// ---- RTF ----

TEST(RtfImport, ReadsTheExportedTableKeepingBlanksAndEscapes) {
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\viewkind4\\uc1\\pard"
        "\\lang1031\\fs20Morvenda\r\n\\pard\r\n\\par\r\n"
        "\\trowd \\trgaph150\\trleft0\\trrh0\\trhdr\\trkeep\\cellx8300\\cellx16600"
        "\\pard\\b Fruit\\b0\\cell \\pard\\b Gr\\u246?\\u223?e\\b0\\cell \\row\r\n"
        "\\trowd \\trgaph150\\trleft0\\trrh0\\trkeep\\cellx8300\\pard \\intbl red apple\\cell "
        "\\cellx16600\\pard \\intbl BINARY DATA\\cell \\row\r\n"
        "\\trowd \\trgaph150\\trleft0\\trrh0\\trkeep\\cellx8300\\pard \\intbl C:\\\\temp \\{x\\}\\tab "
        "y\\cell "
        "\\cellx16600\\pard \\intbl \\b fett\\b0  l1\\par \\intbl l2\\line l3 \\'e4\\u8364?\\cell \\row\r\n"
        "\\trowd \\trgaph150\\trleft0\\trrh0\\trkeep\\cellx8300\\pard \\intbl \\cell "
        "\\cellx16600\\pard \\intbl 12\\cell \\row\r\n"
        "\\pard }\r\n";
    const Recordset rs = readRtfTable(rtf, "f.rtf");
    EXPECT_EQ(names(rs), (QStringList{"Fruit", QString::fromUtf8("Größe")}));
    EXPECT_EQ(rows(rs), (QList<QStringList>{{"red apple", "BINARY DATA"},
                                            {"C:\\temp {x}\ty", QString::fromUtf8("fett l1\r\nl2\nl3 ä€")},
                                            {"", "12"}}));
    EXPECT_EQ(rs.field(1).type, ado::adVarChar);
    EXPECT_EQ(rs.field(1).definedSize, 255);
}

TEST(RtfImport, ReadsTheRowLayoutOfWordProcessors) {
    // Cells first, the row definition repeated in a group before \row; destinations skipped.
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\generator Writer;}{\\info{\\title T}}\r\n"
        "\\trowd\\irow0\\cellx1000\\cellx2000\\pard\\plain\\intbl{\\rtlch A\\cell}{B\\cell}"
        "\\pard\\plain\\intbl{\\trowd\\irow0\\cellx1000\\cellx2000\\row}\r\n"
        "\\trowd\\irow1\\cellx1000\\cellx2000\\pard\\plain\\intbl{x \\ldblquote "
        "y\\rdblquote\\cell}{\\u-3?z\\cell}"
        "\\pard\\plain\\intbl{\\trowd\\irow1\\cellx1000\\cellx2000\\row}\r\n"
        "\\pard\\par}";
    const Recordset rs = readRtfTable(rtf, "w.rtf");
    EXPECT_EQ(names(rs), (QStringList{"A", "B"}));
    EXPECT_EQ(rows(rs), (QList<QStringList>{{QString::fromUtf8("x “y”"), QString::fromUtf8("\uFFFDz")}}));
}

TEST(RtfImport, BadFilesGiveAClearMessage) {
    const BadCase cases[] = {
        {"empty", "", "The file 'f.rtf' is empty.", "Die Datei 'f.rtf' ist leer."},
        {"csv", "\"A\";\"B\"\r\n", "The file 'f.rtf' is not an RTF file.",
         "Die Datei 'f.rtf' ist keine RTF-Datei."},
        {"cut off", "{\\rtf1\\ansi\\trowd\\pard\\b A\\b0\\cell \\row\r\n\\trowd \\pard \\intbl 1\\ce",
         "The RTF file 'f.rtf' is incomplete: the document ends in the middle of its text.",
         "Die RTF-Datei 'f.rtf' ist unvollständig: das Dokument endet mitten im Text."},
        {"no table", "{\\rtf1\\ansi Hello\\par}", "The RTF file 'f.rtf' holds no table.",
         "Die RTF-Datei 'f.rtf' enthält keine Tabelle."},
        {"ragged", "{\\rtf1\\trowd A\\cell B\\cell\\row\\trowd 1\\cell 2\\cell 3\\cell\\row}",
         "Row 2 of the table in 'f.rtf' has 3 cells, but the header row has 2.",
         "Zeile 2 der Tabelle in 'f.rtf' hat 3 Zellen, die Kopfzeile aber 2."},
    };
    for (const BadCase& c : cases) {
        EXPECT_EQ(failure([&] { readRtfTable(c.bytes, "f.rtf"); }), c.english) << c.name;
        Language german(1);
        EXPECT_EQ(failure([&] { readRtfTable(c.bytes, "f.rtf"); }), QString::fromUtf8(c.german)) << c.name;
    }
}

// ---- the commands ----

class ImportCommand : public ::testing::Test {
  protected:
    mvtest::ScriptedUserPort port;
    mvtest::TempFolder folder;
    QString shared;
    ResultImporter importer{&shared};
};

TEST_F(ImportCommand, CsvGivesADetachedRecordsetAndTheFinishedMessage) {
    const QString path = folder.write("in.csv", "\"A\";\"B\"\r\n\"1\";\"\"\r\n\"2\";\"x\"\r\n");
    port.files.push_back(path);
    const ImportResult result = importer.runCommand("kImportCSV");
    ASSERT_TRUE(result.imported());
    EXPECT_TRUE(result.ranToEnd());
    EXPECT_EQ(rows(result.recordset), (QList<QStringList>{{"1", "NULL"}, {"2", "x"}}));
    EXPECT_EQ(result.recordset.absolutePosition(), 1);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.messages[0].text, "Import finished!");
    EXPECT_EQ(port.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(port.messages[0].title, "Morvenda");
    EXPECT_EQ(shared, path);
    EXPECT_FALSE(port.waitCursor);
}

TEST_F(ImportCommand, XmlReadsTheRecordsetsOwnFormWithTypesAndNulls) {
    RecordsetBuilder b(
        {FieldInfo{"ID", ado::adInteger, 4, 0, 0, false}, FieldInfo{"Price", ado::adNumeric, 19, 10, 2}});
    b.appendRow({7, "1.5"});
    b.appendRow({8});
    const QString path = folder.file("in.xml");
    saveXml(b.finish(), path);
    port.files.push_back(path);
    Language german(1);
    const ImportResult result = importer.ImportXMLFileIntoRecordset();
    ASSERT_TRUE(result.imported());
    EXPECT_EQ(result.recordset.field(1), (FieldInfo{"Price", ado::adNumeric, 19, 10, 2, true}));
    EXPECT_EQ(rows(result.recordset), (QList<QStringList>{{"7", "1.50"}, {"8", ""}}));
    EXPECT_TRUE(result.recordset.isNull(1, 1));
    EXPECT_EQ(port.lastText(), "Import abgeschlossen!");
}

TEST_F(ImportCommand, BadFilesAreReportedAndGiveNoRecordset) {
    const QString full = folder.file("full.xml");
    RecordsetBuilder b({FieldInfo{"ID", ado::adInteger}});
    for (int i = 0; i < 50; ++i)
        b.appendRow({i});
    saveXml(b.finish(), full);
    const QByteArray xml = folder.read("full.xml");
    struct Case {
        const char* key;
        QString path;
        const char* procedure;
    };
    const Case cases[] = {
        {"kImportXML", folder.write("cut.xml", xml.left(xml.size() / 2)), "ImportXMLFileIntoRecordset"},
        {"kImportXML", folder.write("csv.xml", "\"A\"\r\n\"1\"\r\n"), "ImportXMLFileIntoRecordset"},
        {"kImportRTF", folder.write("empty.rtf", ""), "ImportRTFFileIntoRecordset"},
        {"kImportCSV", folder.write("ragged.csv", "A;B\r\n1\r\n"), "ImportCSVFileIntoRecordset"},
        {"kImportCSV", folder.file("missing.csv"), "ImportCSVFileIntoRecordset"},
    };
    for (const Case& c : cases) {
        port.messages.clear();
        port.files.push_back(c.path);
        const ImportResult result = importer.runCommand(c.key);
        EXPECT_EQ(result.outcome, ImportResult::Outcome::Failed) << c.path.toStdString();
        EXPECT_FALSE(result.recordset.isOpen());
        ASSERT_EQ(port.messages.size(), 1) << c.path.toStdString();
        EXPECT_TRUE(port.lastText().endsWith(
            QString("in Module {modResultview}\r\nin Function {%1}").arg(c.procedure)))
            << port.lastText().toStdString();
        EXPECT_FALSE(port.waitCursor);
    }
    EXPECT_FALSE(QFile::exists(folder.file("missing.csv")));
    EXPECT_TRUE(port.lastText().startsWith("The file '" + folder.file("missing.csv") + "' was not found."));
}

struct ImportDialogCase {
    const char* key;
    const char* english;
    const char* englishFilter;
    const char* german;
    const char* germanFilter;
};

TEST_F(ImportCommand, CancelReadsNothingAndAsksWithTheTitleAndFilterOfEachFormat) {
    const ImportDialogCase cases[] = {
        {"kImportXML", "Open Import File", "Importfile (*.xml) | *.xml", "XML-Importdatei öffnen",
         "XML-Importdatei (*.xml) | *.xml"},
        {"kImportRTF", "Open RTF Import File", "RTF Importfile (*.rtf) | *.rtf", "RTF-Importdatei öffnen",
         "RTF-Importdatei (*.rtf) | *.rtf"},
        {"kImportCSV", "Open CSV Import File", "CSV Importfile (*.csv) | *.csv", "CSV-Importdatei öffnen",
         "CSV-Importdatei (*.csv) | *.csv"},
    };
    for (const ImportDialogCase& c : cases) {
        for (int lang : {2, 1}) {
            Language language(lang);
            port.fileRequests.clear();
            const ImportResult result = importer.runCommand(c.key);
            EXPECT_EQ(result.outcome, ImportResult::Outcome::Cancelled);
            EXPECT_TRUE(result.ranToEnd());
            ASSERT_EQ(port.fileRequests.size(), 1);
            EXPECT_EQ(port.fileRequests[0].mode, FileDialogRequest::Open);
            EXPECT_EQ(port.fileRequests[0].title, QString::fromUtf8(lang == 1 ? c.german : c.english));
            EXPECT_EQ(port.fileRequests[0].filter, lang == 1 ? c.germanFilter : c.englishFilter);
        }
    }
    EXPECT_TRUE(port.messages.isEmpty());
}

} // namespace
