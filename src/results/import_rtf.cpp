#include "results/import_rtf.h"

#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_cell.h"
#include "results/import_source.h"
#include "results/import_table.h"

#include <QSet>
#include <optional>

namespace mv {
namespace {

[[noreturn]] void badFile(const QString& message) {
    throw MvError(rserr::LoadFromFile, message);
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Groups whose content is not text of the page.
const QSet<QByteArray>& skippedDestinations() {
    static const QSet<QByteArray> words = {"fonttbl",
                                           "colortbl",
                                           "stylesheet",
                                           "info",
                                           "pict",
                                           "object",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "annotation",
                                           "listtable",
                                           "listoverridetable",
                                           "rsidtbl",
                                           "generator",
                                           "xmlnstbl",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "fldinst",
                                           "pntext",
                                           "pntxta",
                                           "pntxtb",
                                           "revtbl",
                                           "filetbl",
                                           "shppict",
                                           "nonshppict",
                                           "bkmkstart",
                                           "bkmkend"};
    return words;
}

class RtfTableReader {
  public:
    RtfTableReader(const QByteArray& rtf, const QString& source) : m_rtf(rtf), m_source(source) {}

    Recordset read() {
        parse();
        if (m_depth > 0 || m_cellsOpen())
            badFile(ui_text("Die RTF-Datei '%1' ist unvollständig: das Dokument endet mitten im Text.",
                            "The RTF file '%1' is incomplete: the document ends in the middle of its text.")
                        .arg(m_source));
        if (!m_table)
            badFile(ui_text("Die RTF-Datei '%1' enthält keine Tabelle.", "The RTF file '%1' holds no table.")
                        .arg(m_source));
        return m_table->finish();
    }

  private:
    bool m_cellsOpen() const { return !m_cells.isEmpty(); }

    void parse() {
        const qsizetype n = m_rtf.size();
        while (m_pos < n) {
            const char c = m_rtf[m_pos];
            if (c == '{') {
                ++m_pos;
                ++m_depth;
                m_groupStart = true;
                continue;
            }
            if (c == '}') {
                ++m_pos;
                --m_depth;
                if (m_skipDepth > 0 && m_depth < m_skipDepth) m_skipDepth = 0;
                m_groupStart = false;
                if (m_depth <= 0) return; // the document's closing brace
                continue;
            }
            if (c == '\\') {
                controlSequence();
                continue;
            }
            ++m_pos;
            m_groupStart = false;
            if (c == '\r' || c == '\n') continue; // line breaks of the file carry no text
            text(c == '\t' ? QChar(u'\t') : windows1252Char(uchar(c)));
        }
    }

    void controlSequence() {
        const qsizetype n = m_rtf.size();
        ++m_pos; // the backslash
        if (m_pos >= n) return;
        const char c = m_rtf[m_pos];
        const bool groupStart = m_groupStart;
        m_groupStart = false;
        if (!isLetter(c)) {
            ++m_pos;
            switch (c) {
            case '\\':
            case '{':
            case '}':
                text(QChar(uchar(c)));
                break;
            case '\'': {
                const int hi = m_pos < n ? hexValue(m_rtf[m_pos]) : -1;
                const int lo = m_pos + 1 < n ? hexValue(m_rtf[m_pos + 1]) : -1;
                if (hi >= 0 && lo >= 0) {
                    m_pos += 2;
                    text(windows1252Char(uchar(hi * 16 + lo)));
                }
                break;
            }
            case '~':
                text(QChar(0x00A0));
                break;
            case '_':
                text(QChar(0x2011));
                break;
            case '*':
                if (groupStart && m_skipDepth == 0) m_skipDepth = m_depth;
                break;
            case '\r':
            case '\n':
                word("par", std::nullopt);
                break;
            default:
                break; // \- optional hyphen, \| and the like show nothing
            }
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < n && isLetter(m_rtf[m_pos]))
            ++m_pos;
        const QByteArray name = m_rtf.mid(start, m_pos - start);
        std::optional<int> parameter;
        const qsizetype numberStart = m_pos;
        if (m_pos < n && m_rtf[m_pos] == '-') ++m_pos;
        while (m_pos < n && isDigit(m_rtf[m_pos]))
            ++m_pos;
        if (m_pos > numberStart && isDigit(m_rtf[m_pos - 1]))
            parameter = m_rtf.mid(numberStart, m_pos - numberStart).toInt();
        else
            m_pos = numberStart;
        if (m_pos < n && m_rtf[m_pos] == ' ') ++m_pos; // the delimiting blank belongs to the word
        if (groupStart && m_skipDepth == 0 && skippedDestinations().contains(name)) m_skipDepth = m_depth;
        word(name, parameter);
    }

    void text(QChar c) {
        if (m_skipDepth > 0) return;
        if (m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return;
        }
        if (m_inRow) m_cellText += c;
    }

    void word(const QByteArray& name, std::optional<int> parameter) {
        if (m_skipDepth > 0) return;
        if (name == "u" && parameter) {
            m_fallbackLeft = 0;
            const int code = *parameter < 0 ? *parameter + 65536 : *parameter;
            text(QChar(char16_t(code)));
            m_fallbackLeft = m_unicodeSkip;
            return;
        }
        m_fallbackLeft = 0;
        if (name == "uc") {
            m_unicodeSkip = parameter.value_or(1);
        } else if (name == "trowd") {
            if (m_cellsOpen()) endRow();
            m_inRow = true;
            m_cellText.clear();
        } else if (name == "intbl") {
            m_inRow = true;
        } else if (name == "cell") {
            if (m_inRow) m_cells.append(m_cellText);
            m_cellText.clear();
        } else if (name == "row") {
            if (m_cellsOpen()) endRow();
            m_inRow = false;
            m_cellText.clear();
        } else if (name == "par") {
            text(u'\r');
            text(u'\n');
        } else if (name == "line") {
            text(u'\n');
        } else if (name == "tab") {
            text(u'\t');
        } else if (name == "lquote") {
            text(QChar(0x2018));
        } else if (name == "rquote") {
            text(QChar(0x2019));
        } else if (name == "ldblquote") {
            text(QChar(0x201C));
        } else if (name == "rdblquote") {
            text(QChar(0x201D));
        } else if (name == "endash") {
            text(QChar(0x2013));
        } else if (name == "emdash") {
            text(QChar(0x2014));
        } else if (name == "bullet") {
            text(QChar(0x2022));
        }
    }

    void endRow() {
        ++m_rowNumber;
        if (!m_table) {
            m_table.emplace(m_cells);
        } else {
            if (m_cells.size() != m_table->columnCount())
                badFile(ui_text("Zeile %2 der Tabelle in '%1' hat %3 Zellen, die Kopfzeile aber %4.",
                                "Row %2 of the table in '%1' has %3 cells, but the header row has %4.")
                            .arg(m_source)
                            .arg(m_rowNumber)
                            .arg(m_cells.size())
                            .arg(m_table->columnCount()));
            m_table->addRow(m_cells);
        }
        m_cells.clear();
    }

    const QByteArray& m_rtf;
    QString m_source;
    qsizetype m_pos = 0;
    int m_depth = 0;
    int m_skipDepth = 0; // depth of the group being passed over; 0 when none
    bool m_groupStart = false;
    int m_unicodeSkip = 1;
    int m_fallbackLeft = 0;
    bool m_inRow = false;
    QString m_cellText;
    QStringList m_cells;
    int m_rowNumber = 0;
    std::optional<TextTableBuilder> m_table;
};

} // namespace

Recordset readRtfTable(const QByteArray& rtf, const QString& sourceName) {
    qsizetype first = 0;
    while (first < rtf.size() && QChar::isSpace(uchar(rtf[first])))
        ++first;
    const QByteArrayView start = QByteArrayView(rtf).sliced(first);
    if (start.isEmpty())
        badFile(ui_text("Die Datei '%1' ist leer.", "The file '%1' is empty.").arg(sourceName));
    if (!start.startsWith("{\\rtf"))
        badFile(ui_text("Die Datei '%1' ist keine RTF-Datei.", "The file '%1' is not an RTF file.")
                    .arg(sourceName));
    return RtfTableReader(rtf, sourceName).read();
}

} // namespace mv
