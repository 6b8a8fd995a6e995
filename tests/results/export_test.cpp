#include "app/globals.h"
#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_builder.h"
#include "db/recordset_xml.h"
#include "results/export_commands.h"
#include "results/export_file.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>

using namespace mv;

namespace {

const QLocale German(QLocale::German, QLocale::Germany);
const QLocale American(QLocale::English, QLocale::UnitedStates);

class Language {
  public:
    explicit Language(int lang) { setLanguage(lang); }
    ~Language() { setLanguage(2); }
};

// Counts what reaches the device: the largest single write shows whether an export streams.
class CountingDevice : public QIODevice {
  public:
    explicit CountingDevice(qint64 failAfter = -1) : m_failAfter(failAfter) { open(WriteOnly | Unbuffered); }
    qint64 largest = 0;
    qint64 total = 0;
    qint64 calls = 0;

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        if (m_failAfter >= 0 && total + len > m_failAfter) return -1;
        largest = std::max(largest, len);
        total += len;
        ++calls;
        return len;
    }

  private:
    qint64 m_failAfter;
};

template <class Write> QByteArray written(Write&& write) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportSink sink(buffer);
    write(sink);
    return buffer.data();
}

Recordset twoTexts(const QList<std::pair<QString, QString>>& rows) {
    RecordsetBuilder b({FieldInfo{"X", ado::adVarWChar, 1000}, FieldInfo{"Y", ado::adVarWChar, 1000}});
    for (const auto& [x, y] : rows)
        b.appendRow({x, y});
    return b.finish();
}

Recordset withBinary() {
    RecordsetBuilder b({FieldInfo{"ID", ado::adInteger}, FieldInfo{"Name", ado::adVarWChar, 50},
                        FieldInfo{"Pic", ado::adVarBinary, 10},
                        FieldInfo{"Price", ado::adNumeric, 19, 10, 2}});
    b.appendRow({1, "Anna \"A\"", QByteArray("\x01\x02", 2), "1234.5"});
    b.appendRow({2});
    return b.finish();
}

TEST(CsvExport, QuotesEveryValueDoublesQuotesAndLeavesBinaryUnquoted) {
    const QByteArray csv = written([](ExportSink& s) { writeCsv(s, withBinary(), {}, ValueText(German)); });
    EXPECT_EQ(csv, "\"ID\";\"Name\";\"Pic\";\"Price\"\r\n"
                   "\"1\";\"Anna \"\"A\"\"\";???;\"1234,50\"\r\n"
                   "\"2\";\"\";???;\"\"\r\n");
}

TEST(CsvExport, KeepsLineBreaksAndDelimitersInsideTheQuotesAndFollowsTheGridColumns) {
    const Recordset rs = twoTexts({{"a;b", "l1\r\nl2"}});
    const QByteArray csv = written([&](ExportSink& s) {
        writeCsv(s, rs, {{1, "Second"}, {0, "First \"1\""}}, ValueText(German));
    });
    EXPECT_EQ(csv, "\"Second\";\"First \"\"1\"\"\"\r\n\"l1\r\nl2\";\"a;b\"\r\n");
}

TEST(TextExport, WritesOneHeaderLineAndAllRowsOnOnePhysicalLine) {
    const Recordset rs = twoTexts({{"a", "b"}, {"c", "d"}});
    EXPECT_EQ(written([&](ExportSink& s) { writeText(s, rs, {}, ValueText(German)); }), "X|Y\r\na|b~c|d~");
}

TEST(TextExport, ReplacesEveryKindOfLineBreakAndWritesBinaryAsPlaceholder) {
    RecordsetBuilder b({FieldInfo{"T", ado::adVarWChar, 50}, FieldInfo{"B", ado::adLongVarBinary, 0}});
    b.appendRow({"1\r\n2\n3\r4", QByteArray("x")});
    const Recordset rs = b.finish();
    EXPECT_EQ(written([&](ExportSink& s) { writeText(s, rs, {}, ValueText(German)); }),
              "T|B\r\n1^^2^^3^^4|???~");
    TextExportOptions keep;
    keep.lineBreak = "\r\n";
    keep.header = false;
    EXPECT_EQ(written([&](ExportSink& s) { writeText(s, rs, {}, ValueText(German), keep); }),
              "1\r\n2\n3\r4|???~");
}

