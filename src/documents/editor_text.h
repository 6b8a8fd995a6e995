#pragma once
// Text rules of the SQL editor that need no widget: the SQL colouring language, the caret panel
// text, commenting lines, the line-break rule of insertions and the texts of the SQL toolbox.
#include "exec/sql_lexer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace mv {

// ---- The colouring language "mvSQL" ----

// Style numbers of the editor's SQL colouring.
enum class SqlStyle : int { Default = 0, Comment = 1, LineComment = 2, String = 3, Keyword = 4, Bracket = 5 };
constexpr int SqlStyleCount = 6;

struct SqlLanguage {
    QString name; // "mvSQL"
    QString blockStart, blockEnd;
    QStringList lineComments; // "//", "--"
    QString stringDelimiters; // ' " @ (parameter tags colour like strings)
    QString scopeOpen, scopeClose;
    QStringList keywords; // in their defined order; "ORDER BY" and "GROUP BY" are two words
};
const SqlLanguage& sqlLanguage();

// One stretch of equally styled bytes.
struct StyleRun {
    int start;  // byte offset in the line
    int length; // bytes
    SqlStyle style;
    bool operator==(const StyleRun&) const = default;
};

// Styles one line of UTF-8 text (its line break included). inBlockComment says whether the line
// starts inside a /* */ comment and is set to whether it ends inside one. Strings end at their
// closing delimiter or at the end of the line; keywords match whole words in any letter case. The
// runs cover the whole line without gaps.
std::vector<StyleRun> lexSqlLine(const QByteArray& line, bool& inBlockComment);

// ---- Caret panel ----

// "L: 1, C: 1" (English) or "Z: 1, S: 1" (German) for a caret at line 0, column 0.
QString caretPanelText(int line, int column);

// ---- Commenting lines ----

// The line with "//" in front (also an empty line).
QString commentLine(const QString& line);
// When the line, without leading blanks and tabs, begins with "//", the first "//" is removed and
// the blanks before it stay; any other line comes back unchanged.
QString uncommentLine(const QString& line);

// ---- Insertion at the caret ----

// Inserted text never starts a new line while the selection starts in column 0 or 1.
bool insertionKeepsLineBreak(int selectionStartColumn, bool lineBreak);
// The text that replaces the selection: a line break before it when asked, every line break of
// it (CR LF, LF or CR) written as eol.
QString insertionText(const QString& text, bool lineBreak, const QString& eol);
// Every line break (CR LF, LF, lone CR) of text written as eol.
QString withLineEnds(const QString& text, const QString& eol);
// The line break a document uses: the one ending its first line; LF for text without one.
QString documentLineEnd(const QString& text);

// ---- SQL toolbox texts ----

// What the explorer has selected when a template button is clicked. The table text is the
// explorer's selected entry as shown (it is passed through the name quoting rule here); the fields
// are the marked field list as the explorer builds it (already quoted and qualified).
struct ExplorerPick {
    QString table;
    QStringList fields;
    int databaseKind = 0;
    QString identifierQuote; // the driver's
    SqlDialect dialect = SqlDialect::Generic;
    QStringList keywords{}; // the driver's reserved words
};
using ExplorerPickProvider = std::function<ExplorerPick()>;

// Captions of the three button rows, in order.
QStringList sqlCommandCaptions(); // cmdSqlCmd
QStringList operatorCaptions();   // cmdOps
QStringList moreSqlCaptions();    // cmdMoreSQL

// The caption followed by one TAB, or two when the caption is shorter than 6 characters.
QString captionWithTabs(const QString& caption);
// The statement template of a cmdSqlCmd caption (line breaks are CR LF).
QString sqlCommandTemplate(const QString& caption, const ExplorerPick& pick);

} // namespace mv
