#pragma once
// ADO's persisted-recordset XML: UTF-8 without declaration, CR LF, tab indents, single-quoted
// attributes; a schema of the fields, then one z:row per row with one attribute per non-Null
// field. Field names that are no plain XML names, or repeat, are written under an alias with the
// real name in rs:name.
//
// Writing streams row by row, so its memory does not grow with the row count. Reading resolves
// elements by namespace URI and also takes the forms other writers use: dt:type on the
// AttributeType, no dt:type (a string), i4 / r8, <rs:data/>, undeclared row attributes (ignored),
// and pending-change groups rs:insert / rs:update (with rs:original) / rs:delete, read as the rows
// they leave. Control characters in texts, which XML itself cannot carry, are read back as written.
//
// Errors throw MvError: 53 missing file, 75 not openable, 31036 not writable, 31037 no readable
// recordset XML (with line and reason). A failed save leaves an existing file untouched.
#include "db/recordset.h"

#include <QIODevice>

namespace mv {

class XmlRecordsetWriter {
  public:
    explicit XmlRecordsetWriter(QIODevice* device);
    ~XmlRecordsetWriter();
    XmlRecordsetWriter(const XmlRecordsetWriter&) = delete;
    XmlRecordsetWriter& operator=(const XmlRecordsetWriter&) = delete;

    // Namespaces, the schema and the opening of rs:data.
    void writeHeader(const QList<FieldInfo>& fields);
    // One row of a recordset with the header's fields; row index in the recordset's current order.
    void writeRow(const Recordset& rs, int row);
    // Closes rs:data and the document and flushes. False when the device refused a write.
    bool finish();
    bool ok() const { return m_ok; }

  private:
    void flush();

    QIODevice* m_device;
    QList<FieldInfo> m_fields;
    QList<QByteArray> m_xmlNames;
    QByteArray m_buffer;
    bool m_ok = true;
};

// The XML names of the fields: the name itself when it is a plain ASCII name and the first of its
// spelling, otherwise "c" + (ordinal - 1) or, when that is taken, another unused name.
QList<QByteArray> xmlFieldNames(const QList<FieldInfo>& fields);

// Walks the rows in their current order; a pending edit is not written.
void saveXml(const Recordset& rs, QIODevice* device);
// Written atomically: the file is replaced only when everything was written.
void saveXml(const Recordset& rs, const QString& path);

Recordset loadXml(const QString& path);
// `sourceName` names the input in messages.
Recordset loadXml(QIODevice* device, const QString& sourceName = QString());

namespace xmlrs {
// The same reading with the XML parser's own attribute handling for the rows (quadratic in the
// attributes of a row): the yardstick the row scanner is compared with by the tests and the fuzzer.
Recordset loadXmlParserOnly(QIODevice* device, const QString& sourceName = QString());
} // namespace xmlrs

} // namespace mv
