#include "db/recordset_xml.h"

#include "app/atomic_file.h"
#include "db/recordset_file_errors.h"
#include "db/recordset_xml_schema.h"

#include <QFileDevice>
#include <QSet>

namespace mv {

namespace {

constexpr qsizetype FlushSize = 1 << 16;

const char* const Header = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
                           "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
                           "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
                           "\txmlns:z='#RowsetSchema'>\r\n"
                           "<s:Schema id='RowsetSchema'>\r\n"
                           "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\r\n";

bool isPlainName(const QString& name) {
    if (name.isEmpty()) return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
    }
    return true;
}

// Continuation bytes, no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView s) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const quint8 b = quint8(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        qsizetype len = 0;
        quint32 cp = 0;
        if ((b & 0xE0) == 0xC0)
            len = 2, cp = b & 0x1F;
        else if ((b & 0xF0) == 0xE0)
            len = 3, cp = b & 0x0F;
        else if ((b & 0xF8) == 0xF0)
            len = 4, cp = b & 0x07;
        else
            return false;
        if (i + len > n) return false;
        for (qsizetype k = 1; k < len; ++k) {
            const quint8 c = quint8(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

void appendEscaped(QByteArray& out, QByteArrayView text) {
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char* replacement = nullptr;
        switch (text[i]) {
        case '\'':
            replacement = "&#x27;";
            break;
        case '"':
            replacement = "&#x22;";
            break;
        case '&':
            replacement = "&#x26;";
            break;
        case '<':
            replacement = "&#x3c;";
            break;
        case '>':
            replacement = "&#x3e;";
            break;
        case '\t':
            replacement = "&#x9;";
            break;
        case '\n':
            replacement = "&#xA;";
            break;
        case '\r':
            replacement = "&#xD;";
            break;
        default: {
            // Characters XML 1.0 cannot carry at all, not even as references (control characters,
            // U+FFFE, U+FFFF), go as the stand-in the reader restores; so does the stand-in's own
            // character, so that it comes back as itself.
            const auto byte = quint8(text[i]);
            char letter = 0;
            qsizetype length = 1;
            if (byte < 0x20) {
                letter = char('@' + byte);
            } else if (byte == 0xEF && i + 2 < n && quint8(text[i + 1]) == 0xBF &&
                       (quint8(text[i + 2]) == 0xBE || quint8(text[i + 2]) == 0xBF)) {
                letter = quint8(text[i + 2]) == 0xBE ? 'a' : 'b';
                length = 3;
            } else if (byte == 0xF4 && i + 3 < n && text.sliced(i, 4) == QByteArrayView(xmlrs::MarkUtf8, 4)) {
                letter = 'c';
                length = 4;
            }
            if (!letter) continue;
            out.append(text.data() + start, i - start);
            out.append(xmlrs::MarkUtf8, 4);
            out.append(letter);
            i += length - 1;
            start = i + 1;
            continue;
        }
        }
        out.append(text.data() + start, i - start);
        out.append(replacement);
        start = i + 1;
    }
    out.append(text.data() + start, n - start);
}

void appendEscapedText(QByteArray& out, QByteArrayView utf8) {
    if (isValidUtf8(utf8)) {
        appendEscaped(out, utf8);
    } else {
        // Bytes that are no UTF-8 would make the whole file unreadable: write them as replacement
        // characters instead.
        appendEscaped(out, QString::fromUtf8(utf8.data(), utf8.size()).toUtf8());
    }
}

void appendValue(QByteArray& out, const ColumnStore& c, qsizetype row, const FieldInfo& f) {
    switch (c.kind()) {
    case StorageKind::Integer:
        cell::appendInteger(out, c.intAt(row), f.type);
        return;
    case StorageKind::Real:
        if (f.type == ado::adSingle)
            cell::appendSingle(out, float(c.realAt(row)));
        else
            cell::appendDouble(out, c.realAt(row));
        return;
    case StorageKind::Decimal: {
        const QByteArrayView stored = c.bytesAt(row);
        if (f.type == ado::adNumeric)
            appendEscapedText(out, cell::padDecimal(stored.toByteArray(), f.scale));
        else
            appendEscapedText(out, stored);
        return;
    }
    case StorageKind::DateTime: {
        const DateTimeValue v = c.dateTimeAt(row);
        if (f.type != ado::adDBTime) cell::appendDate(out, v);
        if (f.type == ado::adDBDate) return;
        if (f.type != ado::adDBTime) out.append('T');
        cell::appendTime(out, v, false);
        return;
    }
    case StorageKind::Binary: {
        static const char digits[] = "0123456789abcdef";
        const QByteArrayView bytes = c.bytesAt(row);
        const qsizetype start = out.size();
        out.resize(start + 2 * bytes.size());
        char* p = out.data() + start;
        for (char b : bytes) {
            *p++ = digits[quint8(b) >> 4];
            *p++ = digits[quint8(b) & 15];
        }
        return;
    }
    case StorageKind::Text:
        appendEscapedText(out, c.bytesAt(row));
        return;
    }
}

} // namespace

QList<QByteArray> xmlFieldNames(const QList<FieldInfo>& fields) {
    QList<QByteArray> names(fields.size());
    QSet<QByteArray> used;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QByteArray name = fields[i].name.toUtf8();
        if (isPlainName(fields[i].name) && !used.contains(name)) {
            names[i] = name;
            used.insert(name);
        }
    }
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (!names[i].isEmpty()) continue;
        const QByteArray base = "c" + QByteArray::number(i);
        QByteArray candidate = base;
        for (int k = 1; used.contains(candidate); ++k)
            candidate = base + "_" + QByteArray::number(k);
        names[i] = candidate;
        used.insert(candidate);
    }
    return names;
}

