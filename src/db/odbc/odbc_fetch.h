#pragma once
// Reads the current result set of a statement into a new recordset: column-wise block cursors when
// every column can be bound, otherwise row by row with SQLGetData (long and unknown-size values in
// chunks). A stop request is honoured between blocks.
#include "db/odbc/odbc_types.h"
#include "db/recordset.h"

#include <functional>

namespace mv::odbc {

enum class FetchEnd { Complete, LimitReached, Stopped };

struct FetchOutcome {
    Recordset rows;
    FetchEnd end = FetchEnd::Complete;
};

// Rows per block for block cursors.
constexpr SQLULEN MaxBlockRows = 1000;

// maxRecords 0: every row. `stopRequested` is asked between blocks; when it answers true the
// cursor is closed and the rows so far come back with FetchEnd::Stopped. With `blocks` the rows
// stream to it (see RecordsetBuilder::streamTo).
FetchOutcome fetchResult(Statement& statement, DriverFamily family, qint64 maxRecords,
                         const std::function<bool()>& stopRequested, RowBlockSink* blocks = nullptr);

} // namespace mv::odbc
