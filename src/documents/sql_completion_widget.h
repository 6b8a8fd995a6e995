#pragma once
// Completion in the SQL editor: Ctrl+Space opens the list of what fits at the caret; with the
// automatic list on, "." and a third letter of a word open it too. Choosing an entry replaces
// the typed word with the (quoted) name.
#include "documents/sql_completion.h"

#include <QObject>

namespace mv {

class SqlEditorWidget;

class SqlCompletionWidget : public QObject {
    Q_OBJECT
  public:
    static constexpr int ListId = 18;
    // The most entries the list shows at once; with more, typing on narrows it anew.
    static constexpr int MaxShown = 400;

    explicit SqlCompletionWidget(SqlEditorWidget* editor);

    void setCatalog(CatalogPtr catalog) { m_catalog = std::move(catalog); }
    const CatalogPtr& catalog() const { return m_catalog; }
    void setDialect(const CompletionDialect& dialect) { m_dialect = dialect; }
    const CompletionDialect& dialect() const { return m_dialect; }
    void setAutoPopup(bool on) { m_auto = on; }
    bool autoPopup() const { return m_auto; }

    // Opens the list for the word at the caret; false when nothing fits or the editor cannot show
    // a list now (no list then).
    bool showCompletion();
    bool listShown() const;
    // The labels that fit at the list's last opening (the list shows the first MaxShown).
    QStringList shownLabels() const;
    // Takes the entry with this label, as a click in the list does.
    void choose(const QString& label);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onCharAdded(int ch);
    bool listCanShow() const;

    SqlEditorWidget* m_editor;
    CatalogPtr m_catalog;
    CompletionDialect m_dialect;
    Completion m_shown;
    bool m_truncated = false;
    bool m_auto = true;
};

} // namespace mv