XmlRecordsetWriter::XmlRecordsetWriter(QIODevice* device) : m_device(device) {}

XmlRecordsetWriter::~XmlRecordsetWriter() = default;

void XmlRecordsetWriter::flush() {
    if (m_buffer.isEmpty()) return;
    if (m_ok) m_ok = m_device->write(m_buffer) == m_buffer.size();
    m_buffer.clear();
}

void XmlRecordsetWriter::writeHeader(const QList<FieldInfo>& fields) {
    m_fields = fields;
    m_xmlNames = xmlFieldNames(fields);
    m_buffer.reserve(FlushSize + 4096);
    m_buffer.append(Header);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const FieldInfo& f = fields[i];
        const xmlrs::TypeForm form = xmlrs::typeFormOf(f.type);
        const bool known = ado::isKnownType(f.type);
        m_buffer.append("\t\t<s:AttributeType name='").append(m_xmlNames[i]).append('\'');
        if (m_xmlNames[i] != f.name.toUtf8()) {
            m_buffer.append(" rs:name='");
            appendEscapedText(m_buffer, f.name.toUtf8());
            m_buffer.append('\'');
        }
        m_buffer.append(" rs:number='").append(QByteArray::number(i + 1)).append('\'');
        if (f.nullable) m_buffer.append(" rs:nullable='true'");
        m_buffer.append(" rs:write='true'>\r\n");
        m_buffer.append("\t\t\t<s:datatype dt:type='").append(form.dtType).append('\'');
        if (form.dbType) m_buffer.append(" rs:dbtype='").append(form.dbType).append('\'');
        const qint64 fixed = known ? ado::fixedSize(f.type) : 0;
        m_buffer.append(" dt:maxLength='")
            .append(QByteArray::number(fixed > 0 ? fixed : f.definedSize))
            .append('\'');
        if (form.writesScale) m_buffer.append(" rs:scale='").append(QByteArray::number(f.scale)).append('\'');
        if (form.writesPrecision)
            m_buffer.append(" rs:precision='").append(QByteArray::number(f.precision)).append('\'');
        if (known && ado::isFixedLengthType(f.type)) m_buffer.append(" rs:fixedlength='true'");
        if (ado::isLongType(f.type)) m_buffer.append(" rs:long='true'");
        if (!f.nullable) m_buffer.append(" rs:maybenull='false'");
        m_buffer.append("/>\r\n\t\t</s:AttributeType>\r\n");
    }
    m_buffer.append(
        "\t\t<s:extends type='rs:rowbase'/>\r\n\t</s:ElementType>\r\n</s:Schema>\r\n<rs:data>\r\n");
    flush();
}

void XmlRecordsetWriter::writeRow(const Recordset& rs, int row) {
    const qsizetype physical = rs.physicalRow(row);
    m_buffer.append("\t<z:row");
    for (int col = 0; col < m_fields.size(); ++col) {
        const ColumnStore& c = rs.column(col);
        if (c.isNull(physical)) continue;
        m_buffer.append(' ').append(m_xmlNames[col]).append("='");
        appendValue(m_buffer, c, physical, m_fields[col]);
        m_buffer.append('\'');
    }
    m_buffer.append("/>\r\n");
    if (m_buffer.size() >= FlushSize) flush();
}

bool XmlRecordsetWriter::finish() {
    m_buffer.append("</rs:data>\r\n</xml>");
    flush();
    return m_ok;
}

namespace {
bool writeAll(const Recordset& rs, QIODevice* device) {
    XmlRecordsetWriter writer(device);
    writer.writeHeader(rs.fields());
    const int count = rs.recordCount();
    for (int row = 0; row < count && writer.ok(); ++row)
        writer.writeRow(rs, row);
    return writer.finish();
}
} // namespace

void saveXml(const Recordset& rs, QIODevice* device) {
    if (!writeAll(rs, device)) {
        QString name;
        if (const auto* file = qobject_cast<const QFileDevice*>(device)) name = file->fileName();
        if (const auto* file = qobject_cast<const AtomicFile*>(device)) name = file->fileName();
        rsfile::cannotWrite(name, device->errorString());
    }
}

void saveXml(const Recordset& rs, const QString& path) {
    AtomicFile file(path);
    if (!file.open(QIODevice::WriteOnly)) rsfile::cannotWrite(path, file.errorString());
    if (!writeAll(rs, &file)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        rsfile::cannotWrite(path, reason);
    }
    if (!file.commit()) rsfile::cannotWrite(path, file.errorString());
}

} // namespace mv
