#include "app/mv_error.h"
#include "db/recordset_builder.h"
#include "results/csv_stream_writer.h"
#include "results/export_delimited.h"
#include "support/small_file_system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <atomic>

using namespace mv;

namespace {

const QList<FieldInfo> kFields = {
    FieldInfo{"id", ado::adInteger, 4},
    FieldInfo{"amount", ado::adDouble, 8},
    FieldInfo{"name \"quoted\"", ado::adVarWChar, 40},
    FieldInfo{"at", ado::adDBTimeStamp, 16},
    FieldInfo{"raw", ado::adVarBinary, 8},
};

// Appends the row the way the engines do: cell by cell, then endRow().
void appendRow(RecordsetBuilder& b, int i) {
    b.appendInt(0, i);
    if (i % 7 == 3)
        b.appendNull(1);
    else
        b.appendReal(1, i * 1.25 - 1000.5);
    const QString text = i % 5 == 0 ? QStringLiteral("semi;colon \"q\" %1").arg(i)
                                    : i % 5 == 1 ? QStringLiteral("line\r\nbreak ü %1").arg(i) : QString();
    if (i % 11 == 4)
        b.appendNull(2);
    else
        b.appendText(2, QStringView(text));
    b.appendDateTime(3, 2024, 2, 1 + i % 28, i % 24, i % 60, (i * 7) % 60, quint32(i % 1000) * 1000000u);
    b.appendBytes(4, QByteArrayView("\x01\x02", 2));
    b.endRow();
}

Recordset whole(int rows) {
    RecordsetBuilder b(kFields);
    for (int i = 0; i < rows; ++i) appendRow(b, i);
    return b.finish();
}

QByteArray exportedAsCsv(const Recordset& rs) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportSink sink(buffer);
    writeCsv(sink, rs, {}, ValueText(QLocale(QLocale::German, QLocale::Germany)), CsvExportOptions{});
    return buffer.data();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Collected : RowBlockSink {
    qsizetype size;
    explicit Collected(qsizetype s) : size(s) {}
    qsizetype blockRows() const override { return size; }
    void take(Recordset&& block, bool last) override {
        counts << block.recordCount();
        lasts << last;
        fieldCounts << block.fieldCount();
    }
    QList<int> counts;
    QList<bool> lasts;
    QList<int> fieldCounts;
};

TEST(RowBlocks, TheBuilderHandsOverFullBlocksThenTheRestAsTheLast) {
    struct Case {
        int rows;
        qsizetype block;
        QList<int> counts;
    };
    const Case cases[] = {
        {0, 4, {0}},          // a result without rows still ends with its (empty) last block
        {3, 4, {3}},          // less than one block
        {8, 4, {4, 4, 0}},    // exactly two blocks: the last one comes empty
        {10, 4, {4, 4, 2}},
        {5, 1, {1, 1, 1, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        Collected sink(c.block);
        RecordsetBuilder b(kFields);
        b.streamTo(&sink);
        for (int i = 0; i < c.rows; ++i) appendRow(b, i);
        const Recordset rest = b.finish();
        EXPECT_EQ(sink.counts, c.counts) << c.rows << " rows in blocks of " << c.block;
        ASSERT_FALSE(sink.lasts.isEmpty());
        EXPECT_TRUE(sink.lasts.last());
        EXPECT_EQ(sink.lasts.count(true), 1);
        EXPECT_EQ(sink.fieldCounts.count(int(kFields.size())), sink.fieldCounts.size());
        // What the statement returns keeps the result's fields, without rows.
        EXPECT_TRUE(rest.isOpen());
        EXPECT_EQ(rest.fieldCount(), kFields.size());
        EXPECT_EQ(rest.recordCount(), 0);
        EXPECT_EQ(rest.field(2).name, kFields[2].name);
    }
}

TEST(RowBlocks, WithoutASinkEndRowChangesNothing) {
    const Recordset rs = whole(25);
    EXPECT_EQ(rs.recordCount(), 25);
    EXPECT_EQ(rs.value(24, 0).toInt(), 24);
}

// The streamed file is byte for byte the CSV export of the whole result, whatever the block size.
TEST(CsvStream, TheFileIsTheExportOfTheWholeResultForEveryBlockSize) {
    const int rows = 103;
    const QByteArray expected = exportedAsCsv(whole(rows));
    for (qsizetype block : {qsizetype(1), qsizetype(2), qsizetype(10), qsizetype(102), qsizetype(103),
                            qsizetype(104), qsizetype(10000)}) {
        mvtest::TempFolder folder;
        const QString path = folder.file("out.csv");
        auto writer = std::make_shared<CsvStreamWriter>(path, QLocale(QLocale::German, QLocale::Germany),
                                                        CsvExportOptions{}, block);
        writer->start();
        RecordsetBuilder b(kFields);
        b.streamTo(writer.get());
        for (int i = 0; i < rows; ++i) appendRow(b, i);
        b.finish();
        EXPECT_TRUE(writer->complete());
        writer->commit();
        EXPECT_EQ(writer->rowsWritten(), rows) << block;
        EXPECT_EQ(readAll(path), expected) << "blocks of " << block;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
    }
}

TEST(CsvStream, AResultWithoutRowsGivesTheHeaderLine) {
    mvtest::TempFolder folder;
    const QString path = folder.file("empty.csv");
    CsvStreamWriter writer(path, QLocale::c(), CsvExportOptions{}, 4);
    writer.start();
    RecordsetBuilder b(kFields);
    b.streamTo(&writer);
    b.finish();
    writer.commit();
    EXPECT_EQ(readAll(path), QByteArray("\"id\";\"amount\";\"name \"\"quoted\"\"\";\"at\";\"raw\"\r\n"));
    EXPECT_EQ(writer.rowsWritten(), 0);
}

TEST(CsvStream, DiscardingOrDroppingKeepsTheEarlierFileAndLeavesNoTemporaryFile) {
    for (const bool explicitDiscard : {true, false}) {
        mvtest::TempFolder folder;
        const QString path = folder.write("kept.csv", "earlier content\r\n");
        {
            CsvStreamWriter writer(path, QLocale::c(), CsvExportOptions{}, 3);
            writer.start();
            RecordsetBuilder b(kFields);
            b.streamTo(&writer);
            // A stopped statement: blocks came, the last one never did.
            for (int i = 0; i < 20; ++i) appendRow(b, i);
            EXPECT_FALSE(writer.complete());
            if (explicitDiscard) writer.discard();
            // Without discard() the writer goes out of scope uncommitted.
        }
        EXPECT_EQ(readAll(path), QByteArray("earlier content\r\n"));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.csv"});
    }
}

TEST(CsvStream, AFullDiskStopsTheFetchKeepsTheEarlierFileAndSaysWhy) {
    mvtest::SmallFileSystem fs(256);
    MVTEST_REQUIRE_SMALL_FS(fs);
    const QString path = fs.file("big.csv");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the earlier export\r\n");
    }
    const QStringList before = fs.entries();
    CsvStreamWriter writer(path, QLocale::c(), CsvExportOptions{}, 500);
    std::atomic<bool> stopped{false};
    writer.stopFetch = [&] { stopped = true; };
    writer.start();
    RecordsetBuilder b(kFields);
    b.streamTo(&writer);
    // Far more than 256 KB of lines; the fetch ends as soon as it is told to stop.
    int i = 0;
    for (; i < 200000 && !stopped.load(); ++i) appendRow(b, i);
    EXPECT_TRUE(stopped.load()) << "the fetch was not stopped after " << i << " rows";
    EXPECT_TRUE(writer.failed());
    EXPECT_TRUE(writer.failure().contains(path)) << writer.failure().toStdString();
    EXPECT_THROW(writer.commit(), MvError);
    EXPECT_EQ(readAll(path), QByteArray("the earlier export\r\n"));
    EXPECT_EQ(fs.entries(), before);
}

TEST(CsvStream, AFileThatCannotBeCreatedIsRefusedBeforeAnyRow) {
    mvtest::TempFolder folder;
    const QString path = folder.file("no/such/folder/out.csv");
    CsvStreamWriter writer(path);
    try {
        writer.start();
        FAIL() << "started";
    } catch (const MvError& e) {
        EXPECT_EQ(e.number(), 75);
        EXPECT_TRUE(e.description().contains(path)) << e.description().toStdString();
    }
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