TEST(HtmlExport, WritesTheHtml401PageWithEscapedNamesAndValues) {
    RecordsetBuilder b({FieldInfo{"A<1>", ado::adVarWChar, 50}, FieldInfo{"Bin", ado::adBinary, 2}});
    b.appendRow({"<script>alert(\"x\") & y</script>", QByteArray("ab")});
    b.appendRow({});
    const QByteArray td = "<td style=\"border:1px solid Black;\">";
    const QByteArray expected =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN "
        "http://www.w3.org/TR/html4/loose.dtd\">\r\n"
        "<head>\r\n"
        "<title>Morvenda" +
        getVersion().toUtf8() +
        " - HTML Report</title>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\r\n"
        "</head>\r\n"
        "<body text=\"#000000\" link=\"#FF6600\" vlink=\"#000099\" alink=\"#FF0000\" leftmargin=\"0\" "
        "topmargin=\"0\" marginwidth=\"0\" marginheight=\"0\">\r\n"
        "<table width=\"100%\" align=\"left\" cellpadding=\"0\" cellspacing=\"0\" style=\"font-family: "
        "Arial, "
        "Verdana, Helvetica, sans-serif; font-size: 12px; text-align: left; border-collapse:collapse; "
        "border:1px solid Black;\">\r\n"
        "<tr>\r\n" +
        td + "<strong>A&lt;1&gt;</strong></td>" + td + "<strong>Bin</strong></td>\r\n</tr>\r\n<tr>\r\n" + td +
        "&lt;script&gt;alert(&quot;x&quot;) &amp; y&lt;/script&gt;</td>" + td +
        "???"
        "</td>\r\n</tr>\r\n<tr>\r\n" +
        td + "</td>" + td +
        "???"
        "</td>\r\n</tr>\r\n</table>\r\n</body>\r\n</html>\r\n";
    const Recordset rs = b.finish();
    EXPECT_EQ(written([&](ExportSink& s) { writeHtml(s, rs, {}, ValueText(German)); }), expected);
}

TEST(HtmlExport, XhtmlPrologDeclaresTheEncodingItIsWrittenIn) {
    HtmlExportOptions options;
    options.xhtml = true;
    options.header = false;
    const QByteArray page = written([&](ExportSink& s) {
        writeHtml(s, twoTexts({{"ä", "€"}}), {}, ValueText(German), options);
    });
    EXPECT_TRUE(
        page.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!DOCTYPE html PUBLIC "
                        "\"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
                        "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n<title>Morvenda"));
    EXPECT_TRUE(page.contains(" - XHTML Report</title>\r\n<meta http-equiv=\"Content-Type\" "
                              "content=\"text/html; charset=UTF-8\" />"));
    EXPECT_TRUE(page.contains(QString("ä</td>").toUtf8()));
    EXPECT_FALSE(page.contains("<strong>"));
}

TEST(RtfExport, WritesHeadingHeaderRowAndOneLinePerRecord) {
    RecordsetBuilder b({FieldInfo{"Name", ado::adVarWChar, 50}, FieldInfo{"Data", ado::adLongVarBinary, 0}});
    b.appendRow({"red apple", QByteArray("x")});
    const QByteArray border = "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx";
    const QByteArray expected =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\viewkind4\\uc1\\pard"
        "\\lang1031\\fs20Morvenda\r\n\\pard\r\n\\par\r\n"
        "\\trowd \\trgaph150\\trleft0\\trrh0\\trhdr\\trkeep" +
        border + "8300" + border + "16600\\pard\\b Name\\b0\\cell \\pard\\b Data\\b0\\cell \\row\r\n" +
        "\\trowd \\trgaph150\\trleft0\\trrh0\\trkeep" + border + "8300\\pard \\intbl red apple\\cell " +
        border + "16600\\pard \\intbl BINARY DATA\\cell \\row\r\n\\pard }\r\n";
    const Recordset rs = b.finish();
    EXPECT_EQ(written([&](ExportSink& s) { writeRtf(s, rs, {}, ValueText(German)); }), expected);
}

