#pragma once
// The program's help: the pages compiled into the program, shown in a window of our own with
// contents, index, back and forward. German pages are used when the language is German and the page
// exists in German.
#include <QWidget>

class QPushButton;
class QTextBrowser;
class QUrl;

namespace mv {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* ContentsPage = "contents.html";
    static constexpr const char* IndexPage = "index.html";

    explicit HelpWindow(QWidget* parent = nullptr);

    // The resource path of a help page in the current language; empty when the page does not exist.
    static QString pageResource(const QString& page);
    // Shows the page and brings the window to the front; false (reported) when the page is missing.
    bool showPage(const QString& page);
    QTextBrowser* browser() const { return m_browser; }
    void applyLanguage();

  private:
    void followLink(const QUrl& url);
    QTextBrowser* m_browser;
    QPushButton* m_contents;
    QPushButton* m_index;
    QPushButton* m_back;
    QPushButton* m_forward;
    QPushButton* m_close;
    bool m_placed = false;
};

} // namespace mv
