#pragma once
// HTML table export, as HTML 4.01 Transitional or as XHTML 1.0 Transitional: a prolog, a
// bordered table with an optional bold header row and one row per record (binary fields as ???).
// Names and values are escaped (& < > "), so no value can add markup to the page; the page
// declares UTF-8, the encoding it is written in. Lines end in CR LF; one write call per row.
#include "results/export_columns.h"
#include "results/export_file.h"
#include "results/export_value_text.h"

namespace mv {

struct HtmlExportOptions {
    bool header = true;
    bool xhtml = false;
    QString title; // the page title; the program's title and version when empty
};

void writeHtml(ExportSink& sink, const Recordset& rs, const ExportColumns& columns, const ValueText& text,
               const HtmlExportOptions& options = {});

// & < > " as entities.
QString htmlEscaped(const QString& text);

} // namespace mv
