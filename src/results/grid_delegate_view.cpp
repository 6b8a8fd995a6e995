#include "results/grid_delegate_view.h"

#include "results/result_model.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

namespace mv {

namespace {

const GridColumn* columnOf(const QModelIndex& index) {
    const auto* model = qobject_cast<const ResultModel*>(index.model());
    if (!model || index.column() < 0 || index.column() >= model->columns().size()) return nullptr;
    return &model->columns()[index.column()];
}

ResultModel::RowKind kindOf(const QModelIndex& index) {
    return ResultModel::RowKind(index.data(ResultModel::RowKindRole).toInt());
}

} // namespace

GridItemDelegate::GridItemDelegate(QTableView* view) : QStyledItemDelegate(view), m_view(view) {}

int GridItemDelegate::rowStartX() const {
    const QHeaderView* header = m_view->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical)) return m_view->columnViewportPosition(logical);
    }
    return 0;
}

int GridItemDelegate::groupTextX(int level) const {
    return rowStartX() + 4 + level * LevelIndent + MarkSize + 6;
}

QRect GridItemDelegate::markRect(int level, const QRect& cellRect) const {
    const int x = rowStartX() + 4 + level * LevelIndent;
    return QRect(x, cellRect.center().y() - MarkSize / 2, MarkSize, MarkSize);
}

void GridItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const int icon = index.data(ResultModel::IconRole).toInt();
    if (index.data(ResultModel::IconRole).isValid() && icon >= 0 && icon < m_images.size()) {
        option->icon = m_images[icon];
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(16, 16);
    }
    if (index.data(ResultModel::WordWrapRole).toBool()) option->features |= QStyleOptionViewItem::WrapText;
    if (index.data(ResultModel::NullRole).toBool()) {
        option->text = ResultModel::nullText();
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Disabled, QPalette::Text));
        option->palette.setColor(QPalette::HighlightedText,
                                 option->palette.color(QPalette::HighlightedText).darker(130));
    }
}

void GridItemDelegate::paintLines(QPainter* painter, const QRect& rect, bool vertical) const {
    if (!m_gridLines) return;
    painter->save();
    painter->setPen(m_view->palette().color(QPalette::Mid));
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    if (vertical) painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->restore();
}

void GridItemDelegate::paintGroupHeader(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    const int level = index.data(ResultModel::GroupLevelRole).toInt();
    const bool expanded = index.data(ResultModel::GroupExpandedRole).toBool();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->save();
    // Every cell of the row paints its own slice of the one caption, so a partial repaint stays whole.
    painter->setClipRect(option.rect);
    painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button));
    const QRect mark = markRect(level, option.rect);
    painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText));
    painter->drawRect(mark);
    painter->drawLine(mark.left() + 2, mark.center().y(), mark.right() - 2, mark.center().y());
    if (!expanded) painter->drawLine(mark.center().x(), mark.top() + 2, mark.center().x(), mark.bottom() - 2);
    QFont font = option.font;
    font.setBold(true);
    painter->setFont(font);
    const int x = groupTextX(level);
    const QRect text(x, option.rect.top(), m_view->viewport()->width() + 10000, option.rect.height());
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      index.data(ResultModel::GroupCaptionRole).toString());
    painter->restore();
    paintLines(painter, option.rect, false);
}

void GridItemDelegate::paintFooter(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    painter->save();
    painter->fillRect(option.rect, option.palette.color(QPalette::AlternateBase).darker(104));
    QFont font = option.font;
    font.setItalic(true);
    painter->setFont(font);
    painter->setPen(option.palette.color(QPalette::Text));
    const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    painter->drawText(
        option.rect.adjusted(4, 0, -4, 0), align | Qt::TextSingleLine,
        option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, option.rect.width() - 8));
    painter->restore();
    paintLines(painter, option.rect, true);
}

void GridItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    switch (kindOf(index)) {
    case ResultModel::RowKind::GroupHeader:
        paintGroupHeader(painter, option, index);
        return;
    case ResultModel::RowKind::GroupFooter:
        paintFooter(painter, option, index);
        return;
    case ResultModel::RowKind::Record:
    case ResultModel::RowKind::NewRow:
        break;
    }
    QStyledItemDelegate::paint(painter, option, index);
    paintLines(painter, option.rect, true);
}

QWidget* GridItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    const GridColumn* column = columnOf(index);
    if (column && column->type == GridColumnType::CheckBox) return nullptr;
    if (column && !column->valueList.isEmpty()) {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("cmbValueList"));
        for (const GridValueItem& item : column->valueList) {
            const int icon = item.icon;
            if ((column->type == GridColumnType::Icon || column->type == GridColumnType::IconAndText) &&
                icon >= 0 && icon < m_images.size())
                combo->addItem(m_images[icon], item.text, item.value);
            else
                combo->addItem(item.text, item.value);
        }
        return combo;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void GridItemDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor);
        combo && combo->objectName() == QLatin1String("cmbValueList")) {
        const GridColumn* column = columnOf(index);
        const GridValueItem* item = column ? column->valueItem(index.data(Qt::EditRole)) : nullptr;
        combo->setCurrentIndex(item ? combo->findText(item->text) : -1);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor);
        combo && combo->objectName() == QLatin1String("cmbValueList")) {
        if (combo->currentIndex() >= 0) model->setData(index, combo->currentData(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace mv
