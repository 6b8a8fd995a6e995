// Reading the persisted-recordset XML (declared in recordset_xml.h).
#include "db/recordset_builder.h"
#include "db/recordset_file_errors.h"
#include "db/recordset_xml.h"
#include "db/recordset_xml_rows.h"
#include "db/recordset_xml_schema.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

namespace mv {

namespace {

using xmlrs::NsDataType;
using xmlrs::NsRow;
using xmlrs::NsRowset;
using xmlrs::NsSchema;

constexpr qint64 ChunkSize = 1 << 16;
constexpr qint64 MaxDigits = 1000; // the most any database gives (PostgreSQL numeric)

bool sameUri(QStringView a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isTrue(const QString& v) {
    return v.compare(u"true", Qt::CaseInsensitive) == 0 || v == u"1";
}
bool isFalse(const QString& v) {
    return v.compare(u"false", Qt::CaseInsensitive) == 0 || v == u"0";
}

class XmlReader {
  public:
    XmlReader(QIODevice* device, const QString& source, bool scanRows) : m_device(device), m_source(source) {
        if (!scanRows) m_rows.disable();
    }

    Recordset read() {
        QXmlStreamReader::TokenType t = next();
        while (t != QXmlStreamReader::StartElement) {
            if (t == QXmlStreamReader::EndDocument) fail("die Datei ist leer", "the file is empty");
            t = next();
        }
        if (m_xml.name() != u"xml" || !m_xml.namespaceUri().isEmpty())
            fail(QStringLiteral("kein gespeichertes Recordset (Wurzelelement <%1>)")
                     .arg(m_xml.qualifiedName()),
                 QStringLiteral("not a saved recordset (root element <%1>)").arg(m_xml.qualifiedName()));
        while ((t = next()) != QXmlStreamReader::EndElement) {
            if (t != QXmlStreamReader::StartElement) continue;
            if (isElement(NsSchema, u"Schema")) {
                readSchema();
            } else if (isElement(NsRowset, u"data")) {
                if (!m_haveSchema) fail("die Daten stehen vor dem Schema", "the data come before the schema");
                readData();
            } else {
                skipElement();
            }
        }
        while (next() != QXmlStreamReader::EndDocument) {
        }
        if (!m_haveSchema) fail("das Schema fehlt", "the schema is missing");
        return m_builder.finish();
    }

  private:
    [[noreturn]] void fail(const QString& german, const QString& english) const {
        const qint64 line = m_xml.lineNumber();
        rsfile::damaged(m_source, QStringLiteral("Zeile %1: %2").arg(line).arg(german),
                        QStringLiteral("line %1: %2").arg(line).arg(english));
    }
    [[noreturn]] void fail(const char* german, const char* english) const {
        fail(QString::fromUtf8(german), QString::fromUtf8(english));
    }

    void feed() {
        QByteArray chunk = m_device->read(ChunkSize);
        // The last bytes are said to be the last at once: the stand-ins hand on what they hold
        // back, since the parser may end the document without asking for more (trailing bytes
        // after the root would go unseen).
        if (chunk.isEmpty() || m_device->atEnd()) m_inputDone = true;
        if (m_first) {
            m_first = false;
            // The stand-ins work on UTF-8 bytes; a UTF-16 file goes to the parser as it is.
            if (chunk.startsWith("\xFF\xFE") || chunk.startsWith("\xFE\xFF") ||
                (chunk.size() > 1 && (chunk[0] == 0 || chunk[1] == 0))) {
                m_guard.disable();
                m_guardActive = false;
                m_rows.disable();
            }
        }
        const QByteArray filtered = m_rows.filter(m_guard.filter(chunk, m_inputDone), m_inputDone);
        if (!filtered.isEmpty()) m_xml.addData(filtered);
    }

    QXmlStreamReader::TokenType next() {
        for (;;) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
            if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !m_inputDone) {
                feed();
                continue;
            }
            if (m_xml.hasError()) {
                if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                    fail("die Datei endet vorzeitig", "the file ends prematurely");
                fail(QStringLiteral("kein gültiges XML (%1)").arg(m_xml.errorString()),
                     QStringLiteral("no valid XML (%1)").arg(m_xml.errorString()));
            }
            if (t == QXmlStreamReader::StartDocument) m_encoding = m_xml.documentEncoding().toString();
            if (t == QXmlStreamReader::StartElement && xmlrs::isRowTagName(m_xml.qualifiedName()))
                takeRowAttributes();
            return t;
        }
    }

