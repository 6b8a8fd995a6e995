#pragma once
// The person at the screen, for a program without windows: every message the program would show
// goes to standard error, every dialog counts as cancelled (unless a file answer is set).
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
    // A file the program would open goes unopened; with a file answer set that counts as done.
    bool openExternal(const QString&) override { return m_fileAnswer.has_value(); }
    // Every file dialog answers with this file (the bench's own output file).
    void answerFilesWith(const QString& path) { m_fileAnswer = path; }

    // How many messages were shown; a run that showed one did not go as planned.
    int messageCount() const { return m_messages; }

  private:
    int m_messages = 0;
    std::optional<QString> m_fileAnswer;
};

} // namespace mvbench
