// The statement splitter, the comment stripper and the parameter tag scanner on any text.
#include "exec/parameters.h"
#include "exec/sql_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString sql = mvfuzz::text(data, size);
    const QString stripped = mv::StripComment(sql);
    (void)mv::TrimStr(sql);
    const QStringList statements = mv::SplitStmts(sql);
    for (const QString& s : statements) (void)mv::StripComment(s);
    (void)mv::SplitStmts(stripped);
    try {
        (void)mv::parseParameterTags(sql);
    } catch (const mv::MvError&) {
    }
    return 0;
}
