#pragma once
// The recordset's own compact binary file form, used for the per-document temporary result files.
//
// Layout (little-endian): magic "MVRECSET", u32 version, u32 flags (bit 0 updatable), u32 field
// count, u64 row count, u32 + UTF-8 sort text, u8 order flag [+ row count x i32 row order];
// per field u32 + UTF-8 name, i32 type, i64 defined size, i32 precision, i32 scale, u8 nullable;
// per column u8 storage kind, null bits (u64 words), then i64 values (Integer), f64 (Real),
// i64 seconds + u32 nanoseconds (DateTime), or u64 arena size + bytes + (rows + 1) x u64 offsets
// (Text, Decimal, Binary); last a CRC-32 of everything before it.
//
// The rows are saved as stored, with the sort; an edit not yet stored with update() is not saved.
// Errors throw MvError: 53 missing file, 75 not openable, 31036 not writable, 31037 not a
// recordset file of this form, damaged, cut off or of a newer version. Nothing is trusted before
// it is checked against the file's remaining length.
#include "db/recordset.h"

namespace mv {

constexpr quint32 RecordsetBinaryVersion = 1;

// Written atomically: the file is replaced only when everything was written.
void saveBinary(const Recordset& rs, const QString& path);
Recordset loadBinary(const QString& path);

} // namespace mv
