#include "app/user_port.h"

namespace mv {
namespace {

MsgResult firstButton(MsgButtons b) {
    switch (b) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
    }
    return MsgResult::Ok;
}

class SilentUserPort final : public UserPort {
public:
    MsgResult message(const MessageRequest& r) override { return r.defaultButton.value_or(firstButton(r.buttons)); }
    std::optional<QString> chooseFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<FontSpec> chooseFont(const FontRequest&) override { return std::nullopt; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void setWaitCursor(bool) override {}
    bool openExternal(const QString&) override { return false; }
};

SilentUserPort g_silent;
UserPort* g_port = &g_silent;

} // namespace

UserPort& userPort() { return *g_port; }
void setUserPort(UserPort* port) { g_port = port ? port : &g_silent; }

MsgResult showMessage(const QString& text, MsgIcon icon, MsgButtons buttons, std::optional<MsgResult> defaultButton,
                      const QString& title) {
    MessageRequest r;
    r.text = text;
    r.title = title;
    r.icon = icon;
    r.buttons = buttons;
    r.defaultButton = defaultButton;
    return userPort().message(r);
}

} // namespace mv
