// The binary recordset reader on any content. The input gets its checksum appended, so the reader
// gets past the check and parses the body.
#include "db/recordset_binary.h"
#include "fuzz_support.h"

#include <array>

namespace {
quint32 crc32(const QByteArray& bytes) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char b : bytes) crc = table[(crc ^ quint8(b)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray content = mvfuzz::bytes(data, size);
    const quint32 crc = crc32(content);
    for (int i = 0; i < 4; ++i) content.append(char((crc >> (8 * i)) & 0xFF));
    try {
        mvfuzz::touchEveryCell(mv::loadBinary(mvfuzz::inputFile(content, ".dat")));
    } catch (const mv::MvError&) {
    }
    return 0;
}
