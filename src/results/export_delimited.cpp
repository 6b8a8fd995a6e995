#include "results/export_delimited.h"

#include "app/byte_append.h"

#include <cstring>

namespace mv {
namespace {

const QByteArray Placeholder = QByteArrayLiteral("???");

// Closes the value that starts at `from` (after its opening quote) in quotes, its own quotes
// doubled; most values have none, so they stay where they were written.
void closeQuoted(QByteArray& line, qsizetype from) {
    const qsizetype end = line.size();
    const char* begin = line.constData() + from;
    const void* quote = std::memchr(begin, '"', size_t(end - from));
    if (quote) {
        const qsizetype first = static_cast<const char*>(quote) - line.constData();
        const QByteArray rest = line.sliced(first);
        line.resize(first);
        for (const char c : rest) {
            line += c;
            if (c == '"') line += '"';
        }
    }
    line += '"';
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
                    const QString& separator, const QString& rowTerminator, const QByteArray& opening, Finish finish,
                    const ValueText& text) {
    const QByteArray sep = separator.toUtf8();
    const QByteArray end = rowTerminator.toUtf8();
    QByteArray line;
    if (header) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0) line += sep;
            line += opening;
            const qsizetype from = line.size();
            line += columns[i].caption.toUtf8();
            finish(line, from, true);
        }
        line += "\r\n";
        sink.write(line);
    }
    // Each column's storage and field looked up once, not for every cell.
    struct Source {
        const ColumnStore* column;
        const FieldInfo* field;
        int index;
        bool binary;
    };
    std::vector<Source> sources;
    for (const ExportColumn& c : columns) {
        const FieldInfo& field = rs.field(c.field);
        sources.push_back({&rs.column(c.field), &field, c.field, isPlaceholderType(field.type)});
    }
    // Single characters are appended as characters: appending bytes costs a general insertion.
    const bool oneByteSep = sep.size() == 1;
    const bool oneByteOpening = opening.size() == 1;
    const int rows = rs.recordCount();
    for (int row = 0; row < rows; ++row) {
        line.resize(0); // keeps the buffer: a line is about as long as the one before
        const qsizetype physical = rs.physicalRow(row);
        for (size_t i = 0; i < sources.size(); ++i) {
            if (i > 0) {
                if (oneByteSep)
                    line += sep[0];
                else
                    appendRaw(line, sep);
            }
            const Source& source = sources[i];
            if (source.binary) {
                appendRaw(line, Placeholder);
                continue;
            }
            if (oneByteOpening)
                line += opening[0];
            else
                appendRaw(line, opening);
            const qsizetype from = line.size();
            text.appendUtf8(line, *source.column, *source.field, physical, rs, row, source.index);
            finish(line, from, false);
        }
        appendRaw(line, end);
        sink.write(line);
    }
}

} // namespace

void writeCsv(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
              const CsvExportOptions& options) {
    writeDelimited(sink, rs, resolvedColumns(rs, wanted), options.header, options.delimiter,
                   QStringLiteral("\r\n"), QByteArrayLiteral("\""),
                   [](QByteArray& line, qsizetype from, bool) { closeQuoted(line, from); }, text);
}

void writeText(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
               const TextExportOptions& options) {
    const QByteArray lineBreak = options.lineBreak.toUtf8();
    const QByteArray captionBreak =
        lineBreak.contains('\r') || lineBreak.contains('\n') ? QByteArray(" ") : lineBreak;
    writeDelimited(sink, rs, resolvedColumns(rs, wanted), options.header, options.separator, options.rowTerminator,
                   QByteArray(), [&lineBreak, &captionBreak](QByteArray& line, qsizetype from, bool caption) {
                       // Values have their line breaks replaced as asked; the header stays one
                       // line whatever the replacement is, so a caption's line break becomes a blank
                       // when the replacement is itself a line break.
                       replaceBreaksFrom(line, from, caption ? captionBreak : lineBreak);
                   },
                   text);
}

} // namespace mv
