#include "support/scripted_user_port.h"

namespace mvtest {
namespace {
template <class T> T takeFront(std::deque<T>& queue) {
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
} // namespace

ScriptedUserPort::ScriptedUserPort() : m_previous(&mv::userPort()) { mv::setUserPort(this); }
ScriptedUserPort::~ScriptedUserPort() { mv::setUserPort(m_previous); }

mv::MsgResult ScriptedUserPort::message(const mv::MessageRequest& request) {
    messages.append(request);
    if (!answers.empty()) {
        const mv::MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    if (request.defaultButton) return *request.defaultButton;
    switch (request.buttons) {
    case mv::MsgButtons::YesNo:
    case mv::MsgButtons::YesNoCancel: return mv::MsgResult::Yes;
    case mv::MsgButtons::RetryCancel: return mv::MsgResult::Retry;
    case mv::MsgButtons::AbortRetryIgnore: return mv::MsgResult::Abort;
    default: return mv::MsgResult::Ok;
    }
}

std::optional<QString> ScriptedUserPort::chooseFile(const mv::FileDialogRequest& request) {
    fileRequests.append(request);
    if (files.empty()) return std::nullopt;
    return takeFront(files);
}

std::optional<mv::FontSpec> ScriptedUserPort::chooseFont(const mv::FontRequest& request) {
    fontRequests.append(request);
    if (fonts.empty()) return std::nullopt;
    return takeFront(fonts);
}

std::optional<QString> ScriptedUserPort::inputText(const QString&, const QString&, const QString&) {
    if (inputs.empty()) return std::nullopt;
    return takeFront(inputs);
}

void ScriptedUserPort::setWaitCursor(bool on) {
    waitCursor = on;
    ++waitCursorChanges;
}

bool ScriptedUserPort::openExternal(const QString& urlOrPath) {
    opened.append(urlOrPath);
    return openExternalResult;
}

} // namespace mvtest
