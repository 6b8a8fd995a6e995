#include "documents/sql_lexer_widget.h"

#include <QFontDatabase>
#include <Qsci/qsciscintilla.h>

namespace mv {

namespace {
// Line state bit: the line ends inside a /* */ comment.
constexpr long kEndsInBlockComment = 1;
} // namespace

SqlLexer::SqlLexer(QObject* parent)
    : QsciLexerCustom(parent), m_font(QFontDatabase::systemFont(QFontDatabase::GeneralFont)) {}

const char* SqlLexer::language() const {
    return "mvSQL";
}

QString SqlLexer::description(int style) const {
    switch (static_cast<SqlStyle>(style)) {
    case SqlStyle::Default:
        return QStringLiteral("Default");
    case SqlStyle::Comment:
        return QStringLiteral("Comment");
    case SqlStyle::LineComment:
        return QStringLiteral("Line comment");
    case SqlStyle::String:
        return QStringLiteral("String");
    case SqlStyle::Keyword:
        return QStringLiteral("Keyword");
    case SqlStyle::Bracket:
        return QStringLiteral("Bracket");
    }
    return {};
}

QColor SqlLexer::defaultColor(int style) const {
    switch (static_cast<SqlStyle>(style)) {
    case SqlStyle::Comment:
    case SqlStyle::LineComment:
        return QColor(0, 128, 0);
    case SqlStyle::String:
        return QColor(163, 21, 21);
    case SqlStyle::Keyword:
        return QColor(0, 0, 255);
    case SqlStyle::Bracket:
        return QColor(128, 0, 128);
    case SqlStyle::Default:
        break;
    }
    return QColor(0, 0, 0);
}

QFont SqlLexer::defaultFont(int) const {
    return m_font;
}

QColor SqlLexer::defaultPaper(int) const {
    return QColor(255, 255, 255);
}

void SqlLexer::setEditorFont(const QFont& font) {
    m_font = font;
    setDefaultFont(font);
    setFont(font, -1);
}

void SqlLexer::styleText(int start, int end) {
    QsciScintilla* ed = editor();
    if (!ed || end <= start) return;
    long line = ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(start));
    const long lastLine =
        ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(end - 1));
    bool inBlock =
        line > 0 && m_colouring &&
        (ed->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, static_cast<unsigned long>(line - 1)) &
         kEndsInBlockComment);
    long lineStart =
        ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    startStyling(static_cast<int>(lineStart));
    for (; line <= lastLine; ++line) {
        const long length =
            ed->SendScintilla(QsciScintillaBase::SCI_LINELENGTH, static_cast<unsigned long>(line));
        if (!m_colouring) {
            setStyling(static_cast<int>(length), static_cast<int>(SqlStyle::Default));
            inBlock = false;
        } else {
            QByteArray bytes(length + 1, '\0');
            ed->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, lineStart, lineStart + length,
                              bytes.data());
            bytes.resize(length);
            for (const StyleRun& run : lexSqlLine(bytes, inBlock))
                setStyling(run.length, static_cast<int>(run.style));
        }
        ed->SendScintilla(QsciScintillaBase::SCI_SETLINESTATE, static_cast<unsigned long>(line),
                          inBlock ? kEndsInBlockComment : 0L);
        lineStart += length;
    }
}

} // namespace mv
