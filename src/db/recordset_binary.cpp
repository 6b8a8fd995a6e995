#include "db/recordset_binary.h"

#include "app/atomic_file.h"
#include "app/mv_error.h"
#include "db/recordset_builder.h"
#include "db/recordset_file_errors.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <span>

namespace mv {

namespace {

constexpr char Magic[8] = {'M', 'V', 'R', 'E', 'C', 'S', 'E', 'T'};
constexpr quint32 MaxNameBytes = 1u << 20;

const std::array<quint32, 256>& crcTable() {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

quint32 crcUpdate(quint32 crc, const char* data, qint64 size) {
    const auto& table = crcTable();
    for (qint64 i = 0; i < size; ++i)
        crc = table[(crc ^ quint8(data[i])) & 0xFF] ^ (crc >> 8);
    return crc;
}

// Elements are written and read in little-endian order whatever the host is.
template <class T> void toLittleEndianInPlace(T* values, size_t count) {
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN && sizeof(T) > 1) {
        for (size_t i = 0; i < count; ++i) {
            auto* bytes = reinterpret_cast<char*>(values + i);
            std::reverse(bytes, bytes + sizeof(T));
        }
    } else {
        Q_UNUSED(values);
        Q_UNUSED(count);
    }
}

class BinaryOut {
  public:
    explicit BinaryOut(AtomicFile& file) : m_file(file) {}

    void raw(const char* data, qint64 size) {
        if (!m_ok || size == 0) return;
        m_crc = crcUpdate(m_crc, data, size);
        m_ok = m_file.write(data, size) == size;
    }
    template <class T> void scalar(T value) {
        toLittleEndianInPlace(&value, 1);
        raw(reinterpret_cast<const char*>(&value), sizeof(T));
    }
    void text(const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        scalar<quint32>(quint32(utf8.size()));
        raw(utf8.constData(), utf8.size());
    }
    template <class T> void array(const std::vector<T>& values) { array(std::span<const T>(values)); }
    template <class T> void array(std::span<const T> values) {
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN && sizeof(T) > 1) {
            std::vector<T> copy(values.begin(), values.end());
            toLittleEndianInPlace(copy.data(), copy.size());
            raw(reinterpret_cast<const char*>(copy.data()), qint64(copy.size() * sizeof(T)));
        } else {
            raw(reinterpret_cast<const char*>(values.data()), qint64(values.size() * sizeof(T)));
        }
    }
    void finish() {
        const quint32 crc = ~m_crc;
        quint32 le = crc;
        toLittleEndianInPlace(&le, 1);
        if (m_ok) m_ok = m_file.write(reinterpret_cast<const char*>(&le), 4) == 4;
    }
    bool ok() const { return m_ok; }

  private:
    AtomicFile& m_file;
    quint32 m_crc = 0xFFFFFFFFu;
    bool m_ok = true;
};

class BinaryIn {
  public:
    BinaryIn(QFile& file, const QString& path) : m_file(file), m_path(path), m_remaining(file.size() - 4) {}

    [[noreturn]] void fail(const char* german, const char* english) const {
        rsfile::damaged(m_path, QString::fromUtf8(german), QString::fromUtf8(english));
    }
    void need(quint64 bytes) const {
        if (m_remaining < 0 || bytes > quint64(m_remaining))
            fail("die Datei ist zu kurz", "the file is cut off");
    }
    void raw(char* data, qint64 size) {
        if (size == 0) return;
        need(quint64(size));
        if (m_file.read(data, size) != size) fail("die Datei ist nicht lesbar", "the file cannot be read");
        m_crc = crcUpdate(m_crc, data, size);
        m_remaining -= size;
    }
    template <class T> T scalar() {
        T value{};
        raw(reinterpret_cast<char*>(&value), sizeof(T));
        toLittleEndianInPlace(&value, 1);
        return value;
    }
    QString text(quint32 limit) {
        const quint32 size = scalar<quint32>();
        if (size > limit) fail("ein Name ist zu lang", "a name is too long");
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        raw(bytes.data(), size);
        return QString::fromUtf8(bytes);
    }
    template <class T, class Container = std::vector<T>> Container array(quint64 count) {
        if (count > quint64(std::max<qint64>(m_remaining, 0)) / sizeof(T))
            fail("die Datei ist zu kurz", "the file is cut off");
        Container values(static_cast<size_t>(count), T{});
        raw(reinterpret_cast<char*>(values.data()), qint64(count * sizeof(T)));
        toLittleEndianInPlace(values.data(), values.size());
        return values;
    }
    void checkEnd() {
        if (m_remaining != 0)
            fail("nach den Daten folgen weitere Bytes", "there are further bytes after the data");
        quint32 stored = 0;
        if (m_file.read(reinterpret_cast<char*>(&stored), 4) != 4)
            fail("die Datei ist zu kurz", "the file is cut off");
        toLittleEndianInPlace(&stored, 1);
        if (stored != ~m_crc) fail("die Prüfsumme stimmt nicht", "the checksum does not match");
    }

