// The recordset XML reader on any file content: its row scanner reads what the XML parser alone
// reads (or both refuse the file), and what it reads, it writes and reads back whole.
#include "db/recordset_xml.h"
#include "fuzz_support.h"

#include <QBuffer>

namespace {

// The recordset read from the bytes, or nothing when the file is refused.
std::optional<mv::Recordset> read(QByteArray& in, bool scanRows) {
    QBuffer buffer(&in);
    buffer.open(QIODevice::ReadOnly);
    try {
        return scanRows ? mv::loadXml(&buffer, QStringLiteral("fuzz.xml"))
                        : mv::xmlrs::loadXmlParserOnly(&buffer, QStringLiteral("fuzz.xml"));
    } catch (const mv::MvError&) {
        return std::nullopt;
    }
}

bool same(const mv::Recordset& a, const mv::Recordset& b) {
    if (a.fieldCount() != b.fieldCount() || a.recordCount() != b.recordCount()) return false;
    for (int c = 0; c < a.fieldCount(); ++c)
        if (a.field(c).name != b.field(c).name || a.field(c).type != b.field(c).type) return false;
    for (int r = 0; r < a.recordCount(); ++r)
        for (int c = 0; c < a.fieldCount(); ++c)
            if (a.isNull(r, c) != b.isNull(r, c) || a.text(r, c) != b.text(r, c)) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray in = mvfuzz::bytes(data, size);
    const std::optional<mv::Recordset> rs = read(in, true);
    const std::optional<mv::Recordset> parsed = read(in, false);
    if (rs.has_value() != parsed.has_value() || (rs && !same(*rs, *parsed))) abort();
    if (!rs) return 0;
    mvfuzz::touchEveryCell(*rs);
    QByteArray out;
    QBuffer written(&out);
    written.open(QIODevice::WriteOnly);
    mv::saveXml(*rs, &written);
    written.close();
    const std::optional<mv::Recordset> back = read(out, true);
    if (!back || back->fieldCount() != rs->fieldCount() || back->recordCount() != rs->recordCount()) abort();
    return 0;
}