TEST(RtfExport, SharesThePageWidthEvenlyAmongTheColumns) {
    for (const auto& [count, edges] : std::vector<std::pair<int, QStringList>>{
             {5, {"3320", "6640", "9960", "13280", "16600"}},
             {7, {"2371", "4742", "7113", "9484", "11855", "14226", "16597"}}}) {
        RecordsetBuilder b;
        for (int i = 0; i < count; ++i)
            b.addField(FieldInfo{QString("F%1").arg(i), ado::adInteger});
        b.appendRow({});
        const Recordset rs = b.finish();
        const QString rtf = written([&](ExportSink& s) { writeRtf(s, rs, {}, ValueText(German)); });
        const QString headerLine = rtf.split("\r\n")[3];
        QStringList found;
        for (const auto& m : QRegularExpression("\\\\cellx(\\d+)").globalMatch(headerLine))
            found << m.captured(1);
        EXPECT_EQ(found, edges) << count;
    }
}

struct RtfCase {
    const char* value;
    const char* rtf;
};

TEST(RtfExport, CellTextKeepsTheThreeSwitchesAndShowsEverythingElseLiterally) {
    const RtfCase cases[] = {
        {"C:\\temp", "C:\\\\temp"},
        {"a\tb", "a\\tab b"},
        {"x\r\ny", "x\\par \\intbl y"},
        {"x\ny", "x\\line y"},
        {"{a}", "\\{a\\}"},
        {"\\b fett\\b0 normal", "\\b  fett\\b0  normal"},
        {"\\i kursiv", "\\i  kursiv"},
        {"\\bfett", "\\\\bfett"},
        {"\\ikursiv", "\\\\ikursiv"},
        {"\\b01", "\\b0 1"},
        {"^b^i^b0", "^b^i^b0"},
        {"\\\\b", "\\\\\\b "},
        // A backslash before a letter is text, not a switch.
        {"C:\\bin\\index", "C:\\\\bin\\\\index"},
        {"\\iend\\i", "\\\\iend\\i "},
        {"\\b0ld \\b", "\\\\b0ld \\b "},
        {"\\\\server\\bin", "\\\\\\\\server\\\\bin"},
        {"Grüße €", "Gr\\u252?\\u223?e \\u8364?"},
        {"\x01", "\\u1?"},
    };
    for (const RtfCase& c : cases)
        EXPECT_EQ(rtfCellText(QString::fromUtf8(c.value)), c.rtf) << c.value;
    EXPECT_EQ(rtfCellText(QString(QChar(0xFFFD))), "\\u-3?");
    EXPECT_EQ(rtfEscaped("\\b {x}"), "\\\\b \\{x\\}");
}

TEST(RtfExport, HeadingStartingWithADigitDoesNotJoinTheFontSize) {
    RtfExportOptions options;
    options.heading = "2024";
    const QByteArray rtf = written([&](ExportSink& s) {
        writeRtf(s, twoTexts({{"a", "b"}}), {}, ValueText(German), options);
    });
    EXPECT_TRUE(rtf.contains("\\fs20 2024\r\n"));
}

struct ValueCase {
    FieldInfo field;
    QVariant value;
    const char* german;
    const char* american;
};

