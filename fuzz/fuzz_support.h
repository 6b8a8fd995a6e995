#pragma once
// Shared by the fuzz targets: the input as text or as a file, and a walk over a read recordset
// that asks every cell for its text (as the grid and the exports do).
#include "app/mv_error.h"
#include "db/recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace mvfuzz {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// One file per process, written anew for each input, for the readers that take a path.
inline QString inputFile(const QByteArray& content, const char* suffix) {
    static const QString path = QDir::tempPath() + QStringLiteral("/mv-fuzz-%1%2")
                                                       .arg(QCoreApplication::applicationPid())
                                                       .arg(QString::fromLatin1(suffix));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size()) abort();
    return path;
}

inline void touchEveryCell(const mv::Recordset& rs) {
    const int rows = std::min(rs.recordCount(), 64);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < std::min(rs.fieldCount(), 256); ++c) (void)rs.text(r, c);
}

} // namespace mvfuzz
