#pragma once
// Handing an address or a file to the desktop: the web browser, the program that opens a file type.
#include <QString>

namespace mv {

// Opens the address in the web browser. With addPrefix an address that does not begin with "http"
// (any case) gets "http://" in front. True when the desktop took it; a failure is reported.
bool OpenBrowser(const QString& address, bool addPrefix);

// Opens the file with the program the desktop associates with its type. True when the desktop took
// it; a failure is reported.
bool OpenTexteditor(const QString& path);

} // namespace mv
