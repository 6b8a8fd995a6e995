#pragma once
// The editor's SQL colouring: the language "mvSQL" (comments, strings and parameter tags,
// brackets, keywords) applied by the rules of lexSqlLine. With colouring switched off every
// character gets the default style.
#include "documents/editor_text.h"

#include <QFont>
#include <Qsci/qscilexercustom.h>

namespace mv {

class SqlLexer : public QsciLexerCustom {
    Q_OBJECT
  public:
    explicit SqlLexer(QObject* parent = nullptr);

    const char* language() const override; // "mvSQL"
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    QColor defaultPaper(int style) const override;
    void styleText(int start, int end) override;

    // One font for every style (the editor font of the settings).
    void setEditorFont(const QFont& font);
    QFont editorFont() const { return m_font; }

    // Switches colouring on or off; the caller recolours the editor.
    void setColouring(bool on) { m_colouring = on; }
    bool colouring() const { return m_colouring; }

  private:
    QFont m_font;
    bool m_colouring = true;
};

} // namespace mv
