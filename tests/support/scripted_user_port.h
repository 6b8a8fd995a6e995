#pragma once
// A user port for tests: records every message and dialog request, answers from queues.
#include "app/user_port.h"

#include <QList>
#include <deque>

namespace mvtest {

class ScriptedUserPort : public mv::UserPort {
public:
    ScriptedUserPort();
    ~ScriptedUserPort() override;

    mv::MsgResult message(const mv::MessageRequest& request) override;
    std::optional<QString> chooseFile(const mv::FileDialogRequest& request) override;
    std::optional<mv::FontSpec> chooseFont(const mv::FontRequest& request) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title, const QString& initial) override;
    void setWaitCursor(bool on) override;
    bool openExternal(const QString& urlOrPath) override;

    // Answers, used in order; when a queue is empty a box gets its default button, a dialog is cancelled.
    std::deque<mv::MsgResult> answers;
    std::deque<std::optional<QString>> files;
    std::deque<std::optional<mv::FontSpec>> fonts;
    std::deque<std::optional<QString>> inputs;
    bool openExternalResult = true;

    QList<mv::MessageRequest> messages;
    QList<mv::FileDialogRequest> fileRequests;
    QList<mv::FontRequest> fontRequests;
    QStringList opened;
    bool waitCursor = false;
    int waitCursorChanges = 0;

    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }

private:
    mv::UserPort* m_previous;
};

} // namespace mvtest