    // The plain attributes of the row element just started, from the scanner when it took them
    // out of the parser's input, else from the parser; each with its field (-1: not in the schema).
    void takeRowAttributes() {
        m_rowAttributes.clear();
        m_rowColumns.clear();
        xmlrs::ScannedRow scanned;
        if (m_rows.takeRow(scanned) && scanned.taken) {
            const xmlrs::RowAttributeError e = xmlrs::decodeRowAttributes(
                scanned.attributes, m_encoding, m_rowStorage, m_rowAttributes);
            if (!e.isEmpty()) fail(QStringLiteral("kein gültiges XML (%1)").arg(e.german),
                                   QStringLiteral("no valid XML (%1)").arg(e.english));
        } else {
            m_parserAttributes = m_xml.attributes();
            for (const QXmlStreamAttribute& a : std::as_const(m_parserAttributes))
                if (a.namespaceUri().isEmpty()) m_rowAttributes.push_back({a.name(), a.value()});
        }
        // Attributes usually come in field order: the next field is tried first. A name given
        // twice makes the file no XML, as the parser says for the attributes it reads itself.
        const int count = int(m_xmlNames.size());
        if (m_twice.size() != size_t(count)) m_twice.assign(size_t(count), -1);
        ++m_rowSerial;
        QSet<QStringView> unknown;
        int hint = 0;
        for (const xmlrs::RowAttribute& a : m_rowAttributes) {
            int col = -1;
            if (hint < count && m_xmlNames[hint] == a.name)
                col = hint;
            else
                col = columnOf(a.name);
            bool again = false;
            if (col >= 0) {
                again = m_twice[size_t(col)] == m_rowSerial;
                m_twice[size_t(col)] = m_rowSerial;
                hint = col + 1;
            } else {
                again = unknown.contains(a.name);
                unknown.insert(a.name);
            }
            if (again)
                fail(QStringLiteral("kein gültiges XML (das Attribut '%1' steht zweimal im Element)").arg(a.name),
                     QStringLiteral("no valid XML (the attribute '%1' appears twice in the element)").arg(a.name));
            m_rowColumns.push_back(col);
        }
    }

    bool isElement(const QString& ns, QStringView name) const {
        return m_xml.name() == name && sameUri(m_xml.namespaceUri(), ns);
    }

    // Consumes the current element up to its end.
    void skipElement() {
        int depth = 1;
        while (depth > 0) {
            const auto t = next();
            if (t == QXmlStreamReader::StartElement)
                ++depth;
            else if (t == QXmlStreamReader::EndElement)
                --depth;
        }
    }

    QString text(QStringView raw) const {
        return m_guardActive && xmlrs::hasMarks(raw) ? xmlrs::restoreMarked(raw) : raw.toString();
    }

    // Attributes of the schema by namespace: "dt:type", "rs:name", "name".
    void collect(QHash<QString, QString>& into) const {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        for (const QXmlStreamAttribute& a : attributes) {
            const QStringView ns = a.namespaceUri();
            QString key;
            if (ns.isEmpty())
                key = a.name().toString();
            else if (sameUri(ns, NsDataType))
                key = QStringLiteral("dt:") + a.name().toString();
            else if (sameUri(ns, NsRowset))
                key = QStringLiteral("rs:") + a.name().toString();
            else
                continue;
            into.insert(key, text(a.value()));
        }
    }

    void readSchema() {
        while (next() != QXmlStreamReader::EndElement) {
            if (!m_xml.isStartElement()) continue;
            if (isElement(NsSchema, u"ElementType") && !m_haveSchema)
                readElementType();
            else
                skipElement();
        }
    }

    void readElementType() {
        m_haveSchema = true;
        while (next() != QXmlStreamReader::EndElement) {
            if (!m_xml.isStartElement()) continue;
            if (isElement(NsSchema, u"AttributeType"))
                readAttributeType();
            else
                skipElement();
        }
        m_seen.assign(size_t(m_xmlNames.size()), -1);
    }

    qint64 number(const QHash<QString, QString>& attrs, const QString& key,
                  qint64 limit = std::numeric_limits<int>::max()) const {
        const QString v = attrs.value(key).trimmed();
        if (v.isEmpty()) return 0;
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (!ok || n < 0 || n > limit)
            fail(QStringLiteral("'%1' ist keine gültige Zahl (%2)").arg(v, key),
                 QStringLiteral("'%1' is no valid number (%2)").arg(v, key));
        return n;
    }