TEST(ExportValueText, FollowsTheLocaleWithoutLosingDigitsYearsOrSeconds) {
    const QDateTime noon(QDate(2024, 1, 31), QTime(12, 34, 56), Qt::UTC);
    const ValueCase cases[] = {
        {{"D", ado::adDouble}, 1234.5, "1234,5", "1234.5"},
        {{"S", ado::adSingle}, 0.25, "0,25", "0.25"},
        {{"N", ado::adNumeric, 19, 10, 2}, "1234.5", "1234,50", "1234.50"},
        {{"C", ado::adCurrency}, "-1.0001", "-1,0001", "-1.0001"},
        {{"I", ado::adBigInt}, qlonglong(-9007199254740993), "-9007199254740993", "-9007199254740993"},
        {{"B", ado::adBoolean}, true, "True", "True"},
        {{"T", ado::adDBTimeStamp},
         QDateTime(QDate(2024, 1, 31), QTime(0, 0), Qt::UTC),
         "31.01.2024",
         "1/31/2024"},
        {{"T", ado::adDBTimeStamp}, noon, "31.01.2024 12:34:56", "1/31/2024 12:34:56 PM"},
        {{"T", ado::adDBTimeStamp},
         noon.addMSecs(125),
         "31.01.2024 12:34:56,125",
         "1/31/2024 12:34:56.125 PM"},
        {{"D", ado::adDBDate}, QDate(1924, 2, 29), "29.02.1924", "2/29/1924"},
        {{"T", ado::adDBTime}, QTime(7, 5, 0), "07:05:00", "7:05:00 AM"},
        {{"V", ado::adVarWChar, 10}, "a;\"b\"", "a;\"b\"", "a;\"b\""},
        {{"V", ado::adVarWChar, 10}, QVariant(), "", ""},
    };
    for (const ValueCase& c : cases) {
        RecordsetBuilder b({c.field});
        b.appendRow({c.value});
        const Recordset rs = b.finish();
        EXPECT_EQ(ValueText(German).text(rs, 0, 0), QString::fromUtf8(c.german)) << c.german;
        EXPECT_EQ(ValueText(American).text(rs, 0, 0), QString::fromUtf8(c.american)) << c.american;
    }
}

TEST(ExportStreaming, HundredThousandRowsAreWrittenOneRowAtATime) {
    constexpr int Rows = 100000;
    RecordsetBuilder b({FieldInfo{"ID", ado::adInteger}, FieldInfo{"Name", ado::adVarWChar, 50},
                        FieldInfo{"Amount", ado::adDouble}});
    b.reserve(Rows);
    for (int i = 0; i < Rows; ++i) {
        b.appendInt(0, i);
        b.appendText(1, QStringView(u"some name text"));
        b.appendReal(2, i * 0.5);
    }
    const Recordset rs = b.finish();
    const ValueText text(German);
    const std::vector<std::pair<const char*, std::function<void(ExportSink&)>>> formats = {
        {"csv", [&](ExportSink& s) { writeCsv(s, rs, {}, text); }},
        {"txt", [&](ExportSink& s) { writeText(s, rs, {}, text); }},
        {"html", [&](ExportSink& s) { writeHtml(s, rs, {}, text); }},
        {"rtf", [&](ExportSink& s) { writeRtf(s, rs, {}, text); }},
    };
    for (const auto& [name, write] : formats) {
        CountingDevice device;
        ExportSink sink(device);
        write(sink);
        EXPECT_GE(device.calls, Rows) << name;
        EXPECT_LT(device.largest, 2048) << name;
        EXPECT_GT(device.total, Rows * 20) << name;
    }
    CountingDevice xml;
    saveXml(rs, &xml);
    EXPECT_LT(xml.largest, 80 * 1024);
    EXPECT_GT(xml.total, 40 * xml.largest);
}

TEST(ExportSink, ADeviceThatTakesLessThanAllFailsTheExport) {
    CountingDevice device(100);
    ExportSink sink(device);
    try {
        writeCsv(sink, twoTexts({{"a", "b"}, {"c", "d"}, {QString(200, 'x'), "e"}}), {}, ValueText(German));
        FAIL() << "no error";
    } catch (const MvError& e) {
        EXPECT_EQ(e.number(), err::PathFileAccess);
    }
}

TEST(AtomicExportFile, AFailedWriteLeavesTheEarlierFileAndNoTemporaryFile) {
    mvtest::TempFolder folder;
    const QString path = folder.write("result.csv", "old content");
    EXPECT_THROW(writeFileAtomically(path,
                                     [](QIODevice& d) {
                                         d.write("new half");
                                         throw MvError(err::PathFileAccess, "disk full");
                                     }),
                 MvError);
    EXPECT_EQ(folder.read("result.csv"), "old content");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"result.csv"});

    writeFileAtomically(path, [](QIODevice& d) { d.write("new content"); });
    EXPECT_EQ(folder.read("result.csv"), "new content");
}