  private:
    QFile& m_file;
    QString m_path;
    qint64 m_remaining;
    quint32 m_crc = 0xFFFFFFFFu;
};

void writeColumn(BinaryOut& out, const ColumnStore& c) {
    out.scalar<quint8>(quint8(c.kind()));
    out.array(c.nullWords());
    switch (c.kind()) {
    case StorageKind::Integer:
        out.array(c.ints());
        break;
    case StorageKind::Real:
        out.array(c.reals());
        break;
    case StorageKind::DateTime:
        out.array(c.ints());
        out.array(c.nanos());
        break;
    default:
        out.scalar<quint64>(quint64(c.arena().size()));
        out.array(c.arena());
        out.array(c.offsets());
        break;
    }
}

ColumnStore readColumn(BinaryIn& in, StorageKind expected, quint64 rows) {
    const quint8 kind = in.scalar<quint8>();
    if (kind != quint8(expected))
        in.fail("eine Spalte passt nicht zu ihrem Feldtyp", "a column does not match its field type");
    ColumnStore::Parts parts;
    parts.nulls = in.array<quint64, PodBuffer<quint64>>((rows + 63) / 64);
    switch (expected) {
    case StorageKind::Integer:
        parts.ints = in.array<qint64, PodBuffer<qint64>>(rows);
        break;
    case StorageKind::Real:
        parts.reals = in.array<double, PodBuffer<double>>(rows);
        break;
    case StorageKind::DateTime:
        parts.ints = in.array<qint64, PodBuffer<qint64>>(rows);
        parts.nanos = in.array<quint32, PodBuffer<quint32>>(rows);
        break;
    default: {
        const quint64 arenaSize = in.scalar<quint64>();
        parts.arena = in.array<char, PodBuffer<char>>(arenaSize);
        parts.offsets = in.array<quint64, PodBuffer<quint64>>(rows + 1);
        break;
    }
    }
    auto column = ColumnStore::fromParts(expected, qsizetype(rows), std::move(parts));
    if (!column)
        in.fail("die Daten einer Spalte sind widersprüchlich", "the data of a column is inconsistent");
    return std::move(*column);
}

} // namespace

void saveBinary(const Recordset& rs, const QString& path) {
    AtomicFile file(path);
    if (!file.open(QIODevice::WriteOnly)) rsfile::cannotWrite(path, file.errorString());
    BinaryOut out(file);
    out.raw(Magic, sizeof Magic);
    out.scalar<quint32>(RecordsetBinaryVersion);
    out.scalar<quint32>(rs.supportsUpdate() ? 1u : 0u);
    out.scalar<quint32>(quint32(rs.fieldCount()));
    out.scalar<quint64>(quint64(rs.recordCount()));
    out.text(rs.sort());
    const std::vector<int>& order = rs.rowOrder();
    out.scalar<quint8>(order.empty() ? 0 : 1);
    if (!order.empty()) out.array(order);
    for (const FieldInfo& f : rs.fields()) {
        out.text(f.name);
        out.scalar<qint32>(f.type);
        out.scalar<qint64>(f.definedSize);
        out.scalar<qint32>(f.precision);
        out.scalar<qint32>(f.scale);
        out.scalar<quint8>(f.nullable ? 1 : 0);
    }
    for (int c = 0; c < rs.fieldCount(); ++c)
        writeColumn(out, rs.column(c));
    out.finish();
    if (!out.ok()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        rsfile::cannotWrite(path, reason);
    }
    if (!file.commit()) rsfile::cannotWrite(path, file.errorString());
}

Recordset loadBinary(const QString& path) {
    rsfile::checkReadable(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) rsfile::cannotOpen(path, file.errorString());
    char magic[sizeof Magic] = {};
    if (file.size() < qint64(sizeof Magic) + 4 || file.read(magic, sizeof magic) != qint64(sizeof magic) ||
        std::memcmp(magic, Magic, sizeof Magic) != 0)
        rsfile::damaged(path, QStringLiteral("keine gespeicherte Ergebnismenge von Morvenda"),
                        QStringLiteral("not a saved Morvenda result set"));
    file.seek(0);
    BinaryIn in(file, path);
    char skipped[sizeof Magic];
    in.raw(skipped, sizeof skipped);
    const quint32 version = in.scalar<quint32>();
    if (version == 0 || version > RecordsetBinaryVersion)
        rsfile::unsupportedVersion(path, version, RecordsetBinaryVersion);
    const quint32 flags = in.scalar<quint32>();
    const quint32 fieldCount = in.scalar<quint32>();
    const quint64 rows = in.scalar<quint64>();
    if (rows >= quint64(std::numeric_limits<int>::max()))
        in.fail("die Zahl der Datensätze ist zu groß", "the number of records is too large");
    // Every field needs at least its fixed description bytes.
    in.need(quint64(fieldCount) * 25);
    const QString sortText = in.text(MaxNameBytes);
    std::vector<int> order;
    if (in.scalar<quint8>() != 0) order = in.array<int>(rows);

    RecordsetBuilder builder;
    for (quint32 i = 0; i < fieldCount; ++i) {
        FieldInfo f;
        f.name = in.text(MaxNameBytes);
        f.type = in.scalar<qint32>();
        f.definedSize = in.scalar<qint64>();
        f.precision = in.scalar<qint32>();
        f.scale = in.scalar<qint32>();
        f.nullable = in.scalar<quint8>() != 0;
        // More than 1000 digits come from no database; the grid would reserve room for them.
        if (f.precision < 0 || f.precision > 1000 || f.scale < -1000 || f.scale > 1000)
            in.fail("ein Feld hat eine ungültige Größe oder Genauigkeit",
                    "a field has an invalid size or precision");
        builder.addField(f);
    }
    for (quint32 i = 0; i < fieldCount; ++i)
        builder.setColumn(int(i), readColumn(in, builder.kind(int(i)), rows));
    in.checkEnd();
    if (fieldCount == 0 && rows != 0) in.fail("Datensätze ohne Felder", "records without fields");
    builder.setRowOrder(std::move(order), sortText);
    builder.setUpdatable(flags & 1u);
    try {
        return builder.finish();
    } catch (const MvError&) {
        in.fail("die Sortierfolge ist ungültig", "the row order is invalid");
    }
}

} // namespace mv
