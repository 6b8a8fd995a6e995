#include "db/recordset_builder.h"
#include "results/export_delimited.h"

#include <gtest/gtest.h>

#include <QBuffer>

using namespace mv;

namespace {

TEST(ExportCsvQuoting, EveryInnerQuoteIsDoubledWhereverItStands) {
    struct Case {
        const char16_t* value;
        const char* written;
    };
    const Case cases[] = {
        {u"", "\"\""},
        {u"\"", "\"\"\"\""},
        {u"\"\"", "\"\"\"\"\"\""},
        {u"\"a", "\"\"\"a\""},
        {u"a\"", "\"a\"\"\""},
        {u"a\"b\"\"c", "\"a\"\"b\"\"\"\"c\""},
        {u"ä;€\r\n\"x\"", "\"ä;€\r\n\"\"x\"\"\""},
    };
    for (const Case& c : cases) {
        RecordsetBuilder b({FieldInfo{"V", ado::adVarWChar, 100}});
        b.appendText(0, QStringView(c.value));
        const Recordset rs = b.finish();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ExportSink sink(buffer);
        writeCsv(sink, rs, {}, ValueText(QLocale::c()), CsvExportOptions{false});
        EXPECT_EQ(buffer.data(), QByteArray(c.written) + "\r\n") << c.written;
    }
}

} // namespace