// ---- the commands ----

class ExportCommand : public ::testing::Test {
  protected:
    mvtest::ScriptedUserPort port;
    mvtest::TempFolder folder;
    QString shared;
    ResultExporter exporter{&shared, German};
};

TEST_F(ExportCommand, CsvWritesTheChosenFileAndOpensIt) {
    const QString path = folder.file("out.csv");
    port.files.push_back(path);
    EXPECT_TRUE(exporter.runCommand("kExportCSV", withBinary()));
    EXPECT_EQ(folder.read("out.csv"), "\"ID\";\"Name\";\"Pic\";\"Price\"\r\n"
                                      "\"1\";\"Anna \"\"A\"\"\";???;\"1234,50\"\r\n"
                                      "\"2\";\"\";???;\"\"\r\n");
    EXPECT_EQ(port.opened, QStringList{path});
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_FALSE(port.waitCursor);
    EXPECT_EQ(shared, path);
}

TEST_F(ExportCommand, TextAndHtmlOpenTheirFilesRtfAndXmlEndWithAMessage) {
    for (const char* key : {"kExportText", "kExportXHTML", "kExportRTF", "kExportXML"}) {
        port.files.push_back(folder.file(QString(key) + ".out"));
        EXPECT_TRUE(exporter.runCommand(key, withBinary())) << key;
        EXPECT_TRUE(QFile::exists(folder.file(QString(key) + ".out"))) << key;
    }
    EXPECT_EQ(port.opened, (QStringList{folder.file("kExportText.out"), folder.file("kExportXHTML.out")}));
    ASSERT_EQ(port.messages.size(), 2);
    for (const MessageRequest& m : port.messages) {
        EXPECT_EQ(m.text, "Export finished!");
        EXPECT_EQ(m.icon, MsgIcon::Information);
        EXPECT_EQ(m.title, "Morvenda");
    }
    Language german(1);
    port.files.push_back(folder.file("again.rtf"));
    exporter.ExportRecordsetAsRTFFile(withBinary());
    EXPECT_EQ(port.lastText(), "Export beendet!");
}

TEST_F(ExportCommand, AWrittenFileWithoutAViewerIsAnExportThatSucceeded) {
    port.openExternalResult = false;
    struct Case {
        const char* key;
        int language;
        const char* text;
    } cases[] = {
        {"kExportCSV", 2, "Export finished: %1\n\nThis desktop has no program set up to open this file."},
        {"kExportXHTML", 2, "Export finished: %1\n\nThis desktop has no program set up to open this file."},
        {"kExportText", 1,
         "Export beendet: %1\n\nAuf diesem Desktop ist kein Programm eingerichtet, das diese Datei öffnet."},
    };
    for (const Case& c : cases) {
        Language language(c.language);
        port.messages.clear();
        const QString path = folder.file(QString(c.key) + ".out");
        port.files.push_back(path);
        EXPECT_TRUE(exporter.runCommand(c.key, withBinary())) << c.key;
        EXPECT_TRUE(QFile::exists(path)) << c.key;
        ASSERT_EQ(port.messages.size(), 1) << c.key;
        const MessageRequest& m = port.messages.first();
        EXPECT_EQ(m.text, QString::fromUtf8(c.text).arg(path));
        EXPECT_EQ(m.icon, MsgIcon::Information) << "a note, not a warning";
        EXPECT_EQ(m.title, "Morvenda");
        EXPECT_FALSE(m.text.contains("Module")) << "no error report";
    }
}

struct DialogCase {
    const char* key;
    const char* english;
    const char* englishFilter;
    const char* german;
    const char* germanFilter;
    bool offersLastName;
};

