#pragma once
// Tab 1 of the SQL toolbox (picCommands): the three button rows cmdSqlCmd (statement templates),
// cmdOps (operators) and cmdMoreSQL (AND, OR, ORDER BY, GROUP BY). A click hands its text to
// insertText, which the window connects to the editor's BeiCursorEinfuegen.
#include "documents/editor_text.h"

#include <QList>
#include <QWidget>

class QPushButton;

namespace mv {

class SqlToolboxWidget : public QWidget {
    Q_OBJECT
  public:
    explicit SqlToolboxWidget(QWidget* parent = nullptr);

    // Where the templates take the explorer's table and marked fields from; without a provider
    // (or with an empty table) they use the placeholders <TableX> and <FieldX>.
    void setExplorerPickProvider(ExplorerPickProvider provider) { m_pick = std::move(provider); }

    // The buttons of a row ("cmdSqlCmd", "cmdOps", "cmdMoreSQL"), in order; each is also named
    // row + "_" + index.
    QList<QPushButton*> row(const QString& name) const;

    void cmdSqlCmd_Click(int index);
    void cmdOps_Click(int index);
    void cmdMoreSQL_Click(int index);

  signals:
    void insertText(const QString& text, bool lineBreak);

  private:
    // The three rows; a row that fails is reported and the others still come.
    void BuildCmdToolbar();
    void BuildOpToolbar();
    void BuildCmdToolbarTwo();
    QList<QPushButton*> buildRow(const QString& name, const QStringList& captions,
                                 void (SqlToolboxWidget::*click)(int));
    QString caption(const QString& row, int index) const;

    ExplorerPickProvider m_pick;
    QList<QPushButton*> m_sqlCmd, m_ops, m_moreSql;
};

} // namespace mv
