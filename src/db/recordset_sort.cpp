#include "db/recordset_sort.h"

#include "app/mv_error.h"
#include "app/texts.h"

#include <QAnyStringView>
#include <QUtf8StringView>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace mv {

namespace {

[[noreturn]] void unknownField(const QString& name) {
    throw MvError(
        rserr::ItemNotFound,
        ui_text(QStringLiteral("Das Objekt wurde in der Auflistung entsprechend dem angeforderten "
                               "Namen oder Ordinalwert nicht gefunden (%1)."),
                QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                               "name or ordinal (%1)."))
            .arg(name));
}

// Splits at commas outside brackets.
QStringList splitKeys(const QString& text) {
    QStringList parts;
    QString current;
    bool inBracket = false;
    for (QChar c : text) {
        if (c == QLatin1Char('[')) inBracket = true;
        if (c == QLatin1Char(']')) inBracket = false;
        if (c == QLatin1Char(',') && !inBracket) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// Case-blind order of two UTF-8 texts; plain ASCII is compared in place, the rest through Qt.
int compareText(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char ca = a[i], cb = b[i];
        if ((ca & 0x80) || (cb & 0x80)) {
            return QAnyStringView::compare(QUtf8StringView(a.data(), a.size()),
                                           QUtf8StringView(b.data(), b.size()), Qt::CaseInsensitive);
        }
        const char la = asciiLower(ca), lb = asciiLower(cb);
        if (la != lb) return la < lb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int compareBytes(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), size_t(n));
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <class T> int threeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

std::vector<SortKey> parseSortKeys(const QString& sortText, const QList<FieldInfo>& fields) {
    std::vector<SortKey> keys;
    if (sortText.trimmed().isEmpty()) return keys;
    for (const QString& rawPart : splitKeys(sortText)) {
        QString part = rawPart.trimmed();
        if (part.isEmpty()) continue;
        SortKey key;
        const qsizetype blank = part.lastIndexOf(QLatin1Char(' '));
        const bool bracketedEnd = part.endsWith(QLatin1Char(']'));
        if (blank > 0 && !bracketedEnd) {
            const QString word = part.mid(blank + 1);
            if (word.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0) {
                key.descending = true;
                part = part.left(blank).trimmed();
            } else if (word.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) {
                part = part.left(blank).trimmed();
            }
        }
        if (part.startsWith(QLatin1Char('[')) && part.endsWith(QLatin1Char(']')))
            part = part.mid(1, part.size() - 2);
        key.column = -1;
        for (int i = 0; i < fields.size(); ++i) {
            if (fields[i].name.compare(part, Qt::CaseInsensitive) == 0) {
                key.column = i;
                break;
            }
        }
        if (key.column < 0) unknownField(part);
        keys.push_back(key);
    }
    return keys;
}

int compareCells(const ColumnStore& column, int adoType, qsizetype a, qsizetype b) {
    switch (column.kind()) {
    case StorageKind::Integer:
        if (adoType == ado::adUnsignedBigInt)
            return threeWay(quint64(column.intAt(a)), quint64(column.intAt(b)));
        return threeWay(column.intAt(a), column.intAt(b));
    case StorageKind::Real: {
        const double x = column.realAt(a), y = column.realAt(b);
        // NaN sorts after every number so the order stays strict.
        if (std::isnan(x) || std::isnan(y)) return threeWay(std::isnan(x), std::isnan(y));
        return threeWay(x, y);
    }
    case StorageKind::DateTime: {
        const auto c = column.dateTimeAt(a) <=> column.dateTimeAt(b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case StorageKind::Decimal: {
        const QByteArrayView x = column.bytesAt(a), y = column.bytesAt(b);
        return cell::compareDecimal(std::string_view(x.data(), size_t(x.size())),
                                    std::string_view(y.data(), size_t(y.size())));
    }
    case StorageKind::Binary:
        return compareBytes(column.bytesAt(a), column.bytesAt(b));
    case StorageKind::Text:
        break;
    }
    return compareText(column.bytesAt(a), column.bytesAt(b));
}

constexpr quint64 SignBit = quint64(1) << 63;

std::optional<quint64> sortPrefixKey(const ColumnStore& c, int adoType, qsizetype row) {
    switch (c.kind()) {
    case StorageKind::Integer: {
        const quint64 v = quint64(c.intAt(row));
        return adoType == ado::adUnsignedBigInt ? v : v ^ SignBit;
    }
    case StorageKind::Real: {
        double d = c.realAt(row);
        if (std::isnan(d)) return ~quint64(0);
        if (d == 0) d = 0; // -0 equals 0
        quint64 bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        return (bits & SignBit) ? ~bits : bits | SignBit;
    }
    case StorageKind::DateTime:
        return quint64(c.dateTimeAt(row).seconds) ^ SignBit;
    case StorageKind::Text:
    case StorageKind::Binary: {
        const QByteArrayView b = c.bytesAt(row);
        const bool text = c.kind() == StorageKind::Text;
        quint64 key = 0;
        const qsizetype n = std::min<qsizetype>(b.size(), 8);
        for (qsizetype i = 0; i < n; ++i) {
            const quint8 byte = quint8(b[i]);
            // Beyond ASCII the text order is Unicode's, which bytes do not give.
            if (text && byte >= 0x80) return std::nullopt;
            key = (key << 8) | quint8(text ? asciiLower(char(byte)) : char(byte));
        }
        // An empty value keeps key 0; a shift by all 64 bits would be undefined.
        if (n > 0) key <<= 8 * (8 - n);
        return key;
    }
    case StorageKind::Decimal:
        break;
    }
    return std::nullopt;
}

bool sortPrefixExact(StorageKind kind) {
    return kind == StorageKind::Integer || kind == StorageKind::Real;
}

namespace {

// The first sort key travels with the row (see sortPrefixKey).
struct Item {
    quint64 key;
    int row;
    quint8 state; // Null, a key, no key (compare the cells)
};
enum : quint8 { NullCell = 0, Keyed = 1, Unkeyed = 2 };

Item itemFor(const ColumnStore& c, int adoType, int row) {
    if (c.isNull(row)) return {0, row, NullCell};
    if (const auto key = sortPrefixKey(c, adoType, row)) return {*key, row, Keyed};
    return {0, row, Unkeyed};
}

} // namespace

std::vector<int> sortedRows(const std::vector<ColumnStore>& columns, const QList<FieldInfo>& fields,
                            qsizetype rows, const std::vector<SortKey>& keys) {
    std::vector<int> order(static_cast<size_t>(rows));
    if (keys.empty()) {
        std::iota(order.begin(), order.end(), 0);
        return order;
    }
    const SortKey first = keys.front();
    const ColumnStore& firstColumn = columns[size_t(first.column)];
    const int firstType = fields[first.column].type;
    // Equal keys of numbers mean equal values; texts, bytes and date-times may still differ.
    const bool exactKeys = sortPrefixExact(firstColumn.kind());

    std::vector<Item> items(static_cast<size_t>(rows));
    for (qsizetype r = 0; r < rows; ++r)
        items[size_t(r)] = itemFor(firstColumn, firstType, int(r));

    auto compareRest = [&](int a, int b) {
        for (size_t k = 1; k < keys.size(); ++k) {
            const ColumnStore& col = columns[size_t(keys[k].column)];
            const bool na = col.isNull(a), nb = col.isNull(b);
            int c = 0;
            if (na || nb)
                c = na == nb ? 0 : (na ? -1 : 1);
            else
                c = compareCells(col, fields[keys[k].column].type, a, b);
            if (c != 0) return keys[k].descending ? -c : c;
        }
        return 0;
    };

    std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        int c = 0;
        if (a.state == NullCell || b.state == NullCell)
            c = a.state == b.state ? 0 : (a.state == NullCell ? -1 : 1);
        else if (a.state == Keyed && b.state == Keyed && a.key != b.key)
            c = a.key < b.key ? -1 : 1;
        else if (!(a.state == Keyed && b.state == Keyed && exactKeys))
            c = compareCells(firstColumn, firstType, a.row, b.row);
        if (c != 0) return first.descending ? c > 0 : c < 0;
        return compareRest(a.row, b.row) < 0;
    });
    for (size_t i = 0; i < items.size(); ++i)
        order[i] = items[i].row;
    return order;
}

} // namespace mv
