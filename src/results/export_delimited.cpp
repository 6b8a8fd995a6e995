#include "results/export_delimited.h"

namespace mv {
namespace {

const QString Placeholder = QStringLiteral("???");

void appendQuoted(QString& line, const QString& value) {
    line += u'"';
    for (QChar c : value) {
        if (c == u'"') line += u'"';
        line += c;
    }
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

} // namespace

void writeCsv(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
              const CsvExportOptions& options) {
    const ExportColumns columns = resolvedColumns(rs, wanted);
    QString line;
    if (options.header) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += options.delimiter;
            appendQuoted(line, columns[i].caption);
        }
        line += QLatin1String("\r\n");
        sink.write(line.toUtf8());
    }
    QList<bool> binary;
    for (const ExportColumn& c : columns)
        binary.append(isPlaceholderType(rs.field(c.field).type));
    const int rows = rs.recordCount();
    for (int row = 0; row < rows; ++row) {
        line.clear();
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += options.delimiter;
            if (binary[i])
                line += Placeholder;
            else
                appendQuoted(line, text.text(rs, row, columns[i].field));
        }
        line += QLatin1String("\r\n");
        sink.write(line.toUtf8());
    }
}

void writeText(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
               const TextExportOptions& options) {
    const ExportColumns columns = resolvedColumns(rs, wanted);
    QString line;
    if (options.header) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += options.separator;
            line += columns[i].caption;
        }
        line += QLatin1String("\r\n");
        sink.write(line.toUtf8());
    }
    QList<bool> binary;
    for (const ExportColumn& c : columns)
        binary.append(isPlaceholderType(rs.field(c.field).type));
    const int rows = rs.recordCount();
    for (int row = 0; row < rows; ++row) {
        line.clear();
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += options.separator;
            if (binary[i])
                line += Placeholder;
            else
                appendWithBreaks(line, text.text(rs, row, columns[i].field), options.lineBreak);
        }
        line += options.rowTerminator;
        sink.write(line.toUtf8());
    }
}

} // namespace mv
