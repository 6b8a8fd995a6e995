#pragma once
// The parameter panel of the tool area: one text input per parameter of the current text.
#include "exec/parameters.h"

#include <QList>
#include <QWidget>
#include <optional>

class QFormLayout;
class QLabel;
class QLineEdit;

namespace mv {

class ParameterPanelWidget : public QWidget, public ParameterInputs {
    Q_OBJECT
  public:
    explicit ParameterPanelWidget(QWidget* parent = nullptr);

    // Clears the panel, then adds one item per parameter in set order: key name + "k", caption
    // name + tab, showing the text typed before for a parameter of the same name and type, else
    // the parameter's current value (empty when none).
    void ShowParameters(const std::optional<ParameterSet>& set);

    // The text typed into the parameter's input; empty when the panel has no input for it.
    QString parameterInput(const QString& name) const override;

    // The items in order, by key; the input and the caption of one item (nullptr / empty when absent).
    QStringList itemKeys() const;
    QLineEdit* input(const QString& key) const;
    QString caption(const QString& key) const;

  private:
    struct Item {
        QString name;
        int type;
        QString key;
        QLabel* caption;
        QLineEdit* input;
    };
    void clearItems();

    QFormLayout* m_form;
    QList<Item> m_items;
};

} // namespace mv
