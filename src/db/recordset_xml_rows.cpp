#include "db/recordset_xml_rows.h"

#include <QStringDecoder>
#include <optional>

namespace mv::xmlrs {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The plain names the scanner takes; anything else stays with the parser, which judges it.
bool isPlainName(QByteArrayView name) {
    if (name.isEmpty()) return false;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!letter(name[0])) return false;
    for (const char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '-') return false;
    return true;
}

// Line ends the parser counts: LF, CR LF, or a CR alone.
int lineEnds(QByteArrayView bytes) {
    int n = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) ++n;
    return n;
}

template <typename Text>
bool rowName(Text name) {
    if (name.size() == 3) return name[0] == 'r' && name[1] == 'o' && name[2] == 'w';
    if (name.size() < 5) return false;
    const qsizetype colon = name.size() - 4;
    if (name[colon] != ':' || name[colon + 1] != 'r' || name[colon + 2] != 'o' || name[colon + 3] != 'w')
        return false;
    for (qsizetype i = 0; i < colon; ++i)
        if (name[i] == ':') return false;
    return true;
}

} // namespace

bool isRowTagName(QByteArrayView qualifiedName) {
    return rowName(qualifiedName);
}
bool isRowTagName(QStringView qualifiedName) {
    return rowName(qualifiedName);
}

bool RowTagScanner::takeRow(ScannedRow& into) {
    if (m_rows.empty()) return false;
    into = std::move(m_rows.front());
    m_rows.pop_front();
    return true;
}

QByteArray RowTagScanner::filter(QByteArrayView chunk, bool last) {
    if (m_disabled && m_pending.isEmpty()) return chunk.toByteArray();
    if (m_disabled) m_state = State::Off;
    m_pending.append(chunk);
    QByteArray out;
    out.reserve(m_pending.size());
    const qsizetype n = m_pending.size();
    qsizetype pos = 0;
    bool needMore = false;
    while (pos < n && !needMore) {
        switch (m_state) {
        case State::Off:
            out.append(m_pending.constData() + pos, n - pos);
            pos = n;
            break;
        case State::Text: {
            const qsizetype lt = m_pending.indexOf('<', pos);
            if (lt < 0) {
                out.append(m_pending.constData() + pos, n - pos);
                pos = n;
                break;
            }
            out.append(m_pending.constData() + pos, lt - pos);
            pos = lt;
            const QByteArrayView rest(m_pending.constData() + pos, n - pos);
            const auto cutShort = [&](QByteArrayView start) {
                return rest.size() < start.size() && start.startsWith(rest);
            };
            if (!last && (rest.size() < 2 || cutShort("<!--") || cutShort("<![CDATA["))) {
                needMore = true; // which markup this is shows in the next bytes
                break;
            }
            const auto enter = [&](State state, qsizetype length) {
                out.append(m_pending.constData() + pos, length);
                pos += length;
                m_state = state;
            };
            if (rest.startsWith("<!--"))
                enter(State::Comment, 4);
            else if (rest.startsWith("<![CDATA["))
                enter(State::CData, 9);
            else if (rest.startsWith("<?"))
                enter(State::Instruction, 2);
            else if (rest.startsWith("<!") || rest.size() < 2)
                m_state = State::Off; // a document type (or no markup at all): the parser alone
            else {
                m_state = State::Tag;
                m_scanned = 1;
                m_quote = 0;
            }
            break;
        }
        case State::Comment:
        case State::CData:
        case State::Instruction: {
            const QByteArrayView end = m_state == State::Comment ? "-->" : m_state == State::CData ? "]]>" : "?>";
            const qsizetype at = m_pending.indexOf(end, pos);
            if (at < 0) {
                // Keep what could be the start of the end.
                const qsizetype keep = std::min(n - pos, end.size() - 1);
                out.append(m_pending.constData() + pos, n - pos - keep);
                pos = n - keep;
                needMore = true;
                break;
            }
            out.append(m_pending.constData() + pos, at + end.size() - pos);
            pos = at + end.size();
            m_state = State::Text;
            break;
        }
        case State::Tag: {
            qsizetype i = pos + m_scanned;
            char quote = m_quote;
            for (; i < n; ++i) {
                const char c = m_pending[i];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '\'' || c == '"') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (i == n) {
                m_scanned = i - pos;
                m_quote = quote;
                needMore = true;
                break;
            }
            finishTag(QByteArrayView(m_pending.constData() + pos, i + 1 - pos), out);
            pos = i + 1;
            m_state = State::Text;
            break;
        }
        }
    }
    if (last && pos < n) {
        // A cut tag at the end of the input: the parser reports the premature end.
        out.append(m_pending.constData() + pos, n - pos);
        pos = n;
    }
    m_pending.remove(0, pos);
    return out;
}

