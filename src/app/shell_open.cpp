#include "app/shell_open.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"

namespace mv {
namespace {

QString browserAddress(const QString& address, bool addPrefix) {
    if (addPrefix && !address.startsWith(QLatin1String("http"), Qt::CaseInsensitive))
        return QStringLiteral("http://") + address;
    return address;
}

} // namespace

bool OpenBrowser(const QString& address, bool addPrefix) {
    return guarded(Reporter::ErrorMsg, "OpenBrowser", "Globals", false, [&] {
        const QString target = browserAddress(address, addPrefix);
        if (userPort().openExternal(target)) return true;
        DispErrorMsg(ui_text(QStringLiteral("Die Adresse %1 konnte nicht geöffnet werden.").arg(target),
                             QStringLiteral("Could not open the address %1.").arg(target)),
                     std::nullopt, QStringLiteral("OpenBrowser"), QStringLiteral("Globals"));
        return false;
    });
}

bool OpenTexteditor(const QString& path) {
    return guarded(Reporter::ErrorMsg, "OpenTexteditor", "Globals", false, [&] {
        if (userPort().openExternal(path)) return true;
        DispErrorMsg(ui_text(QStringLiteral("Die Datei %1 konnte nicht geöffnet werden.").arg(path),
                             QStringLiteral("Could not open the file %1.").arg(path)),
                     std::nullopt, QStringLiteral("OpenTexteditor"), QStringLiteral("Globals"));
        return false;
    });
}

} // namespace mv
