// Wide results: a CSV of N columns and one row imported, bound to the result grid and saved and
// read back as recordset XML, for N = 12,500 .. 100,000 (or the counts given as arguments). Each
// step must grow linearly with N: the figures for doubling N should roughly double. Prints one
// line per N, each step as wall seconds and, in brackets, the process's CPU seconds (what counts
// on a busy machine):
//   columns  import_s  bind_s  xml_save_s  xml_load_s  xml_parser_s
// xml_parser_s is the same reading with the XML parser's own attribute handling for the rows, the
// quadratic yardstick (only up to 25,000 columns: beyond, it takes minutes).
// Runs offscreen (QT_QPA_PLATFORM=offscreen is set when nothing else is).
#include "db/recordset_xml.h"
#include "results/import_csv.h"
#include "results/result_grid_widget.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

QString wideCsv(int columns) {
    QString header, values;
    for (int c = 0; c < columns; ++c) {
        if (c) header += u';', values += u';';
        header += QStringLiteral("col%1").arg(c);
        values += QString::number(c % 1000);
    }
    return header + QStringLiteral("\r\n") + values + QStringLiteral("\r\n");
}

double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Wall and CPU seconds since the last call.
struct Step {
    QElapsedTimer wall;
    double cpu = cpuNow();
    Step() { wall.start(); }
    QByteArray next() {
        const double w = double(wall.nsecsElapsed()) / 1e9;
        const double c = cpuNow();
        const QByteArray text = QByteArray::number(w, 'f', 2) + " (" + QByteArray::number(c - cpu, 'f', 2) + ")";
        wall.restart();
        cpu = c;
        return text;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        if (const int n = QByteArray(argv[i]).toInt(); n > 0) counts.push_back(n);
    if (counts.empty()) counts = {12'500, 25'000, 50'000, 100'000};
    std::printf("%8s %14s %14s %14s %14s %14s\n", "columns", "import_s", "bind_s", "xml_save_s", "xml_load_s",
                "xml_parser_s");
    for (const int columns : counts) {
        const QString csv = wideCsv(columns);
        Step t;
        const mv::Recordset rs = mv::readCsvRecordset(csv, QStringLiteral(";"), QStringLiteral("wide.csv"));
        const QByteArray import = t.next();
        QByteArray bind;
        {
            mv::ResultGridWidget grid;
            grid.resize(800, 500);
            grid.show();
            grid.setRecordset(rs);
            QApplication::processEvents();
            bind = t.next();
        }
        t.next(); // closing the grid is not counted
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        mv::saveXml(rs, &buffer);
        const QByteArray save = t.next();
        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        const mv::Recordset back = mv::loadXml(&buffer, QStringLiteral("wide.xml"));
        const QByteArray load = t.next();
        QByteArray parser = "-";
        if (columns <= 25'000) {
            buffer.close();
            buffer.open(QIODevice::ReadOnly);
            if (mv::xmlrs::loadXmlParserOnly(&buffer, QStringLiteral("wide.xml")).fieldCount() != columns) return 1;
            parser = t.next();
        }
        if (back.fieldCount() != columns || rs.fieldCount() != columns) return 1;
        std::printf("%8d %14s %14s %14s %14s %14s\n", columns, import.constData(), bind.constData(),
                    save.constData(), load.constData(), parser.constData());
        std::fflush(stdout);
    }
    return 0;
}
