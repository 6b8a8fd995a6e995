#include "db/recordset_builder.h"
#include "results/export_delimited.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>

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

namespace {

// A line as the exports wrote it before they worked on bytes: each cell's text as a string,
// quoted, the line converted to UTF-8 as a whole. The byte writer must give the same bytes.
QByteArray referenceCsv(const Recordset& rs, const ValueText& text, const QString& delimiter) {
    QString out;
    for (int row = 0; row < rs.recordCount(); ++row) {
        for (int col = 0; col < rs.fieldCount(); ++col) {
            if (col > 0) out += delimiter;
            if (isPlaceholderType(rs.field(col).type)) {
                out += QStringLiteral("???");
                continue;
            }
            QString v = text.text(rs, row, col);
            v.replace(u'"', QStringLiteral("\"\""));
            out += u'"' + v + u'"';
        }
        out += QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

Recordset mixedRows(quint32 seed) {
    RecordsetBuilder b({FieldInfo{"id", ado::adBigInt}, FieldInfo{"flag", ado::adBoolean},
                        FieldInfo{"price", ado::adDouble}, FieldInfo{"ratio", ado::adSingle},
                        FieldInfo{"amount", ado::adNumeric, 0, 12, 3}, FieldInfo{"name", ado::adVarWChar, 40},
                        FieldInfo{"at", ado::adDBTimeStamp}, FieldInfo{"day", ado::adDBDate},
                        FieldInfo{"clock", ado::adDBTime}, FieldInfo{"blob", ado::adVarBinary, 8}});
    const QStringList names{QStringLiteral("plain"), QStringLiteral("with \"quotes\""), QString::fromUtf8("Grüße €"),
                            QStringLiteral("semi;colon"), QStringLiteral("line\r\nbreak"), QString(),
                            QString::fromUtf8("日本語 \"x\"")};
    quint32 s = seed;
    auto next = [&s] { return s = s * 1664525u + 1013904223u; };
    for (int i = 0; i < 200; ++i) {
        const bool nulls = next() % 7 == 0;
        const double price = (double(next() % 2000000) - 1000000.0) / 1000.0;
        b.appendRow({nulls ? QVariant() : QVariant(qint64(next()) * (i % 2 ? -1 : 1) * 100003LL),
                     nulls ? QVariant() : QVariant(bool(next() % 2)),
                     nulls ? QVariant() : QVariant(i % 11 == 0 ? 1e300 * price : price),
                     QVariant(float(price) / 3.0f),
                     nulls ? QVariant() : QVariant(QStringLiteral("%1.%2").arg(int(next() % 100000) - 50000).arg(next() % 1000)),
                     names[int(next() % names.size())],
                     QVariant(QDateTime(QDate(1990 + int(next() % 40), 1 + int(next() % 12), 1 + int(next() % 28)),
                                        QTime(int(next() % 24), int(next() % 60), int(next() % 60), i % 3 ? 0 : int(next() % 1000)))),
                     QVariant(QDate(2000 + int(next() % 30), 1 + int(next() % 12), 1 + int(next() % 28))),
                     QVariant(QTime(int(next() % 24), int(next() % 60), int(next() % 60))),
                     QVariant(QByteArray("\x01\x02", 2))});
    }
    return b.finish();
}

} // namespace

TEST(ExportCsvBytes, WritesWhatTheCellTextsSayInEveryLocale) {
    const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                               QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::Arabic, QLocale::Egypt), QLocale(QLocale::French, QLocale::Switzerland)};
    for (quint32 seed : {1u, 77u}) {
        Recordset rs = mixedRows(seed);
        for (const QLocale& locale : locales) {
            for (const QString& delimiter : {QStringLiteral(";"), QString::fromUtf8("¦")}) {
                const ValueText text(locale);
                QBuffer buffer;
                buffer.open(QIODevice::WriteOnly);
                ExportSink sink(buffer);
                writeCsv(sink, rs, {}, text, CsvExportOptions{false, delimiter});
                EXPECT_EQ(buffer.data(), referenceCsv(rs, text, delimiter))
                    << locale.name().toStdString() << " seed " << seed;
            }
        }
        // Sorted rows come out in the recordset's order.
        rs.setSort(QStringLiteral("name DESC, id"));
        const ValueText text(QLocale::c());
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ExportSink sink(buffer);
        writeCsv(sink, rs, {}, text, CsvExportOptions{false});
        EXPECT_EQ(buffer.data(), referenceCsv(rs, text, QStringLiteral(";")));
    }
}

TEST(ExportCsvBytes, TextThatIsNoUtf8IsWrittenAsItReads) {
    RecordsetBuilder b({FieldInfo{"V", ado::adVarWChar, 100}});
    b.appendText(0, std::string_view("ok \xff\xfe bad"));
    const Recordset rs = b.finish();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportSink sink(buffer);
    writeCsv(sink, rs, {}, ValueText(QLocale::c()), CsvExportOptions{false});
    EXPECT_EQ(buffer.data(), ("\"" + rs.text(0, 0) + "\"\r\n").toUtf8());
}

// A caption's line break would split the header line: it is replaced like a value's, by a blank
// when the replacement is itself a line break.
TEST(ExportTextBytes, LineBreaksAreReplacedAndTheHeaderStaysOneLine) {
    RecordsetBuilder b({FieldInfo{"a\nb", ado::adVarWChar, 100}, FieldInfo{"n", ado::adInteger}});
    b.appendRow({QString::fromUtf8("x\r\ny\nz\rw ü"), 5});
    b.appendRow({QString(), QVariant()});
    const Recordset rs = b.finish();
    struct Case {
        QString lineBreak;
        QByteArray written;
    };
    const Case cases[] = {
        {QStringLiteral("^^"), QByteArray("a^^b|n\r\nx^^y^^z^^w \xc3\xbc|5~|~")},
        {QString::fromUtf8("¶"), QByteArray("a\xc2\xb6" "b|n\r\nx\xc2\xb6y\xc2\xb6z\xc2\xb6w \xc3\xbc|5~|~")},
        {QStringLiteral("\r\n"), QByteArray("a b|n\r\nx\r\ny\nz\rw \xc3\xbc|5~|~")},
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
