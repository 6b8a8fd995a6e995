// The CSV importer on any file content; the first byte picks the delimiter.
#include "fuzz_support.h"
#include "results/import_csv.h"
#include "results/import_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const QString delimiters[] = {QStringLiteral(";"), QStringLiteral(","), QStringLiteral("\t"),
                                         QStringLiteral("|")};
    const QString delimiter = delimiters[data[0] % 4];
    try {
        const QString text = mv::decodeImportText(mvfuzz::bytes(data + 1, size - 1));
        mvfuzz::touchEveryCell(mv::readCsvRecordset(text, delimiter, QStringLiteral("fuzz.csv")));
    } catch (const mv::MvError&) {
    }
    return 0;
}