    void readAttributeType() {
        QHash<QString, QString> attrs;
        collect(attrs);
        while (next() != QXmlStreamReader::EndElement) {
            if (!m_xml.isStartElement()) continue;
            if (isElement(NsSchema, u"datatype")) collect(attrs);
            skipElement();
        }
        const QString xmlName = attrs.value(QStringLiteral("name"));
        if (xmlName.isEmpty()) fail("ein Feld hat keinen Namen", "a field has no name");
        if (m_nameIndex.contains(xmlName))
            fail(QStringLiteral("der Feldname '%1' kommt im Schema zweimal vor").arg(xmlName),
                 QStringLiteral("the field name '%1' appears twice in the schema").arg(xmlName));
        FieldInfo f;
        f.name = attrs.contains(QStringLiteral("rs:name")) ? attrs.value(QStringLiteral("rs:name")) : xmlName;
        const QString dtType = attrs.value(QStringLiteral("dt:type"));
        f.type = xmlrs::adoTypeOf(dtType, attrs.value(QStringLiteral("rs:dbtype")),
                                  isTrue(attrs.value(QStringLiteral("rs:fixedlength"))),
                                  isTrue(attrs.value(QStringLiteral("rs:long"))));
        f.definedSize = number(attrs, QStringLiteral("dt:maxLength"));
        // Precision and scale are digit counts of at most 1000; a larger one is no recordset of
        // ours, and would make the grid reserve room for that many digits.
        f.scale = int(number(attrs, QStringLiteral("rs:scale"), MaxDigits));
        f.precision = int(number(attrs, QStringLiteral("rs:precision"), MaxDigits));
        f.nullable = isTrue(attrs.value(QStringLiteral("rs:nullable"))) ||
                     !isFalse(attrs.value(QStringLiteral("rs:maybenull")));
        m_nameIndex.insert(xmlName, int(m_xmlNames.size()));
        m_xmlNames.append(xmlName);
        m_base64.push_back(dtType.trimmed().compare(u"bin.base64", Qt::CaseInsensitive) == 0);
        m_builder.addField(f);
    }

    int columnOf(QStringView name) const { return m_nameIndex.value(name.toString(), -1); }

    bool isRow() const { return m_xml.name() == u"row" && sameUri(m_xml.namespaceUri(), NsRow); }

    void readData() {
        while (next() != QXmlStreamReader::EndElement) {
            if (!m_xml.isStartElement()) continue;
            if (isRow()) {
                appendRow();
                skipElement();
            } else if (isElement(NsRowset, u"insert")) {
                readRowsOf();
            } else if (isElement(NsRowset, u"update")) {
                readUpdate();
            } else {
                // rs:delete and anything unknown leave no rows.
                skipElement();
            }
        }
    }

    void readRowsOf() {
        while (next() != QXmlStreamReader::EndElement) {
            if (!m_xml.isStartElement()) continue;
            if (isRow()) appendRow();
            skipElement();
        }
    }

    using RowValues = std::vector<std::optional<QString>>;

    RowValues rowValues() const {
        RowValues values(size_t(m_xmlNames.size()));
        for (size_t i = 0; i < m_rowAttributes.size(); ++i)
            if (const int col = m_rowColumns[i]; col >= 0) values[size_t(col)] = m_rowAttributes[i].value.toString();
        return values;
    }

    // An update group: the original row, then the row with the changed values.
    void readUpdate() {
        RowValues original;
        bool wroteRow = false;
        while (next() != QXmlStreamReader::EndElement) {
            if (!m_xml.isStartElement()) continue;
            if (isElement(NsRowset, u"original")) {
                while (next() != QXmlStreamReader::EndElement) {
                    if (!m_xml.isStartElement()) continue;
                    if (isRow() && original.empty()) original = rowValues();
                    skipElement();
                }
            } else if (isRow()) {
                RowValues merged = original.empty() ? RowValues(size_t(m_xmlNames.size())) : original;
                const RowValues changed = rowValues();
                for (size_t i = 0; i < changed.size(); ++i)
                    if (changed[i]) merged[i] = changed[i];
                appendValues(merged);
                wroteRow = true;
                skipElement();
            } else {
                skipElement();
            }
        }
        if (!wroteRow && !original.empty()) appendValues(original);
    }

    void appendValues(const RowValues& values) {
        for (size_t col = 0; col < values.size(); ++col) {
            if (values[col])
                appendValue(int(col), *values[col]);
            else
                m_builder.appendNull(int(col));
        }
    }

