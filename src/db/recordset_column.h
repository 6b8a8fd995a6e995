#pragma once
// Typed storage of one recordset column: one array per value kind, a null bit per cell, and for
// texts and bytes a single byte arena with offsets (no object per cell). A million short texts cost
// their bytes plus eight bytes each. The arrays grow without a second copy of themselves (PodBuffer).
#include "db/ado_types.h"
#include "db/pod_buffer.h"
#include "db/recordset_values.h"

#include <QByteArrayView>
#include <optional>
#include <span>
#include <string_view>

namespace mv {

class ColumnStore {
  public:
    explicit ColumnStore(StorageKind kind = StorageKind::Text);

    StorageKind kind() const { return m_kind; }
    qsizetype size() const { return m_size; }

    bool isNull(qsizetype row) const { return (m_nulls[size_t(row) >> 6] >> (row & 63)) & 1u; }
    // Typed reads; the caller picks the one matching kind(). A Null cell reads as 0 / empty.
    qint64 intAt(qsizetype row) const { return m_ints[size_t(row)]; }
    double realAt(qsizetype row) const { return m_reals[size_t(row)]; }
    DateTimeValue dateTimeAt(qsizetype row) const { return {m_ints[size_t(row)], m_nanos[size_t(row)]}; }
    // Text (UTF-8), decimal text or bytes; valid until the column changes.
    QByteArrayView bytesAt(qsizetype row) const {
        const quint64 begin = m_offsets[size_t(row)], end = m_offsets[size_t(row) + 1];
        return QByteArrayView(m_arena.data() + begin, qsizetype(end - begin));
    }

    void appendNull();
    void appendInt(qint64 value);
    void appendReal(double value);
    void appendDateTime(DateTimeValue value);
    void appendBytes(QByteArrayView bytes);
    void appendUtf16(QStringView text); // stored as UTF-8 without an intermediate copy

    void setNull(qsizetype row);
    void setInt(qsizetype row, qint64 value);
    void setReal(qsizetype row, double value);
    void setDateTime(qsizetype row, DateTimeValue value);
    void setBytes(qsizetype row, QByteArrayView bytes);

    void erase(qsizetype row);
    void clear();
    void reserve(qsizetype rows, qsizetype arenaBytes = 0);
    // Gives back growth reserve once filling is done.
    void squeeze();
    // Bytes held, reserve included.
    qsizetype memoryUsage() const;

    // Raw parts, for the binary persistence; valid until the column changes. Offsets hold size()+1
    // entries starting at 0.
    std::span<const quint64> nullWords() const { return m_nulls; }
    std::span<const qint64> ints() const { return m_ints; }
    std::span<const double> reals() const { return m_reals; }
    std::span<const quint32> nanos() const { return m_nanos; }
    std::span<const char> arena() const { return m_arena; }
    std::span<const quint64> offsets() const { return m_offsets; }

    struct Parts {
        PodBuffer<quint64> nulls;
        PodBuffer<qint64> ints;
        PodBuffer<double> reals;
        PodBuffer<quint32> nanos;
        PodBuffer<char> arena;
        PodBuffer<quint64> offsets;
    };
    // A column from raw parts; checks every size and offset. Empty on any inconsistency.
    static std::optional<ColumnStore> fromParts(StorageKind kind, qsizetype rows, Parts&& parts);

  private:
    bool usesInts() const { return m_kind == StorageKind::Integer || m_kind == StorageKind::DateTime; }
    bool usesArena() const {
        return m_kind == StorageKind::Text || m_kind == StorageKind::Decimal || m_kind == StorageKind::Binary;
    }
    void pushNullBit(bool null);
    void setNullBit(qsizetype row, bool null);

    StorageKind m_kind;
    qsizetype m_size = 0;
    PodBuffer<quint64> m_nulls;
    PodBuffer<qint64> m_ints;   // Integer values; DateTime seconds
    PodBuffer<double> m_reals;  // Real values
    PodBuffer<quint32> m_nanos; // DateTime nanoseconds
    PodBuffer<char> m_arena;    // Text / Decimal / Binary bytes
    PodBuffer<quint64> m_offsets{0};
};

} // namespace mv
