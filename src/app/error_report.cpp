#include "app/error_report.h"

#include "app/texts.h"
#include "app/user_port.h"

namespace mv {
namespace {

QString withNumber(const QString& message, std::optional<long> number) {
    QString text = message;
    if (number) text += QStringLiteral(" [%1]").arg(*number);
    return text;
}

bool showReport(const QString& text, const char* reporterName) {
    try {
        showMessage(text, MsgIcon::Exclamation, MsgButtons::Ok);
        return true;
    } catch (...) {
        const CaughtError e = describeCurrentException();
        try {
            MessageRequest plain;
            plain.text = QStringLiteral("%1 %2 in function: %3").arg(e.number).arg(e.description,
                                                                                      QLatin1String(reporterName));
            plain.title.clear();
            plain.icon = MsgIcon::None;
            userPort().message(plain);
        } catch (...) {
        }
        return false;
    }
}

} // namespace

QString errorMessageText(const QString& message, std::optional<long> number, const QString& procedure,
                         const QString& module) {
    QString text = withNumber(message, number);
    if (!module.isEmpty()) text += QStringLiteral("\r\n") + ui_text("in Modul {", "in Module {") + module + u'}';
    if (!procedure.isEmpty())
        text += QStringLiteral("\r\n") + ui_text("in Funktion {", "in Function {") + procedure + u'}';
    return text;
}

QString plainMessageText(const QString& message, std::optional<long> number, const QString& procedure,
                         const QString& module) {
    QString text = withNumber(message, number);
    if (!module.isEmpty()) text += QStringLiteral("\r\nin Module <") + module + u'>';
    if (!procedure.isEmpty()) text += QStringLiteral("\r\nin Function <") + procedure + u'>';
    return text;
}

bool DispErrorMsg(const QString& message, std::optional<long> number, const QString& procedure,
                  const QString& module) {
    try {
        userPort().setWaitCursor(false);
    } catch (...) {
    }
    return showReport(errorMessageText(message, number, procedure, module), "DispErrorMsg");
}

bool DispMsg(const QString& message, std::optional<long> number, const QString& procedure, const QString& module) {
    return showReport(plainMessageText(message, number, procedure, module), "DispMsg");
}

CaughtError describeCurrentException() {
    try {
        throw;
    } catch (const MvError& e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc&) {
        return {err::OutOfMemory, QStringLiteral("Out of memory")};
    } catch (const std::out_of_range& e) {
        return {err::SubscriptOutOfRange, QString::fromUtf8(e.what())};
    } catch (const std::exception& e) {
        return {err::InvalidProcedureCall, QString::fromUtf8(e.what())};
    } catch (...) {
        return {err::InvalidProcedureCall, QStringLiteral("Unknown error")};
    }
}

void report(Reporter reporter, const CaughtError& error, const char* procedure, const char* module) {
    const QString proc = QString::fromUtf8(procedure);
    const QString mod = QString::fromUtf8(module);
    if (reporter == Reporter::ErrorMsg)
        DispErrorMsg(error.description, error.number, proc, mod);
    else
        DispMsg(error.description, error.number, proc, mod);
}

} // namespace mv
