#pragma once
// The row elements of the recordset XML without the XML parser's attribute handling, which checks
// every attribute of an element against every earlier one: a row of 100,000 fields took minutes.
// The scanner sits between the file and the parser: from each row start tag it takes the plain
// attributes (no prefix, no namespace declaration) out of the parser's input and keeps them in
// order; the reader takes them back when the parser reports that row, and decodes and checks them
// itself (references, line ends, duplicates), in time linear in the tag's length.
//
// Only ASCII-compatible input is scanned (the reader turns it off for UTF-16), and a document type
// declaration turns it off for the rest of the file (its entities could hold markup). A tag the
// scanner does not understand reaches the parser unchanged, so the parser reports it as before.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <deque>
#include <vector>

namespace mv::xmlrs {

// A row tag's name: "row" with at most one prefix ("z:row").
bool isRowTagName(QByteArrayView qualifiedName);
bool isRowTagName(QStringView qualifiedName);

// One row start tag as the scanner saw it.
struct ScannedRow {
    bool taken = false; // false: the parser got the tag unchanged and has its attributes
    // The taken attributes as they stood in the file: ` name='value'` one after the other, each
    // name a plain ASCII name, each value quoted, nothing else.
    QByteArray attributes;
};

class RowTagScanner {
  public:
    // Passes the next bytes of the parser's input; returns what the parser gets. `last` marks the
    // final chunk (a tag cut by the chunk end waits for the next one otherwise).
    QByteArray filter(QByteArrayView chunk, bool last);
    void disable() { m_disabled = true; }
    bool disabled() const { return m_disabled; }

    // The next row tag in document order; false when none is pending.
    bool takeRow(ScannedRow& into);

  private:
    enum class State { Text, Tag, Comment, CData, Instruction, Off };
    // Handles the markup starting at m_pending[at] (a '<'); returns false when more bytes are needed.
    bool startMarkup(qsizetype at, bool last, QByteArray& out);
    void finishTag(QByteArrayView tag, QByteArray& out);

    bool m_disabled = false;
    State m_state = State::Text;
    QByteArray m_pending;      // bytes not yet passed on
    qsizetype m_scanned = 0;   // how far a cut tag was already scanned for its end
    char m_quote = 0;          // the quote open at m_scanned inside a cut tag
    std::deque<ScannedRow> m_rows;
};

// One attribute of a row; views into the storage the decoding filled.
struct RowAttribute {
    QStringView name;
    QStringView value;
};

// Why taken attributes are no well-formed XML, in both languages; empty when they are.
struct RowAttributeError {
    QString german, english;
    bool isEmpty() const { return english.isEmpty(); }
};

// Decodes taken attributes (ScannedRow::attributes, in the document's encoding; empty means
// UTF-8) as the parser would: references resolved, white space in values turned into blanks.
// `into` views `storage`. Duplicate names are left to the caller.
RowAttributeError decodeRowAttributes(const QByteArray& raw, const QString& encoding, QString& storage,
                                      std::vector<RowAttribute>& into);

} // namespace mv::xmlrs
