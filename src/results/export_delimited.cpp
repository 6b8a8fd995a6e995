#include "results/export_delimited.h"

#include <cstring>

namespace mv {
namespace {

const QByteArray Placeholder = QByteArrayLiteral("???");

// Doubles the quotes of the value that starts at `from` and closes it in quotes; most values have
// none, so they stay where they were written.
void quoteFrom(QByteArray& line, qsizetype from) {
    qsizetype quote = line.indexOf('"', from);
    if (quote >= 0) {
        QByteArray doubled;
        doubled.reserve(line.size() - from + 8);
        qsizetype run = from;
        for (; quote >= 0; quote = line.indexOf('"', run)) {
            doubled.append(line.constData() + run, quote + 1 - run);
            doubled.append('"');
            run = quote + 1;
        }
        doubled.append(line.constData() + run, line.size() - run);
        line.resize(from);
        line += doubled;
    }
    line.insert(from, '"');
    line.append('"');
}

// Replaces the line breaks (CR LF, LF or CR) of the value that starts at `from`.
void replaceBreaksFrom(QByteArray& line, qsizetype from, const QByteArray& replacement) {
    if (replacement == "\r\n") return;
    const char* begin = line.constData() + from;
    const qsizetype size = line.size() - from;
    if (!std::memchr(begin, '\r', size_t(size)) && !std::memchr(begin, '\n', size_t(size))) return;
    const QByteArray value = line.sliced(from);
    line.resize(from);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            line += replacement;
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
}

// One line per row, one write per line, built as UTF-8 straight from the columns: the header
// (when asked) from the captions, then the rows; binary fields give the placeholder. `finish`
// brings the value written from a position into the format's own form.
template <class Finish>
void writeDelimited(ExportSink& sink, const Recordset& rs, const ExportColumns& columns, bool header,
                    const QString& separator, const QString& rowTerminator, Finish finish, const ValueText& text) {
    const QByteArray sep = separator.toUtf8();
    const QByteArray end = rowTerminator.toUtf8();
    QByteArray line;
    if (header) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += sep;
            const qsizetype from = line.size();
            line += columns[i].caption.toUtf8();
            finish(line, from, true);
        }
        line += "\r\n";
        sink.write(line);
    }
    std::vector<bool> binary;
    for (const ExportColumn& c : columns)
        binary.push_back(isPlaceholderType(rs.field(c.field).type));
    const int rows = rs.recordCount();
    for (int row = 0; row < rows; ++row) {
        line.resize(0); // keeps the buffer: a line is about as long as the one before
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += sep;
            if (binary[size_t(i)]) {
                line += Placeholder;
                continue;
            }
            const qsizetype from = line.size();
            text.appendUtf8(line, rs, row, columns[i].field);
            finish(line, from, false);
        }
        line += end;
        sink.write(line);
    }
}

} // namespace

void writeCsv(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
              const CsvExportOptions& options) {
    writeDelimited(sink, rs, resolvedColumns(rs, wanted), options.header, options.delimiter,
                   QStringLiteral("\r\n"), [](QByteArray& line, qsizetype from, bool) { quoteFrom(line, from); },
                   text);
}

void writeText(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
               const TextExportOptions& options) {
    const QByteArray lineBreak = options.lineBreak.toUtf8();
    const QByteArray captionBreak =
        lineBreak.contains('\r') || lineBreak.contains('\n') ? QByteArray(" ") : lineBreak;
    writeDelimited(sink, rs, resolvedColumns(rs, wanted), options.header, options.separator, options.rowTerminator,
                   [&lineBreak, &captionBreak](QByteArray& line, qsizetype from, bool caption) {
                       // Values have their line breaks replaced as asked; the header stays one
                       // line whatever the replacement is, so a caption's line break becomes a blank
                       // when the replacement is itself a line break.
                       replaceBreaksFrom(line, from, caption ? captionBreak : lineBreak);
                   },
                   text);
}

} // namespace mv
