#pragma once
// The values of a run that the execute command and the query options use.
#include <QtGlobal>

namespace mv {

struct RunSettings {
    qint32 maxRecords = 1000; // 0 = no limit
    qint32 queryTimeout = 30; // minutes
    qint16 transactionStmtCount = 0;
    bool resultSorting = false;
    bool async = true;        // chkAsync
    bool asyncEnabled = true;
};

} // namespace mv
