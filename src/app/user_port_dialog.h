#pragma once
// The user port shown with Qt's own message boxes and dialogs.
#include "app/user_port.h"

class QWidget;

namespace mv {

class QtUserPort final : public UserPort {
public:
    explicit QtUserPort(QWidget* parentWindow = nullptr) : m_parent(parentWindow) {}
    void setParentWindow(QWidget* w) { m_parent = w; }

    MsgResult message(const MessageRequest& request) override;
    std::optional<QString> chooseFile(const FileDialogRequest& request) override;
    std::optional<FontSpec> chooseFont(const FontRequest& request) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title, const QString& initial) override;
    void setWaitCursor(bool on) override;
    bool openExternal(const QString& urlOrPath) override;

    // "Text (*.txt) | *.txt | All | *.*" -> "Text (*.txt);;All (*.*)"
    static QString toQtFilter(const QString& filter);
    // The extension a name typed without one gets under a Qt filter entry: "SQL (*.sql *.qry)" -> "sql";
    // empty for a filter that matches any name ("*.*", "*").
    static QString filterSuffix(const QString& qtFilterEntry);
    // Whether the desktop names a program for the file's type or a type it derives from, asked through
    // xdg-mime (the opener would start and then find nothing); true when there is no xdg-mime to ask.
    static bool desktopHasViewer(const QString& path, const QString& xdgMime);

private:
    QWidget* m_parent;
    int m_waitDepth = 0;
};

} // namespace mv
