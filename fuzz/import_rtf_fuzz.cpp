// The RTF table importer on any file content.
#include "fuzz_support.h"
#include "results/import_rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        mvfuzz::touchEveryCell(mv::readRtfTable(mvfuzz::bytes(data, size), QStringLiteral("fuzz.rtf")));
    } catch (const mv::MvError&) {
    }
    return 0;
}
