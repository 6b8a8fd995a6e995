#include "exec/protocol_view.h"

#include <Qsci/qsciscintilla.h>

namespace mv {

ProtocolView::ProtocolView(QsciScintilla* editor) : QObject(editor), m_editor(editor) {
    // Any change not made here means the editor no longer holds what was shown.
    connect(m_editor, &QsciScintilla::textChanged, this, [this] {
        if (!m_writing) m_shown = -1;
    });
}

void ProtocolView::show(const QString& text) {
    m_writing = true;
    m_editor->setText(text);
    m_writing = false;
    m_shown = text.size();
    ++m_fullSets;
    caretToEnd();
}

void ProtocolView::grow(const QString& text, qsizetype kept) {
    if (kept <= 0 || kept > text.size() || m_shown != kept) {
        show(text);
        return;
    }
    if (kept == text.size()) return;
    const bool follow = lastLineVisible();
    m_writing = true;
    m_editor->append(text.mid(kept));
    m_writing = false;
    m_shown = text.size();
    if (follow) caretToEnd();
}

bool ProtocolView::lastLineVisible() const {
    const long lastLine = m_editor->SendScintilla(QsciScintilla::SCI_GETLINECOUNT) - 1;
    const long lastShown = m_editor->SendScintilla(QsciScintilla::SCI_VISIBLEFROMDOCLINE, lastLine);
    const long first = m_editor->SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE);
    const long onScreen = m_editor->SendScintilla(QsciScintilla::SCI_LINESONSCREEN);
    return lastShown < first + std::max(onScreen, 1L);
}

void ProtocolView::caretToEnd() {
    const long end = m_editor->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    m_editor->SendScintilla(QsciScintilla::SCI_GOTOPOS, static_cast<unsigned long>(end));
}

} // namespace mv