void RowTagScanner::finishTag(QByteArrayView tag, QByteArray& out) {
    const qsizetype n = tag.size();
    qsizetype i = 1;
    while (i < n && !isSpace(tag[i]) && tag[i] != '/' && tag[i] != '>')
        ++i;
    const QByteArrayView name = tag.sliced(1, i - 1);
    if (tag[1] == '/' || !isRowTagName(name)) {
        out.append(tag);
        return;
    }
    ScannedRow row;
    QByteArray kept;
    kept.append('<').append(name);
    bool understood = false;
    bool selfClosing = false;
    for (;;) {
        const qsizetype start = i;
        while (i < n && isSpace(tag[i]))
            ++i;
        if (i == n - 1 || (i == n - 2 && tag[i] == '/')) {
            selfClosing = tag[i] == '/';
            understood = true;
            break;
        }
        if (i == start) break; // attributes are separated by white space
        const qsizetype nameStart = i;
        while (i < n && !isSpace(tag[i]) && tag[i] != '=' && tag[i] != '/' && tag[i] != '>')
            ++i;
        const QByteArrayView attribute = tag.sliced(nameStart, i - nameStart);
        while (i < n && isSpace(tag[i]))
            ++i;
        if (attribute.isEmpty() || i == n || tag[i] != '=') break;
        ++i;
        while (i < n && isSpace(tag[i]))
            ++i;
        if (i == n || (tag[i] != '\'' && tag[i] != '"')) break;
        const qsizetype close = tag.indexOf(tag[i], i + 1);
        if (close < 0) break;
        i = close + 1;
        const QByteArrayView whole = tag.sliced(start, i - start);
        if (attribute.contains(':') || attribute == "xmlns") {
            kept.append(whole);
        } else if (isPlainName(attribute)) {
            row.attributes.append(whole);
        } else {
            break;
        }
    }
    if (!understood || row.attributes.isEmpty()) {
        out.append(tag);
        m_rows.push_back(ScannedRow{});
        return;
    }
    // The lines the taken attributes spanned stay, so the parser's line numbers stay right.
    kept.append(QByteArray(lineEnds(tag) - lineEnds(kept), '\n'));
    kept.append(selfClosing ? "/>" : ">");
    out.append(kept);
    row.taken = true;
    m_rows.push_back(std::move(row));
}

