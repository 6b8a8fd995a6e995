#pragma once
// The errors of reading and writing recordset files, in both languages, as thrown MvErrors.
#include <QString>

namespace mv::rsfile {

[[noreturn]] void fileNotFound(const QString& path);
[[noreturn]] void cannotOpen(const QString& path, const QString& reason);
[[noreturn]] void cannotWrite(const QString& path, const QString& reason);
// A file that is not what the reader expects, or is cut off or altered; detail says where.
[[noreturn]] void damaged(const QString& path, const QString& detailGerman, const QString& detailEnglish);
[[noreturn]] void unsupportedVersion(const QString& path, quint32 version, quint32 newest);
// Opens for reading with the two errors above.
void checkReadable(const QString& path);

} // namespace mv::rsfile
