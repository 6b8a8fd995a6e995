#pragma once
// Tab 4 of the SQL toolbox (picDDL): the template buttons cmdDDL (CREATE, ALTER, DROP TABLE), the
// keyword buttons (UNIQUE, PRIMARY KEY, NOT NULL, CONSTRAINT) and the provider's data type list
// listType. A click hands its text to insertText, which the window connects to the editor's
// BeiCursorEinfuegen.
#include <QList>
#include <QWidget>
#include <functional>
#include <optional>

class QPushButton;
class QTreeWidget;

namespace mv {

class C_DbConnect;

class DdlTabWidget : public QWidget {
    Q_OBJECT
  public:
    explicit DdlTabWidget(C_DbConnect& cn, QWidget* parent = nullptr);

    // The explorer working list's selected entry text; nothing while the working list is empty.
    void setWorkingListProvider(std::function<std::optional<QString>()> provider) {
        m_workingList = std::move(provider);
    }

    // Refills the type list from the provider (each time the tab is selected); the number of types.
    // Without a connection the list stays as it was and the result is 0.
    int ShowDataTypes();

    void cmdDDL_Click(int index);
    void cmdOps_Click(int index);
    void listType_DblClick();

    QTreeWidget* listType() const { return m_listType; }
    const QList<QPushButton*>& templateButtons() const { return m_templates; }
    const QList<QPushButton*>& keywordButtons() const { return m_keywords; }

  signals:
    void insertText(const QString& text, bool lineBreak);

  private:
    C_DbConnect& m_cn;
    std::function<std::optional<QString>()> m_workingList;
    QTreeWidget* m_listType;
    QList<QPushButton*> m_templates;
    QList<QPushButton*> m_keywords;
};

} // namespace mv
