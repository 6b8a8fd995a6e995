#include "results/import_csv.h"

#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_cell.h"
#include "results/import_table.h"

namespace mv {
namespace {

[[noreturn]] void badFile(const QString& message) {
    throw MvError(rserr::LoadFromFile, message);
}

bool isBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

// Splits the text into records, one at a time.
class CsvRecords {
  public:
    CsvRecords(QStringView text, QStringView delimiter) : m_text(text), m_delimiter(delimiter) {}

    // False at the end of the text. `firstLine` is the line the record starts on (1-based).
    bool next(QStringList& values, int& firstLine) {
        values.clear();
        while (m_pos < m_text.size() && isBreak(m_text[m_pos]))
            skipBreak();
        if (m_pos >= m_text.size()) return false;
        firstLine = m_line;
        while (true) {
            values.append(m_text[m_pos] == u'"' ? quotedValue(firstLine) : plainValue());
            if (m_pos >= m_text.size()) return true;
            if (isBreak(m_text[m_pos])) {
                skipBreak();
                return true;
            }
            m_pos += m_delimiter.size(); // at a delimiter: another value follows
            if (m_pos >= m_text.size()) {
                values.append(QString());
                return true;
            }
        }
    }

    bool unterminatedQuote() const { return m_unterminated; }
    int unterminatedLine() const { return m_unterminatedLine; }

  private:
    bool atDelimiter(qsizetype pos) const { return m_text.mid(pos).startsWith(m_delimiter); }
    bool endsValue(qsizetype pos) const {
        return pos >= m_text.size() || isBreak(m_text[pos]) || atDelimiter(pos);
    }

    void skipBreak() {
        if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n') ++m_pos;
        ++m_pos;
        ++m_line;
    }

    QString plainValue() {
        const qsizetype start = m_pos;
        while (!endsValue(m_pos))
            ++m_pos;
        return m_text.mid(start, m_pos - start).toString();
    }

    QString quotedValue(int firstLine) {
        QString value;
        ++m_pos; // the opening quote
        while (true) {
            if (m_pos >= m_text.size()) {
                m_unterminated = true;
                m_unterminatedLine = firstLine;
                return value;
            }
            const QChar c = m_text[m_pos];
            if (c == u'"') {
                if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'"') {
                    value += u'"';
                    m_pos += 2;
                    continue;
                }
                if (endsValue(m_pos + 1)) {
                    ++m_pos;
                    return value;
                }
                // A lone quote inside the value (a writer that did not double it) stays a quote.
            } else if (c == u'\n' ||
                       (c == u'\r' && !(m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n'))) {
                ++m_line;
            }
            value += c;
            ++m_pos;
        }
    }

    QStringView m_text;
    QStringView m_delimiter;
    qsizetype m_pos = 0;
    int m_line = 1;
    bool m_unterminated = false;
    int m_unterminatedLine = 0;
};

bool looksLikeOtherKind(QStringView text) {
    if (text.contains(QChar(0))) return true;
    const QStringView start = text.trimmed();
    for (const char* prefix : {"{\\rtf", "<?xml", "<xml", "<!DOCTYPE", "<html"})
        if (start.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) return true;
    return false;
}

} // namespace

Recordset readCsvRecordset(const QString& text, const QString& delimiter, const QString& sourceName) {
    if (text.trimmed().isEmpty())
        badFile(ui_text("Die Datei '%1' ist leer.", "The file '%1' is empty.").arg(sourceName));
    if (looksLikeOtherKind(text))
        badFile(ui_text("Die Datei '%1' ist keine CSV-Datei.", "The file '%1' is not a CSV file.")
                    .arg(sourceName));
    const QString d = delimiter.isEmpty() ? QStringLiteral(";") : delimiter;

    CsvRecords records(text, d);
    QStringList values;
    int line = 0;
    records.next(values, line);
    auto checkQuotes = [&] {
        if (records.unterminatedQuote())
            badFile(
                ui_text("Die Datei '%1' endet in einem Wert in Anführungszeichen, der in Zeile %2 beginnt: "
                        "sie ist unvollständig.",
                        "The file '%1' ends inside a quoted value that begins on line %2: it is incomplete.")
                    .arg(sourceName)
                    .arg(records.unterminatedLine()));
    };
    checkQuotes();
    for (QString& name : values)
        name.replace(QLatin1String("[U]"), QLatin1String(" "));
    TextTableBuilder table(values);

    while (records.next(values, line)) {
        checkQuotes();
        if (values.size() != table.columnCount())
            badFile(ui_text("Zeile %2 der Datei '%1' hat %3 Werte, die Kopfzeile aber %4.",
                            "Line %2 of the file '%1' has %3 values, but the header has %4.")
                        .arg(sourceName)
                        .arg(line)
                        .arg(values.size())
                        .arg(table.columnCount()));
        for (QString& v : values)
            if (v.isEmpty()) v = QStringLiteral("NULL");
        table.addRow(values);
    }
    return table.finish();
}

} // namespace mv