TEST_F(ExportCommand, AsksWithTheTitleAndFilterOfEachFormat) {
    const DialogCase cases[] = {
        {"kExportCSV", "Save CSV File", "CSV file (*.csv) | *.csv", "CSV-Datei speichern",
         "CSV Datei (*.csv) | *.csv", false},
        {"kExportText", "Save TXT File", "TXT file (*.TXT) | *.TXT", "TXT-Datei speichern",
         "TXT Datei (*.TXT) | *.TXT", false},
        {"kExportXHTML", "Save HTML-Exportfile", "Exportfile (*.html) | *.html", "HTML-Exportdatei speichern",
         "Exportdatei (*.html) | *.html", false},
        {"kExportRTF", "Save RTF File", "RTF Exportfile (*.rtf) | *.rtf", "RTF Datei speichern",
         "RTF-Exportdatei (*.rtf) | *.rtf", true},
        {"kExportXML", "Save Export File", "Exportfile (*.xml) | *.xml", "XML-Exportdatei speichern",
         "XML-Exportdatei (*.xml) | *.xml", true},
    };
    shared = "/somewhere/last.file";
    for (const DialogCase& c : cases) {
        for (int lang : {2, 1}) {
            Language language(lang);
            port.fileRequests.clear();
            EXPECT_TRUE(exporter.runCommand(c.key, withBinary())) << c.key; // cancelled
            ASSERT_EQ(port.fileRequests.size(), 1);
            const FileDialogRequest& r = port.fileRequests[0];
            EXPECT_EQ(r.mode, FileDialogRequest::Save);
            EXPECT_EQ(r.title, lang == 1 ? c.german : c.english);
            EXPECT_EQ(r.filter, lang == 1 ? c.germanFilter : c.englishFilter);
            EXPECT_EQ(r.fileName, c.offersLastName ? shared : QString()) << c.key;
        }
    }
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_TRUE(port.opened.isEmpty());
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST_F(ExportCommand, AnEmptyResultAsksNothingAndWritesNothing) {
    RecordsetBuilder b({FieldInfo{"A", ado::adInteger}});
    const Recordset empty = b.finish();
    port.files.push_back(folder.file("never.csv"));
    for (const char* key : {"kExportCSV", "kExportText", "kExportXHTML", "kExportRTF", "kExportXML"}) {
        EXPECT_TRUE(exporter.runCommand(key, empty));
        EXPECT_TRUE(exporter.runCommand(key, Recordset()));
    }
    EXPECT_TRUE(port.fileRequests.isEmpty());
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_F(ExportCommand, AFileThatCannotBeWrittenIsReportedAndKeepsTheEarlierFile) {
    const QString blocked = folder.file("missing/out.csv");
    port.files.push_back(blocked);
    EXPECT_FALSE(exporter.ExportRecordsetAsCSVFile(withBinary()));
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().startsWith("The file '" + blocked + "' could not be written"))
        << port.lastText().toStdString();
    EXPECT_TRUE(port.lastText().endsWith(
        "[75]\r\nin Module {modResultview}\r\nin Function {ExportRecordsetAsCSVFile}"))
        << port.lastText().toStdString();
    EXPECT_TRUE(port.opened.isEmpty());
    EXPECT_FALSE(port.waitCursor);

    // A column the recordset does not have fails before the earlier file is touched.
    const QString path = folder.write("kept.txt", "earlier export");
    port.files.push_back(path);
    EXPECT_FALSE(exporter.ExportRecordsetAsTXTFile(withBinary(), {{0, "ID"}, {9, "nine"}}));
    EXPECT_EQ(folder.read("kept.txt"), "earlier export");
    EXPECT_TRUE(port.lastText().contains("{ExportRecordsetAsTXTFile}"));
}

TEST_F(ExportCommand, ExportsReadRowsWithoutMovingTheCursor) {
    Recordset rs = twoTexts({{"a", "b"}, {"c", "d"}});
    rs.moveNext();
    port.files.push_back(folder.file("x.csv"));
    EXPECT_TRUE(exporter.ExportRecordsetAsCSVFile(rs));
    EXPECT_EQ(rs.absolutePosition(), 2);
}

} // namespace
