#include "results/grid_table_view.h"

#include "results/grid_delegate_view.h"
#include "results/result_model.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>

namespace mv {

// ---- header ----

GridHeaderView::GridHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("GridHeader"));
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

bool GridHeaderView::nearSectionEdge(const QPoint& pos) const {
    const int logical = logicalIndexAt(pos);
    if (logical < 0) return false;
    const int margin = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this) + 1;
    const int left = sectionViewportPosition(logical);
    const int right = left + sectionSize(logical);
    return pos.x() - left <= margin || right - pos.x() <= margin;
}

void GridHeaderView::mousePressEvent(QMouseEvent* event) {
    m_pressSection = -1;
    if (event->button() == Qt::LeftButton && !nearSectionEdge(event->position().toPoint())) {
        m_pressSection = logicalIndexAt(event->position().toPoint());
        m_pressPos = event->position().toPoint();
    }
    QHeaderView::mousePressEvent(event);
}

void GridHeaderView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && m_pressSection >= 0 &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        const int section = m_pressSection;
        m_pressSection = -1;
        startColumnDrag(section);
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void GridHeaderView::startColumnDrag(int logical) {
    const auto* model = qobject_cast<const ResultModel*>(this->model());
    if (!model || logical < 0 || logical >= model->columns().size()) return;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(ColumnMimeType), model->columns()[logical].key.toUtf8());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QRect rect(sectionViewportPosition(logical), 0, sectionSize(logical), height());
    drag->setPixmap(viewport()->grab(rect));
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    // The press that began the drag must not end as a click on the header.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-10000, -10000), QPointF(-10000, -10000),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QHeaderView::mouseReleaseEvent(&release);
}

int GridHeaderView::dropPosition(int x) const {
    if (count() == 0) return 0;
    const int visual = visualIndexAt(x);
    if (visual < 0) return x < 0 ? 0 : count();
    const int logical = logicalIndex(visual);
    const int middle = sectionViewportPosition(logical) + sectionSize(logical) / 2;
    return x < middle ? visual : visual + 1;
}

void GridHeaderView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(ColumnMimeType)))
        event->acceptProposedAction();
    else
        QHeaderView::dragEnterEvent(event);
}

void GridHeaderView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(ColumnMimeType)))
        event->acceptProposedAction();
    else
        QHeaderView::dragMoveEvent(event);
}

void GridHeaderView::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (!mime->hasFormat(QString::fromLatin1(ColumnMimeType))) return QHeaderView::dropEvent(event);
    const QString key = QString::fromUtf8(mime->data(QString::fromLatin1(ColumnMimeType)));
    event->acceptProposedAction();
    emit columnDropped(key, dropPosition(event->position().toPoint().x()),
                       mime->hasFormat(QString::fromLatin1(GroupMimeType)));
}

// ---- table ----

GridTableView::GridTableView(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("GridTable"));
    m_header = new GridHeaderView(this);
    setHorizontalHeader(m_header);
    m_delegate = new GridItemDelegate(this);
    setItemDelegate(m_delegate);
    setShowGrid(false); // the delegate draws the lines, so group rows stay unbroken
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                    QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void GridTableView::setResultModel(ResultModel* model) {
    m_model = model;
    setModel(model);
}

void GridTableView::finishEditing() {
    if (state() != QAbstractItemView::EditingState) return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

QList<int> GridTableView::selectedRowNumbers() const {
    QList<int> rows;
    if (!selectionModel()) return rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows << r;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool GridTableView::deleteSelectedRows() {
    if (!m_allowDelete || !m_model) return false;
    finishEditing();
    QList<int> rows = selectedRowNumbers();
    if (rows.isEmpty() && currentIndex().isValid()) rows << currentIndex().row();
    return m_model->deleteRows(rows);
}

void GridTableView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // The base hands an open editor's text to the model first; then the row it belonged to is written.
    QTableView::currentChanged(current, previous);
    if (m_model && m_model->hasPendingRow() && previous.isValid() && current.row() != previous.row()) {
        const int pending = m_model->pendingRecord();
        const int pendingRow = pending >= 0 ? m_model->rowOfRecord(pending) : m_model->newRowLine();
        if (pendingRow == previous.row()) m_model->commitRow();
    }
    if (current.row() != previous.row() || !previous.isValid()) emit currentRowChanged(current.row());
}

bool GridTableView::toggleGroupAt(const QModelIndex& index) {
    if (!m_model || !index.isValid()) return false;
    if (m_model->rowKind(index.row()) != ResultModel::RowKind::GroupHeader) return false;
    m_model->setGroupExpanded(index.row(), !m_model->isGroupExpanded(index.row()));
    return true;
}

void GridTableView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && m_model && index.isValid() &&
        m_model->rowKind(index.row()) == ResultModel::RowKind::GroupHeader) {
        const int level = index.data(ResultModel::GroupLevelRole).toInt();
        const QRect mark = m_delegate->markRect(level, visualRect(index)).adjusted(-3, -3, 3, 3);
        if (mark.contains(event->position().toPoint())) {
            const int row = index.row();
            toggleGroupAt(index);
            setCurrentIndex(m_model->index(row, std::max(0, currentIndex().column())));
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void GridTableView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || !m_model) return QTableView::mouseDoubleClickEvent(event);
    if (toggleGroupAt(index)) return;
    if (m_model->rowKind(index.row()) == ResultModel::RowKind::Record) {
        event->accept();
        emit activated();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void GridTableView::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    const QPoint global = event->globalPosition().toPoint();
    QTableView::mouseReleaseEvent(event);
    emit mouseUp(button, global);
}

void GridTableView::keyPressEvent(QKeyEvent* event) {
    if (state() != QAbstractItemView::EditingState && m_model) {
        const QModelIndex current = currentIndex();
        const bool onGroup =
            current.isValid() && m_model->rowKind(current.row()) == ResultModel::RowKind::GroupHeader;
        switch (event->key()) {
        case Qt::Key_Delete:
            if (m_allowDelete) {
                deleteSelectedRows();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (m_model->hasPendingRow()) {
                m_model->cancelRow();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Left:
        case Qt::Key_Minus:
        case Qt::Key_Right:
        case Qt::Key_Plus:
            if (onGroup) {
                const bool expand = event->key() == Qt::Key_Right || event->key() == Qt::Key_Plus;
                const int row = current.row();
                m_model->setGroupExpanded(row, expand);
                setCurrentIndex(m_model->index(row, current.column()));
                event->accept();
                return;
            }
            break;
        default:
            break;
        }
    }
    QTableView::keyPressEvent(event);
}

void GridTableView::startDrag(Qt::DropActions) {
    emit rowDrag();
    // The text is made from the selected rows, not from a list of every selected cell.
    QList<int> rows = selectedRowNumbers();
    if (rows.isEmpty() && currentIndex().isValid()) rows << currentIndex().row();
    if (!m_model || rows.isEmpty()) return;
    auto* mime = new QMimeData;
    mime->setText(m_model->rowsText(rows));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

} // namespace mv
