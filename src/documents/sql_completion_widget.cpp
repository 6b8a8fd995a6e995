#include "documents/sql_completion_widget.h"

#include "documents/sql_editor_widget.h"
#include "exec/statement_at_caret.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace mv {

namespace {
using Base = QsciScintillaBase;

// The editor holds UTF-8: a character offset becomes a byte position.
long bytePosition(const QString& text, qsizetype offset) {
    return long(QStringView(text).left(offset).toUtf8().size());
}

bool isWordChar(int ch) {
    return ch == '_' || QChar(char16_t(ch)).isLetterOrNumber();
}
} // namespace

SqlCompletionWidget::SqlCompletionWidget(SqlEditorWidget* editor) : QObject(editor), m_editor(editor) {
    setObjectName(QStringLiteral("completion"));
    editor->installEventFilter(this);
    connect(editor, &QsciScintillaBase::SCN_CHARADDED, this, &SqlCompletionWidget::onCharAdded);
    connect(editor, &QsciScintilla::userListActivated, this, [this](int id, const QString& label) {
        if (id == ListId) choose(label);
    });
}

bool SqlCompletionWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && (key->modifiers() & Qt::ControlModifier)) {
            showCompletion();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void SqlCompletionWidget::onCharAdded(int ch) {
    // A list cut at MaxShown entries is made anew for the longer word.
    if (listShown()) {
        if (m_truncated && isWordChar(ch)) showCompletion();
        return;
    }
    if (!m_auto || m_editor->isReadOnly()) return;
    if (ch == '.') {
        showCompletion();
        return;
    }
    if (!isWordChar(ch)) return;
    // The third letter of a word, not every letter after it; asked of the editor, so typing in a
    // long text does not copy it at every key.
    const long pos = m_editor->SendScintilla(Base::SCI_GETCURRENTPOS);
    const long start = m_editor->SendScintilla(Base::SCI_WORDSTARTPOSITION, static_cast<unsigned long>(pos), 1L);
    const long chars = m_editor->SendScintilla(Base::SCI_COUNTCHARACTERS, static_cast<unsigned long>(start), pos);
    const char first = char(m_editor->SendScintilla(Base::SCI_GETCHARAT, static_cast<unsigned long>(start)));
    if (chars == 3 && !(first >= '0' && first <= '9')) showCompletion();
}

bool SqlCompletionWidget::listCanShow() const {
    // The editor's list box finds its place on the screen under the caret and fails without
    // one (a hidden editor, a caret scrolled or moved off every screen): no list then.
    if (!m_editor->isVisible()) return false;
    m_editor->SendScintilla(Base::SCI_SCROLLCARET);
    const long pos = m_editor->SendScintilla(Base::SCI_GETCURRENTPOS);
    const QPoint caret(int(m_editor->SendScintilla(Base::SCI_POINTXFROMPOSITION, 0UL, pos)),
                       int(m_editor->SendScintilla(Base::SCI_POINTYFROMPOSITION, 0UL, pos)));
    return QGuiApplication::screenAt(m_editor->viewport()->mapToGlobal(caret)) != nullptr;
}

bool SqlCompletionWidget::showCompletion() {
    if (!listCanShow()) return false;
    const QString text = m_editor->text();
    const SqlEditorWidget::TextPos caret = m_editor->caretPos();
    const qsizetype at = offsetOfLineColumn(text, caret.line, caret.column);
    m_shown = completeAt(text, at, m_catalog.get(), m_dialect);
    if (m_shown.items.isEmpty()) return false;
    // A list box of ten thousand names takes far longer to build than to read: only the first
    // entries go in, and typing on narrows the list (onCharAdded).
    m_truncated = m_shown.items.size() > MaxShown;
    QByteArray list;
    for (qsizetype i = 0; i < std::min<qsizetype>(m_shown.items.size(), MaxShown); ++i) {
        if (!list.isEmpty()) list += '\n';
        list += m_shown.items[i].label.toUtf8();
    }
    // Names may hold blanks and question marks: the list is cut at line breaks only.
    m_editor->SendScintilla(Base::SCI_AUTOCSETSEPARATOR, '\n');
    m_editor->SendScintilla(Base::SCI_AUTOCSETTYPESEPARATOR, 0x04);
    m_editor->SendScintilla(Base::SCI_AUTOCSETIGNORECASE, 1);
    m_editor->SendScintilla(Base::SCI_AUTOCSETMAXHEIGHT, 12);
    m_editor->SendScintilla(Base::SCI_AUTOCSETCANCELATSTART, 0L);
    m_editor->SendScintilla(Base::SCI_USERLISTSHOW, ListId, list.constData());
    // The entry that starts with the typed word is selected at once.
    if (!m_shown.typed.isEmpty()) m_editor->SendScintilla(Base::SCI_AUTOCSELECT, 0UL, m_shown.typed.toUtf8().constData());
    return true;
}

bool SqlCompletionWidget::listShown() const {
    return m_editor->SendScintilla(Base::SCI_AUTOCACTIVE) != 0;
}

QStringList SqlCompletionWidget::shownLabels() const {
    QStringList labels;
    for (const CompletionItem& item : m_shown.items) labels << item.label;
    return labels;
}

void SqlCompletionWidget::choose(const QString& label) {
    const CompletionItem* chosen = nullptr;
    for (const CompletionItem& item : m_shown.items)
        if (item.label == label) chosen = &item;
    if (!chosen) return;
    if (listShown()) m_editor->SendScintilla(Base::SCI_AUTOCCANCEL);
    // The word typed since the list opened is replaced too.
    const QString text = m_editor->text();
    const SqlEditorWidget::TextPos caret = m_editor->caretPos();
    qsizetype end = std::max(offsetOfLineColumn(text, caret.line, caret.column), m_shown.from);
    // A quote the user opened and already closed is part of the name replaced.
    if (m_shown.from < text.size() && end < text.size() && QStringLiteral("\"`[").contains(text[m_shown.from]) &&
        text[end] == (text[m_shown.from] == u'[' ? u']' : text[m_shown.from]))
        ++end;
    const long start = bytePosition(text, m_shown.from);
    m_editor->SendScintilla(Base::SCI_SETSEL, start, bytePosition(text, end));
    m_editor->replaceSelectedText(chosen->insert);
}

} // namespace mv
