#include "console_user_port.h"

#include <cstdio>

namespace mvbench {

namespace {

void printLine(const QString& text) {
    std::fprintf(stderr, "morvenda-bench: %s\n", text.toUtf8().constData());
}

mv::MsgResult defaultAnswer(const mv::MessageRequest& request) {
    if (request.defaultButton) return *request.defaultButton;
    switch (request.buttons) {
    case mv::MsgButtons::YesNo:
    case mv::MsgButtons::YesNoCancel:
        return mv::MsgResult::Yes;
    case mv::MsgButtons::RetryCancel:
        return mv::MsgResult::Cancel; // never retry without a person deciding
    case mv::MsgButtons::AbortRetryIgnore:
        return mv::MsgResult::Abort;
    case mv::MsgButtons::Ok:
    case mv::MsgButtons::OkCancel:
        break;
    }
    return mv::MsgResult::Ok;
}

} // namespace

mv::MsgResult ConsoleUserPort::message(const mv::MessageRequest& request) {
    ++m_messages;
    // The program's boxes use CR LF inside their texts.
    printLine(QString(request.text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    return defaultAnswer(request);
}

std::optional<QString> ConsoleUserPort::chooseFile(const mv::FileDialogRequest& request) {
    if (m_fileAnswer) return m_fileAnswer;
    printLine(QStringLiteral("no file dialog without a screen: %1").arg(request.title));
    return std::nullopt;
}

std::optional<mv::FontSpec> ConsoleUserPort::chooseFont(const mv::FontRequest&) {
    return std::nullopt;
}

std::optional<QString> ConsoleUserPort::inputText(const QString& prompt, const QString&, const QString&) {
    printLine(QStringLiteral("no input without a screen: %1").arg(prompt));
    return std::nullopt;
}

} // namespace mvbench
