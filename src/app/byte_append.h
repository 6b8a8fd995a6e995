#pragma once
// Appending bytes to a QByteArray in the hot loops of the exports: QByteArray::append of a range
// goes through the general insertion (aliasing checks, a move of the tail), which costs more than
// the copy itself for the few bytes of a cell. The buffer grows geometrically as with append.
#include <QByteArray>

#include <cstring>

namespace mv {

inline void appendRaw(QByteArray& out, const char* data, qsizetype size) {
    if (size <= 0) return;
    const qsizetype at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, data, size_t(size));
}

inline void appendRaw(QByteArray& out, const QByteArray& bytes) {
    appendRaw(out, bytes.constData(), bytes.size());
}

} // namespace mv
