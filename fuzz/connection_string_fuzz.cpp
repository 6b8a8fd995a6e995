// The connection-string parser and the password masking on any text. Masking twice gives what
// masking once gave, and no part that was a password keeps its value.
#include "db/connection_string.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString cs = mvfuzz::text(data, size);
    (void)mv::splitConnectionString(cs);
    QString error;
    (void)mv::parseConnectionKeys(cs, &error);
    (void)mv::providerOf(cs);
    const QString masked = mv::HidePassword(cs);
    if (!masked.isEmpty() && mv::HidePassword(masked) != masked) {
        fprintf(stderr, "masking twice differs\n%s\n%s\n", qPrintable(masked), qPrintable(mv::HidePassword(masked)));
        abort();
    }
    for (const mv::ConnectionPart& part : mv::splitConnectionString(masked)) {
        const QString key = part.key.trimmed().toLower();
        if ((key.endsWith(QLatin1String("pwd")) || key.endsWith(QLatin1String("password"))) &&
            !part.value.isEmpty() && part.value != QLatin1String("##########")) {
            fprintf(stderr, "a password survived masking\n%s\n%s\n", qPrintable(cs), qPrintable(masked));
            abort();
        }
    }
    return 0;
}
