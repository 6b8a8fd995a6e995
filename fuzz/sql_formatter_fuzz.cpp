// The formatter on any text, and its promise: it moves blanks and line breaks and may change the
// case of words, but every other character stays, in its order.
#include "documents/sql_formatter.h"
#include "fuzz_support.h"

namespace {
QString tokensOf(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (const QChar c : s)
        if (!c.isSpace()) out += c.toLower();
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 20000) return 0; // long texts add nothing the short ones do not find
    const QString sql = mvfuzz::text(data, size);
    const std::optional<QString> formatted = mv::formatSqlChecked(sql);
    if (formatted && tokensOf(*formatted) != tokensOf(sql)) {
        fprintf(stderr, "formatter changed the tokens\n--- in:\n%s\n--- out:\n%s\n", qPrintable(sql),
                qPrintable(*formatted));
        abort();
    }
    return 0;
}
