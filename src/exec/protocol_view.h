#pragma once
// The protocol in the session tab's editor. While a script runs the protocol only grows, so the
// editor gets just the new part: showing it costs the new text, not the whole protocol again.
// The whole text is set only when the editor no longer holds what was shown last (the protocol
// was replaced or cleared, another document was shown, someone typed).
#include <QObject>
#include <QString>

class QsciScintilla;

namespace mv {

class ProtocolView : public QObject {
public:
    explicit ProtocolView(QsciScintilla* editor);

    // Sets the whole text; the caret goes to its end.
    void show(const QString& text);
    // Shows text whose first `kept` characters are the text shown last. When the editor still
    // holds exactly those, only the rest is added; a view at the end follows the end, a view the
    // user scrolled up stays where it is.
    void grow(const QString& text, qsizetype kept);
    // How often the whole text was set.
    int fullSets() const { return m_fullSets; }

private:
    bool lastLineVisible() const;
    void caretToEnd();

    QsciScintilla* m_editor;
    // Characters of the text last shown, while the editor holds it unchanged; -1 otherwise.
    qsizetype m_shown = -1;
    bool m_writing = false;
    int m_fullSets = 0;
};

} // namespace mv
