#pragma once
// Reads the table of an RTF document into a recordset of text fields: the first table row holds
// the field names, every further row one record. Cell text is taken as the document shows it:
// blanks stay, \\ \{ \} give the character, \'hh the code page 1252 character, \uN the Unicode
// character (its fallback skipped), \tab a tab, \par inside a cell CR LF, \line LF. Formatting
// (\b, \i, fonts, borders) and the groups that hold no text of the page (font and colour tables,
// pictures, \* destinations) are passed over. A row ends at \row or when a new row definition
// \trowd follows cells, so the row layouts of word processors are read too.
//
// Bad input throws MvError 31037 with a message in the user's language: an empty file, a file that
// is no RTF, a document that is cut off (groups not closed), a document without a table, and a row
// whose cell count differs from the header row's (with its row number).
#include "db/recordset.h"

#include <QByteArray>

namespace mv {

// `sourceName` names the file in messages.
Recordset readRtfTable(const QByteArray& rtf, const QString& sourceName);

} // namespace mv
