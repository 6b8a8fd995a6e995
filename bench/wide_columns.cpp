// Wide results: a CSV of N columns and one row imported, bound to the result grid and saved and
// read back as recordset XML, for N = 12,500 .. 100,000. Each step must grow linearly with N: the
// figures for doubling N should roughly double. Prints one line per N:
//   columns  import_s  bind_s  xml_save_s  xml_load_s
// Runs offscreen (QT_QPA_PLATFORM=offscreen is set when nothing else is).
#include "db/recordset_xml.h"
#include "results/import_csv.h"
#include "results/result_grid_widget.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <cstdio>

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

double seconds(QElapsedTimer& t) {
    const double s = double(t.nsecsElapsed()) / 1e9;
    t.restart();
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("%8s %9s %9s %11s %11s\n", "columns", "import_s", "bind_s", "xml_save_s", "xml_load_s");
    for (int columns = 12'500; columns <= 100'000; columns *= 2) {
        const QString csv = wideCsv(columns);
        QElapsedTimer t;
        t.start();
        const mv::Recordset rs = mv::readCsvRecordset(csv, QStringLiteral(";"), QStringLiteral("wide.csv"));
        const double import = seconds(t);
        mv::ResultGridWidget grid;
        grid.resize(800, 500);
        grid.show();
        grid.setRecordset(rs);
        QApplication::processEvents();
        const double bind = seconds(t);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        mv::saveXml(rs, &buffer);
        const double save = seconds(t);
        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        const mv::Recordset back = mv::loadXml(&buffer, QStringLiteral("wide.xml"));
        const double load = seconds(t);
        if (back.fieldCount() != columns || rs.fieldCount() != columns) return 1;
        std::printf("%8d %9.2f %9.2f %11.2f %11.2f\n", columns, import, bind, save, load);
        std::fflush(stdout);
    }
    return 0;
}