namespace {

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

RowAttributeError error(const QString& german, const QString& english) {
    return {german, english};
}

// Appends the value with references resolved and line ends, tabs and CRs made blanks.
RowAttributeError normalise(QStringView value, QString& out) {
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'<')
            return error(QStringLiteral("'<' in einem Attributwert"), QStringLiteral("'<' in an attribute value"));
        if (c == u'\r') {
            if (i + 1 < value.size() && value[i + 1] == u'\n') ++i;
            out += u' ';
        } else if (c == u'\n' || c == u'\t') {
            out += u' ';
        } else if (c != u'&') {
            out += c;
        } else {
            const qsizetype semicolon = value.indexOf(u';', i + 1);
            const QStringView ref = semicolon < 0 ? value.sliced(i + 1) : value.sliced(i + 1, semicolon - i - 1);
            const auto bad = [&] {
                return error(QStringLiteral("ungültiger Verweis '&%1' in einem Attributwert").arg(ref.left(20)),
                             QStringLiteral("invalid reference '&%1' in an attribute value").arg(ref.left(20)));
            };
            if (semicolon < 0) return bad();
            if (ref == u"lt") {
                out += u'<';
            } else if (ref == u"gt") {
                out += u'>';
            } else if (ref == u"amp") {
                out += u'&';
            } else if (ref == u"apos") {
                out += u'\'';
            } else if (ref == u"quot") {
                out += u'"';
            } else if (ref.startsWith(u'#')) {
                const bool hex = ref.size() > 1 && ref[1] == u'x';
                const QStringView digits = ref.sliced(hex ? 2 : 1);
                bool ok = !digits.isEmpty() && digits.size() <= 8;
                for (const QChar d : digits)
                    ok = ok && (d.isDigit() || (hex && ((d >= u'a' && d <= u'f') || (d >= u'A' && d <= u'F'))));
                const uint code = ok ? digits.toUInt(&ok, hex ? 16 : 10) : 0;
                if (!ok || !isXmlChar(char32_t(code))) return bad();
                const char32_t ucs = char32_t(code);
                out += QStringView(QChar::fromUcs4(ucs));
            } else {
                return bad();
            }
            i = semicolon;
        }
    }
    return {};
}

} // namespace

RowAttributeError decodeRowAttributes(const QByteArray& raw, const QString& encoding, QString& storage,
                                      std::vector<RowAttribute>& into) {
    into.clear();
    std::optional<QStringDecoder> decoder;
    if (encoding.isEmpty())
        decoder.emplace(QStringDecoder::Utf8);
    else
        decoder.emplace(encoding.toLatin1().constData());
    if (!decoder->isValid())
        return error(QStringLiteral("unbekannte Kodierung %1").arg(encoding),
                     QStringLiteral("unknown encoding %1").arg(encoding));
    const QString text = (*decoder)(raw);
    if (decoder->hasError())
        return error(QStringLiteral("falsch kodierter Inhalt"), QStringLiteral("incorrectly encoded content"));
    // Names and values first as places in `storage`, then as views (appending never moves it,
    // since room for the longest result is reserved: a value never grows by its normalising).
    storage.clear();
    storage.reserve(2 * text.size() + 1);
    storage.append(text.constData(), text.size());
    struct Span {
        qsizetype name, nameLength, value, valueLength;
    };
    std::vector<Span> spans;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && isSpace(text[i]))
            ++i;
        if (i == n) break;
        Span s{};
        s.name = i;
        while (i < n && text[i] != u'=' && !isSpace(text[i]))
            ++i;
        s.nameLength = i - s.name;
        while (i < n && text[i] != u'\'' && text[i] != u'"')
            ++i;
        if (i == n) break; // cannot happen: the scanner took only complete attributes
        const QChar quote = text[i];
        const qsizetype close = text.indexOf(quote, i + 1);
        if (close < 0) break;
        const QStringView value = QStringView(text).sliced(i + 1, close - i - 1);
        i = close + 1;
        bool plain = true;
        for (const QChar c : value)
            if (c == u'&' || c == u'<' || c == u'\r' || c == u'\n' || c == u'\t') {
                plain = false;
                break;
            }
        if (plain) {
            s.value = value.data() - text.data();
            s.valueLength = value.size();
        } else {
            s.value = storage.size();
            if (RowAttributeError e = normalise(value, storage); !e.isEmpty()) return e;
            s.valueLength = storage.size() - s.value;
        }
        spans.push_back(s);
    }
    const QStringView all(storage);
    into.reserve(spans.size());
    for (const Span& s : spans)
        into.push_back({all.sliced(s.name, s.nameLength), all.sliced(s.value, s.valueLength)});
    return {};
}

} // namespace mv::xmlrs
