#include "results/export_delimited.h"

namespace mv {
namespace {

const QString Placeholder = QStringLiteral("???");

// Runs between the quotes go in whole: most values have none.
void appendQuoted(QString& line, const QString& value) {
    line += u'"';
    qsizetype from = 0;
    for (qsizetype quote = value.indexOf(u'"'); quote >= 0; quote = value.indexOf(u'"', from)) {
        line += QStringView(value).sliced(from, quote + 1 - from);
        line += u'"';
        from = quote + 1;
    }
    line += QStringView(value).sliced(from);
    line += u'"';
}

void appendWithBreaks(QString& line, const QString& value, const QString& replacement) {
    if (replacement == QLatin1String("\r\n")) {
        line += value;
        return;
    }
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\r' || c == u'\n') {
            line += replacement;
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') ++i;
        } else {
            line += c;
        }
    }
}

// One line per row, one write per line: the header (when asked) from the captions, then the rows;
// binary fields give the placeholder. `cell` appends one value in the format's own form.
template <class Cell>
void writeDelimited(ExportSink& sink, const Recordset& rs, const ExportColumns& columns, bool header,
                    const QString& separator, const QString& rowTerminator, Cell cell, const ValueText& text) {
    QString line;
    if (header) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += separator;
            cell(line, columns[i].caption, true);
        }
        line += QLatin1String("\r\n");
        sink.write(line.toUtf8());
    }
    QList<bool> binary;
    for (const ExportColumn& c : columns)
        binary.append(isPlaceholderType(rs.field(c.field).type));
    const int rows = rs.recordCount();
    for (int row = 0; row < rows; ++row) {
        line.resize(0); // keeps the buffer: a line is about as long as the one before
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += separator;
            if (binary[i])
                line += Placeholder;
            else
                cell(line, text.text(rs, row, columns[i].field), false);
        }
        line += rowTerminator;
        sink.write(line.toUtf8());
    }
}

} // namespace

void writeCsv(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
              const CsvExportOptions& options) {
    writeDelimited(sink, rs, resolvedColumns(rs, wanted), options.header, options.delimiter,
                   QStringLiteral("\r\n"), [](QString& line, const QString& v, bool) { appendQuoted(line, v); },
                   text);
}

void writeText(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
               const TextExportOptions& options) {
    writeDelimited(sink, rs, resolvedColumns(rs, wanted), options.header, options.separator, options.rowTerminator,
                   [&options](QString& line, const QString& v, bool caption) {
                       // Captions go out as they are; values have their line breaks replaced.
                       if (caption) line += v;
                       else appendWithBreaks(line, v, options.lineBreak);
                   },
                   text);
}

} // namespace mv
