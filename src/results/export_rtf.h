#pragma once
// RTF table export: a heading paragraph (Arial 10 pt), then one table with an optional bold
// header row that repeats on every page and one row per record (binary fields as BINARY DATA).
// The page width of 16600 twips is shared out evenly: column k ends at (16600 / N) * k.
//
// Text is plain ASCII RTF: braces and backslashes are escaped, tabs become \tab, line breaks
// \par \intbl (CR LF) or \line (a lone LF or CR), other control characters and everything beyond
// ASCII become \uN? escapes. In values the sequences \b0, \b and \i are kept as formatting
// switches (bold off, bold on, italic on); every other backslash is shown literally. One write
// call per row.
#include "results/export_columns.h"
#include "results/export_file.h"
#include "results/export_value_text.h"

namespace mv {

struct RtfExportOptions {
    QString heading = QStringLiteral("Morvenda");
    bool header = true;
};

void writeRtf(ExportSink& sink, const Recordset& rs, const ExportColumns& columns, const ValueText& text,
              const RtfExportOptions& options = {});

// A text as RTF that shows it literally.
QString rtfEscaped(const QString& text);
// A cell value as RTF, with the three formatting switches kept.
QString rtfCellText(const QString& value);

} // namespace mv
