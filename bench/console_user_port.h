#pragma once
// The person at the screen, for a program without windows: every message the program would show
// goes to standard error, every dialog counts as cancelled.
#include "app/user_port.h"

namespace mvbench {

class ConsoleUserPort : public mv::UserPort {
  public:
    mv::MsgResult message(const mv::MessageRequest& request) override;
    std::optional<QString> chooseFile(const mv::FileDialogRequest& request) override;
    std::optional<mv::FontSpec> chooseFont(const mv::FontRequest& request) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title,
                                     const QString& initial) override;
    void setWaitCursor(bool) override {}
    bool openExternal(const QString&) override { return false; }

    // How many messages were shown; a run that showed one did not go as planned.
    int messageCount() const { return m_messages; }

  private:
    int m_messages = 0;
};

} // namespace mvbench
