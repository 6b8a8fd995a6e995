// The data link (.udl) reader on any file content.
#include "db/data_link_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = mvfuzz::inputFile(mvfuzz::bytes(data, size), ".udl");
    try {
        (void)mv::readDataLinkFile(path);
    } catch (const mv::MvError&) {
    }
    return 0;
}
