#pragma once
// The person at the screen: every message box, file dialog and font dialog of the program goes
// through this interface, so the whole program can be driven headlessly with exact texts.
#include <QString>
#include <QStringList>
#include <optional>

namespace mv {

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgResult { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct MessageRequest {
    QString text;
    QString title = QStringLiteral("Morvenda");
    MsgIcon icon = MsgIcon::Exclamation;
    MsgButtons buttons = MsgButtons::Ok;
    std::optional<MsgResult> defaultButton; // the first button when empty
};

struct FileDialogRequest {
    enum Mode { Open, Save };
    Mode mode = Open;
    QString title;
    QString filter;      // in the program's own form: "Text (*.txt) | *.txt | All (*.*) | *.*"
    QString initialDir;
    QString fileName;    // offered file name
    bool mustExist = true;
    bool confirmOverwrite = true;
};

// A font as the program keeps it: name, bold, size in points (italic, underline, strikeout off).
struct FontSpec {
    QString name = QStringLiteral("Courier New");
    bool bold = false;
    double pointSize = 10.0;
    bool operator==(const FontSpec&) const = default;
};

struct FontRequest {
    QString title;
    FontSpec initial;
};

class UserPort {
public:
    virtual ~UserPort() = default;
    virtual MsgResult message(const MessageRequest& request) = 0;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> chooseFile(const FileDialogRequest& request) = 0;
    virtual std::optional<FontSpec> chooseFont(const FontRequest& request) = 0;
    // Free text input (a value, a name); nothing when cancelled.
    virtual std::optional<QString> inputText(const QString& prompt, const QString& title, const QString& initial) = 0;
    virtual void setWaitCursor(bool on) = 0;
    // The desktop's open action for an address or a file.
    virtual bool openExternal(const QString& urlOrPath) = 0;
};

// The user port in use; a silent port that answers every box with its default button until the
// application or a test installs its own.
UserPort& userPort();
void setUserPort(UserPort* port);

// The wait cursor for a scope: back to normal however the scope ends.
class WaitCursor {
public:
    WaitCursor() { userPort().setWaitCursor(true); }
    ~WaitCursor() {
        try {
            userPort().setWaitCursor(false);
        } catch (...) {
        }
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Shorthand for the common boxes.
MsgResult showMessage(const QString& text, MsgIcon icon = MsgIcon::Exclamation,
                      MsgButtons buttons = MsgButtons::Ok, std::optional<MsgResult> defaultButton = {},
                      const QString& title = QStringLiteral("Morvenda"));

} // namespace mv
