#include "db/recordset_column.h"

#include <QStringEncoder>
#include <algorithm>
#include <cstring>

namespace mv {

ColumnStore::ColumnStore(StorageKind kind) : m_kind(kind) {}

void ColumnStore::pushNullBit(bool null) {
    const size_t word = size_t(m_size) >> 6;
    if (word >= m_nulls.size()) m_nulls.push_back(0);
    if (null) m_nulls[word] |= quint64(1) << (m_size & 63);
    ++m_size;
}

void ColumnStore::setNullBit(qsizetype row, bool null) {
    const quint64 bit = quint64(1) << (row & 63);
    if (null)
        m_nulls[size_t(row) >> 6] |= bit;
    else
        m_nulls[size_t(row) >> 6] &= ~bit;
}

void ColumnStore::appendNull() {
    switch (m_kind) {
    case StorageKind::Integer:
        m_ints.push_back(0);
        break;
    case StorageKind::Real:
        m_reals.push_back(0);
        break;
    case StorageKind::DateTime:
        m_ints.push_back(0);
        m_nanos.push_back(0);
        break;
    default:
        m_offsets.push_back(m_offsets.back());
        break;
    }
    pushNullBit(true);
}

void ColumnStore::appendInt(qint64 value) {
    m_ints.push_back(value);
    pushNullBit(false);
}

void ColumnStore::appendReal(double value) {
    m_reals.push_back(value);
    pushNullBit(false);
}

void ColumnStore::appendDateTime(DateTimeValue value) {
    m_ints.push_back(value.seconds);
    m_nanos.push_back(value.nanos);
    pushNullBit(false);
}

void ColumnStore::appendBytes(QByteArrayView bytes) {
    m_arena.append(bytes.data(), size_t(bytes.size()));
    m_offsets.push_back(m_arena.size());
    pushNullBit(false);
}

void ColumnStore::appendUtf16(QStringView text) {
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    const size_t start = m_arena.size();
    char* begin = m_arena.extend(size_t(encoder.requiredSpace(text.size())));
    const char* end = encoder.appendToBuffer(begin, text);
    m_arena.resize(start + size_t(end - begin));
    m_offsets.push_back(m_arena.size());
    pushNullBit(false);
}

void ColumnStore::setNull(qsizetype row) {
    switch (m_kind) {
    case StorageKind::Integer:
        m_ints[size_t(row)] = 0;
        break;
    case StorageKind::Real:
        m_reals[size_t(row)] = 0;
        break;
    case StorageKind::DateTime:
        m_ints[size_t(row)] = 0;
        m_nanos[size_t(row)] = 0;
        break;
    default:
        setBytes(row, {});
        break;
    }
    setNullBit(row, true);
}

void ColumnStore::setInt(qsizetype row, qint64 value) {
    m_ints[size_t(row)] = value;
    setNullBit(row, false);
}

void ColumnStore::setReal(qsizetype row, double value) {
    m_reals[size_t(row)] = value;
    setNullBit(row, false);
}

void ColumnStore::setDateTime(qsizetype row, DateTimeValue value) {
    m_ints[size_t(row)] = value.seconds;
    m_nanos[size_t(row)] = value.nanos;
    setNullBit(row, false);
}

void ColumnStore::setBytes(qsizetype row, QByteArrayView bytes) {
    const size_t begin = m_offsets[size_t(row)], end = m_offsets[size_t(row) + 1];
    const qint64 delta = qint64(bytes.size()) - qint64(end - begin);
    // The arena stays one block: later cells move by the length difference.
    if (delta > 0)
        m_arena.insert(end, size_t(delta), '\0');
    else if (delta < 0)
        m_arena.erase(size_t(qint64(end) + delta), size_t(-delta));
    if (!bytes.isEmpty()) std::memcpy(m_arena.data() + begin, bytes.data(), size_t(bytes.size()));
    if (delta != 0)
        for (size_t i = size_t(row) + 1; i < m_offsets.size(); ++i)
            m_offsets[i] += quint64(delta);
    setNullBit(row, false);
}

void ColumnStore::erase(qsizetype row) {
    const size_t r = size_t(row);
    switch (m_kind) {
    case StorageKind::Integer:
        m_ints.erase(r);
        break;
    case StorageKind::Real:
        m_reals.erase(r);
        break;
    case StorageKind::DateTime:
        m_ints.erase(r);
        m_nanos.erase(r);
        break;
    default: {
        const quint64 begin = m_offsets[r], end = m_offsets[r + 1];
        const quint64 length = end - begin;
        m_arena.erase(size_t(begin), size_t(length));
        m_offsets.erase(r + 1);
        for (size_t i = r + 1; i < m_offsets.size(); ++i)
            m_offsets[i] -= length;
        break;
    }
    }
    // Null bits above the row move down by one.
    for (qsizetype i = row; i + 1 < m_size; ++i)
        setNullBit(i, isNull(i + 1));
    --m_size;
    setNullBit(m_size, false);
    m_nulls.resize((size_t(m_size) + 63) / 64);
}

void ColumnStore::clear() {
    *this = ColumnStore(m_kind);
}

void ColumnStore::reserve(qsizetype rows, qsizetype arenaBytes) {
    m_nulls.reserve((size_t(rows) + 63) / 64);
    switch (m_kind) {
    case StorageKind::Integer:
        m_ints.reserve(size_t(rows));
        break;
    case StorageKind::Real:
        m_reals.reserve(size_t(rows));
        break;
    case StorageKind::DateTime:
        m_ints.reserve(size_t(rows));
        m_nanos.reserve(size_t(rows));
        break;
    default:
        m_offsets.reserve(size_t(rows) + 1);
        m_arena.reserve(size_t(arenaBytes));
        break;
    }
}

// Shrinking costs no copy: a mapping gives its tail back in place, a heap block is cut by realloc.
void ColumnStore::squeeze() {
    m_nulls.shrink_to_fit();
    m_ints.shrink_to_fit();
    m_reals.shrink_to_fit();
    m_nanos.shrink_to_fit();
    m_arena.shrink_to_fit();
    m_offsets.shrink_to_fit();
}

qsizetype ColumnStore::memoryUsage() const {
    return qsizetype(sizeof(*this) + m_nulls.allocatedBytes() + m_ints.allocatedBytes() + m_reals.allocatedBytes() +
                     m_nanos.allocatedBytes() + m_arena.allocatedBytes() + m_offsets.allocatedBytes());
}

std::optional<ColumnStore> ColumnStore::fromParts(StorageKind kind, qsizetype rows, Parts&& parts) {
    if (rows < 0) return std::nullopt;
    const size_t n = size_t(rows);
    if (parts.nulls.size() != (n + 63) / 64) return std::nullopt;
    // Bits beyond the last row must be clear, or a later append would inherit them.
    if (n % 64 != 0 && (parts.nulls.back() >> (n % 64)) != 0) return std::nullopt;
    ColumnStore c(kind);
    c.m_size = rows;
    c.m_nulls = std::move(parts.nulls);
    switch (kind) {
    case StorageKind::Integer:
        if (parts.ints.size() != n) return std::nullopt;
        c.m_ints = std::move(parts.ints);
        break;
    case StorageKind::Real:
        if (parts.reals.size() != n) return std::nullopt;
        c.m_reals = std::move(parts.reals);
        break;
    case StorageKind::DateTime:
        if (parts.ints.size() != n || parts.nanos.size() != n) return std::nullopt;
        if (std::any_of(parts.nanos.begin(), parts.nanos.end(), [](quint32 v) { return v > 999'999'999u; }))
            return std::nullopt;
        c.m_ints = std::move(parts.ints);
        c.m_nanos = std::move(parts.nanos);
        break;
    case StorageKind::Text:
    case StorageKind::Decimal:
    case StorageKind::Binary: {
        const auto& off = parts.offsets;
        if (off.size() != n + 1 || off.front() != 0 || off.back() != parts.arena.size()) return std::nullopt;
        for (size_t i = 1; i < off.size(); ++i)
            if (off[i] < off[i - 1]) return std::nullopt;
        c.m_arena = std::move(parts.arena);
        c.m_offsets = std::move(parts.offsets);
        break;
    }
    default:
        return std::nullopt;
    }
    return c;
}

} // namespace mv
