#pragma once
// Delimited text exports. Each line or row is built on its own and written with one write call,
// so the memory used does not grow with the row count. Text is UTF-8.
//
// CSV: every name and every non-binary value between double quotes with inner double quotes
// doubled (Null is ""), binary fields as ??? without quotes, fields joined by the delimiter, each
// line ending in CR LF; line breaks inside values stay as they are, inside the quotes.
//
// TXT: a header line of the names joined by the separator (ending in CR LF), then every row as
// its values joined by the separator and closed by the row terminator, without line end; a line
// break in a value (CR LF, LF or CR) is written as the replacement (kept when the replacement is
// CR LF itself). No quoting.
#include "results/export_columns.h"
#include "results/export_file.h"
#include "results/export_value_text.h"

namespace mv {

struct CsvExportOptions {
    bool header = true;
    QString delimiter = QStringLiteral(";");
};

struct TextExportOptions {
    bool header = true;
    QString separator = QStringLiteral("|");
    QString rowTerminator = QStringLiteral("~");
    QString lineBreak = QStringLiteral("^^");
};

void writeCsv(ExportSink& sink, const Recordset& rs, const ExportColumns& columns, const ValueText& text,
              const CsvExportOptions& options = {});
void writeText(ExportSink& sink, const Recordset& rs, const ExportColumns& columns, const ValueText& text,
               const TextExportOptions& options = {});

} // namespace mv
