#pragma once
// The History tab: the statements of the query history, newest first, a search field that filters
// as the user types, and the buttons that open an entry in a new document or run it again.
#include "session/query_history.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace mv {

class QueryHistoryWidget : public QWidget {
    Q_OBJECT
  public:
    explicit QueryHistoryWidget(QueryHistory& history, QWidget* parent = nullptr);

    // Lists the entries for the search text again (after a statement ran, or when the tab shows).
    void refresh();
    void applyLanguage();

    QLineEdit* txtSearch() const { return m_search; }
    QTreeWidget* lstHistory() const { return m_list; }
    QPushButton* cmdOpen() const { return m_open; }
    QPushButton* cmdRun() const { return m_run; }
    // The entry of the selected line, if any.
    std::optional<HistoryEntry> selectedEntry() const;

  signals:
    void openRequested(const QString& sql);
    void runRequested(const QString& sql);

  private:
    void fill(const QList<HistoryEntry>& entries);
    void emitFor(bool run);

    QueryHistory& m_history;
    QLineEdit* m_search;
    QTreeWidget* m_list;
    QPushButton* m_open;
    QPushButton* m_run;
    QLabel* m_count;
    QTimer* m_typing;
};

} // namespace mv
