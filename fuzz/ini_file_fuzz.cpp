// The settings reader on any file content, and a write read back: a value written is the value
// read, whatever the file held before, and a line break in it never reaches the file.
#include "app/ini_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = mvfuzz::inputFile(mvfuzz::bytes(data, size), ".ini");
    const mv::IniFile ini(path);
    for (const QString& section : {QStringLiteral("Settings"), QStringLiteral("Recent Files")})
        for (const QString& key : ini.keys(section)) (void)ini.read(section, key, QString());
    const QString value = QStringLiteral("v\r\n[Settings]\nLanguage=1 ü€");
    if (!ini.write(QStringLiteral("Settings"), QStringLiteral("Probe"), value)) abort();
    const QString back = ini.read(QStringLiteral("Settings"), QStringLiteral("Probe"), QString());
    if (back != QStringLiteral("v  [Settings] Language=1 ü€")) {
        fprintf(stderr, "read back '%s'\n", qPrintable(back));
        abort();
    }
    return 0;
}
