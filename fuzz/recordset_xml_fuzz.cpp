// The recordset XML reader on any file content; what it reads, it writes and reads back the same.
#include "db/recordset_xml.h"
#include "fuzz_support.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray in = mvfuzz::bytes(data, size);
    QBuffer buffer(&in);
    buffer.open(QIODevice::ReadOnly);
    mv::Recordset rs;
    try {
        rs = mv::loadXml(&buffer, QStringLiteral("fuzz.xml"));
    } catch (const mv::MvError&) {
        return 0;
    }
    mvfuzz::touchEveryCell(rs);
    QByteArray out;
    QBuffer written(&out);
    written.open(QIODevice::WriteOnly);
    mv::saveXml(rs, &written);
    written.close();
    written.open(QIODevice::ReadOnly);
    const mv::Recordset back = mv::loadXml(&written, QStringLiteral("again.xml"));
    if (back.fieldCount() != rs.fieldCount() || back.recordCount() != rs.recordCount()) abort();
    return 0;
}