    void appendRow() {
        ++m_row;
        const int count = int(m_xmlNames.size());
        for (size_t i = 0; i < m_rowAttributes.size(); ++i) {
            const int col = m_rowColumns[i];
            if (col < 0) continue; // not declared in the schema
            appendValue(col, m_rowAttributes[i].value);
            m_seen[size_t(col)] = m_row;
        }
        for (int col = 0; col < count; ++col)
            if (m_seen[size_t(col)] != m_row) m_builder.appendNull(col);
    }

    [[noreturn]] void badValue(int col, QStringView value) const {
        QString shown = value.left(60).toString();
        const QString& name = m_builder.field(col).name;
        fail(QStringLiteral("'%1' ist kein gültiger Wert für das Feld '%2' (%3)")
                 .arg(shown, name, ado::typeName(m_builder.field(col).type)),
             QStringLiteral("'%1' is no valid value for the field '%2' (%3)")
                 .arg(shown, name, ado::typeName(m_builder.field(col).type)));
    }

    void appendValue(int col, QStringView raw) {
        QString restored;
        QStringView v = raw;
        if (m_guardActive && xmlrs::hasMarks(raw)) {
            restored = xmlrs::restoreMarked(raw);
            v = restored;
        }
        const int type = m_builder.field(col).type;
        switch (m_builder.kind(col)) {
        case StorageKind::Integer: {
            const auto n = cell::parseInteger(v, type);
            if (!n) badValue(col, v);
            m_builder.appendInt(col, *n);
            return;
        }
        case StorageKind::Real: {
            std::optional<double> d;
            if (type == ado::adSingle) {
                if (const auto f = cell::parseSingle(v)) d = double(*f);
            } else {
                d = cell::parseDouble(v);
            }
            if (!d) badValue(col, v);
            m_builder.appendReal(col, *d);
            return;
        }
        case StorageKind::Decimal: {
            // A text that is no number was kept as the server gave it, and comes back so.
            const QByteArray utf8 = v.toUtf8();
            m_builder.appendDecimal(col, std::string_view(utf8.constData(), size_t(utf8.size())));
            return;
        }
        case StorageKind::DateTime: {
            const auto t = cell::parseDateTime(v, type);
            if (!t) badValue(col, v);
            m_builder.appendDateTime(col, *t);
            return;
        }
        case StorageKind::Binary: {
            std::optional<QByteArray> bytes;
            if (m_base64[size_t(col)]) {
                auto r = QByteArray::fromBase64Encoding(v.trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
                if (r) bytes = *r;
            } else {
                bytes = cell::fromHex(v.trimmed());
            }
            if (!bytes) badValue(col, v);
            m_builder.appendBytes(col, *bytes);
            return;
        }
        case StorageKind::Text:
            break;
        }
        m_builder.appendText(col, v);
    }

    QIODevice* m_device;
    QString m_source;
    QXmlStreamReader m_xml;
    xmlrs::InputGuard m_guard;
    bool m_inputDone = false;
    bool m_first = true;
    bool m_guardActive = true;
    bool m_haveSchema = false;
    QStringList m_xmlNames;
    QHash<QString, int> m_nameIndex;
    std::vector<bool> m_base64;
    std::vector<qint64> m_seen;
    qint64 m_row = 0;
    xmlrs::RowTagScanner m_rows;
    // The current row element's plain attributes and their fields.
    std::vector<xmlrs::RowAttribute> m_rowAttributes;
    std::vector<int> m_rowColumns;
    QString m_rowStorage;
    QString m_encoding; // as the XML declaration names it; empty: UTF-8
    QXmlStreamAttributes m_parserAttributes;
    std::vector<qint64> m_twice; // per field: the last row element that named it
    qint64 m_rowSerial = 0;
    RecordsetBuilder m_builder;
};

} // namespace

Recordset loadXml(const QString& path) {
    rsfile::checkReadable(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) rsfile::cannotOpen(path, file.errorString());
    return XmlReader(&file, path, true).read();
}

namespace {

Recordset loadXmlFrom(QIODevice* device, const QString& sourceName, bool scanRows) {
    QString name = sourceName;
    if (name.isEmpty()) {
        const auto* file = qobject_cast<const QFileDevice*>(device);
        name = file ? file->fileName() : QStringLiteral("XML");
    }
    return XmlReader(device, name, scanRows).read();
}

} // namespace

Recordset loadXml(QIODevice* device, const QString& sourceName) {
    return loadXmlFrom(device, sourceName, true);
}

Recordset xmlrs::loadXmlParserOnly(QIODevice* device, const QString& sourceName) {
    return loadXmlFrom(device, sourceName, false);
}

} // namespace mv
