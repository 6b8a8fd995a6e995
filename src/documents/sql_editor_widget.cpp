#include "documents/sql_editor_widget.h"

#include "app/error_report.h"
#include "documents/editor_text.h"
#include "documents/sql_lexer_widget.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QTimer>

namespace mv {

namespace {
using Base = QsciScintillaBase;
constexpr const char* kModule = "modSourceEdit";
// Light grey (EEEEEE) behind the line numbers.
const QColor kMarginGrey(0xEE, 0xEE, 0xEE);

unsigned long ul(long v) {
    return static_cast<unsigned long>(v);
}
} // namespace

SqlEditorWidget::SqlEditorWidget(QWidget* parent) : QsciScintilla(parent) {
    setObjectName(QStringLiteral("txtEdit"));
    guardedVoid(Reporter::ErrorMsg, "InitSourceCodeLanguage_SQL", kModule,
                [this] { InitSourceCodeLanguage_SQL(); });
    guardedVoid(Reporter::ErrorMsg, "InitCodeSense", kModule, [this] { InitCodeSense(); });
    connect(this, &QsciScintilla::selectionChanged, this, &SqlEditorWidget::onSelectionChanged);
    connect(this, &QsciScintilla::cursorPositionChanged, this, &SqlEditorWidget::onSelectionChanged);
    connect(this, &QsciScintilla::textChanged, this, &SqlEditorWidget::syncLineEnd);
}

void SqlEditorWidget::InitSourceCodeLanguage_SQL() {
    setUtf8(true);
    m_lexer = new SqlLexer(this);
    setLexer(m_lexer);
}

void SqlEditorWidget::InitCodeSense() {
    const QFont systemFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    m_lexer->setEditorFont(systemFont);
    setMarginsFont(systemFont);
    setAutoColoring(true);
    // Editor behaviour: tabs for indentation (the templates use them), no wrapping, matching
    // brackets shown, line numbers on a grey margin, new text with LF line ends.
    setEolMode(EolUnix);
    SendScintilla(Base::SCI_SETPASTECONVERTENDINGS, 1UL);
    setIndentationsUseTabs(true);
    setTabWidth(4);
    setAutoIndent(true);
    setBackspaceUnindents(true);
    setWrapMode(WrapNone);
    setBraceMatching(SloppyBraceMatch);
    setMarginLineNumbers(0, true);
    setMarginWidth(0, QStringLiteral("00000"));
    setMarginWidth(1, 0);
    setMarginsBackgroundColor(kMarginGrey);
    SendScintilla(Base::SCI_SETVIRTUALSPACEOPTIONS, ul(Base::SCVS_RECTANGULARSELECTION));
}

// ---- Settings ----

void SqlEditorWidget::setEditFont(const FontSpec& wanted) {
    QFont font(wanted.name);
    font.setBold(wanted.bold);
    if (wanted.pointSize > 0) font.setPointSizeF(wanted.pointSize);
    m_lexer->setEditorFont(font);
    setMarginsFont(font);
    setMarginWidth(0, QStringLiteral("00000"));
}

FontSpec SqlEditorWidget::editFont() const {
    const QFont font = m_lexer->editorFont();
    FontSpec wanted;
    wanted.name = font.family();
    wanted.bold = font.bold();
    wanted.pointSize = font.pointSizeF();
    return wanted;
}

void SqlEditorWidget::setAutoColoring(bool on) {
    m_lexer->setColouring(on);
    recolor();
}

bool SqlEditorWidget::autoColoring() const {
    return m_lexer->colouring();
}

bool SqlEditorWidget::toggleAutoColoring() {
    setAutoColoring(!autoColoring());
    return autoColoring();
}

void SqlEditorWidget::setEditorPaper(const QColor& colour) {
    m_lexer->setPaper(colour, -1);
}

// ---- Line ends ----

QString SqlEditorWidget::lineEnd() const {
    switch (eolMode()) {
    case EolWindows:
        return QStringLiteral("\r\n");
    case EolMac:
        return QStringLiteral("\r");
    case EolUnix:
        break;
    }
    return QStringLiteral("\n");
}

void SqlEditorWidget::syncLineEnd() {
    EolMode mode = EolUnix;
    if (SendScintilla(Base::SCI_GETLINECOUNT) > 1) {
        const long end = SendScintilla(Base::SCI_GETLINEENDPOSITION, 0UL);
        const QString eol =
            documentLineEnd(textRange(end, std::min(end + 2, SendScintilla(Base::SCI_GETLENGTH))));
        mode = eol == QLatin1String("\r\n") ? EolWindows : eol == QLatin1String("\r") ? EolMac : EolUnix;
    }
    if (mode != eolMode()) setEolMode(mode);
}

// ---- Positions ----

long SqlEditorWidget::positionOf(int line, int column) const {
    const long lineStart = SendScintilla(Base::SCI_POSITIONFROMLINE, ul(line));
    const long lineEnd = SendScintilla(Base::SCI_GETLINEENDPOSITION, ul(line));
    const long chars = SendScintilla(Base::SCI_COUNTCHARACTERS, ul(lineStart), lineEnd);
    if (column >= chars) return lineEnd;
    return SendScintilla(Base::SCI_POSITIONRELATIVE, ul(lineStart), static_cast<long>(column));
}

SqlEditorWidget::TextPos SqlEditorWidget::textPosOf(long position) const {
    const long line = SendScintilla(Base::SCI_LINEFROMPOSITION, ul(position));
    const long lineStart = SendScintilla(Base::SCI_POSITIONFROMLINE, ul(line));
    return {static_cast<int>(line),
            static_cast<int>(SendScintilla(Base::SCI_COUNTCHARACTERS, ul(lineStart), position))};
}

QString SqlEditorWidget::textRange(long from, long to) const {
    if (to <= from) return {};
    QByteArray bytes(to - from + 1, '\0');
    SendScintilla(Base::SCI_GETTEXTRANGE, from, to, bytes.data());
    bytes.resize(to - from);
    return QString::fromUtf8(bytes);
}

void SqlEditorWidget::replaceRange(long from, long to, const QByteArray& utf8) {
    // One undo step, so Undo never leaves the replaced text deleted but not restored.
    beginUndoAction();
    SendScintilla(Base::SCI_SETTARGETRANGE, ul(from), to);
    SendScintilla(Base::SCI_REPLACETARGET, static_cast<uintptr_t>(utf8.size()), utf8.constData());
    endUndoAction();
}

// ---- Caret and selection ----

void SqlEditorWidget::SetCaret(int line, int column, bool focus) {
    if (focus) setFocus();
    const long lines = SendScintilla(Base::SCI_GETLINECOUNT);
    const long pos = line >= lines ? SendScintilla(Base::SCI_GETLENGTH)
                                   : positionOf(std::max(line, 0), std::max(column, 0));
    SendScintilla(Base::SCI_GOTOPOS, ul(pos));
}

void SqlEditorWidget::flashRange(TextPos from, TextPos to, int msecs) {
    SendScintilla(Base::SCI_INDICSETSTYLE, FlashIndicator, Base::INDIC_FULLBOX);
    SendScintilla(Base::SCI_INDICSETFORE, FlashIndicator, QColor(0xFF, 0xC8, 0x40));
    SendScintilla(Base::SCI_INDICSETALPHA, FlashIndicator, 90);
    SendScintilla(Base::SCI_INDICSETUNDER, FlashIndicator, 1);
    SendScintilla(Base::SCI_SETINDICATORCURRENT, FlashIndicator);
    const long length = SendScintilla(Base::SCI_GETLENGTH);
    SendScintilla(Base::SCI_INDICATORCLEARRANGE, 0UL, length);
    const long start = positionOf(from.line, from.column);
    const long end = positionOf(to.line, to.column);
    if (end > start) SendScintilla(Base::SCI_INDICATORFILLRANGE, ul(start), end - start);
    QTimer::singleShot(msecs, this, [this] {
        SendScintilla(Base::SCI_SETINDICATORCURRENT, FlashIndicator);
        SendScintilla(Base::SCI_INDICATORCLEARRANGE, 0UL, SendScintilla(Base::SCI_GETLENGTH));
    });
}

SqlEditorWidget::TextPos SqlEditorWidget::caretPos() const {
    return textPosOf(SendScintilla(Base::SCI_GETCURRENTPOS));
}

SqlEditorWidget::TextPos SqlEditorWidget::selectionStartPos() const {
    return textPosOf(SendScintilla(Base::SCI_GETSELECTIONSTART));
}

SqlEditorWidget::TextPos SqlEditorWidget::selectionEndPos() const {
    return textPosOf(SendScintilla(Base::SCI_GETSELECTIONEND));
}

QString SqlEditorWidget::caretText() const {
    const TextPos start = selectionStartPos();
    return caretPanelText(start.line, start.column);
}

void SqlEditorWidget::onSelectionChanged() {
    // A caret left in virtual space behind the end of its line (rectangular selection) goes back
    // to the end of that line when the selection lies on one line.
    const long main = SendScintilla(Base::SCI_GETMAINSELECTION);
    if (SendScintilla(Base::SCI_GETSELECTIONNCARETVIRTUALSPACE, ul(main)) > 0) {
        const TextPos start = selectionStartPos();
        const TextPos end = selectionEndPos();
        if (start.line == end.line) {
            SetCaret(end.line, INT_MAX, true);
            return; // the move reports the selection change again
        }
    }
    const QString text = caretText();
    if (text == m_lastCaretText) return;
    m_lastCaretText = text;
    emit caretTextChanged(text);
}

void SqlEditorWidget::SelectAllText() {
    try {
        SendScintilla(Base::SCI_SETSEL, 0UL, SendScintilla(Base::SCI_GETLENGTH));
    } catch (...) {
    }
}

// ---- Edit commands ----

void SqlEditorWidget::IndentSelection(bool indent) {
    const TextPos start = selectionStartPos();
    const TextPos end = selectionEndPos();
    if (start.line != end.line) {
        // The editor's own block indent: every line of the selection, the selection kept.
        SendScintilla(indent ? Base::SCI_TAB : Base::SCI_BACKTAB);
        return;
    }
    // Within one line the line itself is indented; selected text is never replaced.
    if (indent)
        this->indent(start.line);
    else
        unindent(start.line);
}

void SqlEditorWidget::CommentLines(bool comment) {
    try {
        const int first = std::min(selectionStartPos().line, selectionEndPos().line);
        const int last = std::max(selectionStartPos().line, selectionEndPos().line);
        beginUndoAction();
        for (int line = first; line <= last; ++line) {
            const long from = SendScintilla(Base::SCI_POSITIONFROMLINE, ul(line));
            const long to = SendScintilla(Base::SCI_GETLINEENDPOSITION, ul(line));
            const QString before = textRange(from, to);
            const QString after = comment ? commentLine(before) : uncommentLine(before);
            if (after != before) replaceRange(from, to, after.toUtf8());
        }
        endUndoAction();
        SendScintilla(Base::SCI_SETSEL, ul(SendScintilla(Base::SCI_POSITIONFROMLINE, ul(first))),
                      SendScintilla(Base::SCI_GETLINEENDPOSITION, ul(last)));
    } catch (...) {
        endUndoAction();
    }
}

void SqlEditorWidget::InsertAtCursor(const QString& text, bool& lineBreak, bool keepSelection, bool focus) {
    long start = SendScintilla(Base::SCI_GETSELECTIONSTART);
    long end = SendScintilla(Base::SCI_GETSELECTIONEND);
    if (!text.isEmpty()) {
        lineBreak = insertionKeepsLineBreak(textPosOf(start).column, lineBreak);
        const QByteArray utf8 = insertionText(text, lineBreak, lineEnd()).toUtf8();
        replaceRange(start, end, utf8);
        end = start + utf8.size();
    }
    if (keepSelection)
        SendScintilla(Base::SCI_SETSEL, ul(start), end);
    else
        SendScintilla(Base::SCI_GOTOPOS, ul(end));
    if (focus) setFocus();
}

void SqlEditorWidget::BeiCursorEinfuegen(const QString& text, bool lineBreak, bool focus) {
    InsertAtCursor(text, lineBreak, false, focus);
}

void SqlEditorWidget::clearText() {
    try {
        // A replacement rather than clear(), so Undo brings the text back.
        replaceRange(0, SendScintilla(Base::SCI_GETLENGTH), QByteArray());
    } catch (...) {
    }
}

bool SqlEditorWidget::canPaste() const {
    return SendScintilla(Base::SCI_CANPASTE) != 0;
}

// ---- Find and replace ----

long SqlEditorWidget::searchForward(const QByteArray& needle, long from, long to, long* matchEnd) const {
    int flags = 0;
    if (m_findOptions.wholeWord) flags |= Base::SCFIND_WHOLEWORD;
    if (m_findOptions.matchCase) flags |= Base::SCFIND_MATCHCASE;
    SendScintilla(Base::SCI_SETSEARCHFLAGS, ul(flags));
    SendScintilla(Base::SCI_SETTARGETRANGE, ul(from), to);
    const long found =
        SendScintilla(Base::SCI_SEARCHINTARGET, static_cast<uintptr_t>(needle.size()), needle.constData());
    if (found >= 0 && matchEnd) *matchEnd = SendScintilla(Base::SCI_GETTARGETEND);
    return found;
}

bool SqlEditorWidget::findForward() {
    const long from = SendScintilla(Base::SCI_GETSELECTIONEND);
    long end = 0;
    const long found = m_findText.isEmpty() ? -1
                                            : searchForward(m_findText.toUtf8(), from,
                                                            SendScintilla(Base::SCI_GETLENGTH), &end);
    if (found < 0) {
        SendScintilla(Base::SCI_SETEMPTYSELECTION, ul(from));
        return false;
    }
    SendScintilla(Base::SCI_SETSEL, ul(found), end);
    return true;
}

bool SqlEditorWidget::findForwardWrapping(bool* wrapped) {
    if (wrapped) *wrapped = false;
    const long from = SendScintilla(Base::SCI_GETSELECTIONEND);
    if (findForward()) return true;
    if (m_findText.isEmpty() || from == 0) return false;
    long end = 0;
    const long found = searchForward(m_findText.toUtf8(), 0, from, &end);
    if (found < 0) return false;
    SendScintilla(Base::SCI_SETSEL, ul(found), end);
    if (wrapped) *wrapped = true;
    return true;
}

QString SqlEditorWidget::wordAtCaret() const {
    int line = 0, index = 0;
    getCursorPosition(&line, &index);
    return wordAtLineIndex(line, index);
}

bool SqlEditorWidget::selectionIsMatch() const {
    const long start = SendScintilla(Base::SCI_GETSELECTIONSTART);
    const long end = SendScintilla(Base::SCI_GETSELECTIONEND);
    if (end <= start || m_findText.isEmpty()) return false;
    long matchEnd = 0;
    return searchForward(m_findText.toUtf8(), start, end, &matchEnd) == start && matchEnd == end;
}

bool SqlEditorWidget::replaceAndFindNext(bool* wrapped) {
    if (selectionIsMatch()) {
        const long start = SendScintilla(Base::SCI_GETSELECTIONSTART);
        const QByteArray utf8 = withLineEnds(m_replaceText, lineEnd()).toUtf8();
        replaceRange(start, SendScintilla(Base::SCI_GETSELECTIONEND), utf8);
        SendScintilla(Base::SCI_SETEMPTYSELECTION, ul(start + utf8.size()));
    }
    return wrapped ? findForwardWrapping(wrapped) : findForward();
}

int SqlEditorWidget::replaceAll() {
    if (m_findText.isEmpty()) return 0;
    const QByteArray needle = m_findText.toUtf8();
    const QByteArray replacement = withLineEnds(m_replaceText, lineEnd()).toUtf8();
    int count = 0;
    long pos = 0;
    long lastEnd = -1;
    beginUndoAction();
    for (;;) {
        long end = 0;
        const long found = searchForward(needle, pos, SendScintilla(Base::SCI_GETLENGTH), &end);
        if (found < 0) break;
        replaceRange(found, end, replacement);
        pos = lastEnd = found + replacement.size();
        ++count;
    }
    endUndoAction();
    if (lastEnd >= 0) SendScintilla(Base::SCI_GOTOPOS, ul(lastEnd));
    return count;
}

// ---- Context menu ----

void SqlEditorWidget::setContextMenu(QMenu* menu) {
    m_contextMenu = menu;
}

void SqlEditorWidget::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (m_contextMenuEnabled && m_contextMenu) m_contextMenu->exec(event->globalPos());
}

} // namespace mv
