#pragma once
// Reads a CSV text into a recordset of text fields. The first record holds the field names, every
// further record one row. Values are read as CSV: a value in double quotes may hold the delimiter
// and line breaks, a doubled double quote in it is one double quote, and only the enclosing quotes
// are removed; a value without quotes ends at the next delimiter or line break and is taken as it
// stands. Records end at CR LF, LF or CR; empty lines are skipped. In names "[U]" stands for a
// blank. An empty value becomes the text "NULL".
//
// Bad input throws MvError 31037 with a message in the user's language: an empty text, a text
// that is no CSV (binary bytes, an RTF, XML or HTML document), a quoted value that never ends (a
// cut-off file) and a record whose value count differs from the header's (with its line number).
#include "db/recordset.h"

namespace mv {

// `sourceName` names the file in messages.
Recordset readCsvRecordset(const QString& text, const QString& delimiter, const QString& sourceName);

} // namespace mv
