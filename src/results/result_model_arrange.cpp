// The result model's order and groups: building the keys from the columns, arranging at once or
// on the worker thread, and taking the result over.
#include "app/error_report.h"
#include "results/result_model.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace mv {

void ResultModel::resetArrangement() {
    m_arr = GridArrangement();
    m_arr.rowCount = recordCount();
    m_specColumns.clear();
    m_groupColumns.clear();
    m_outline.reset(&m_arr, m_outline.footers());
}

void ResultModel::setSortKeys(const QList<GridSortKey>& keys) {
    if (m_pending.active) commitRow();
    m_sortKeys = keys;
    dropMissingKeys();
    rearrange();
}

void ResultModel::setGroupKeys(const QList<GridSortKey>& keys) {
    if (m_pending.active) commitRow();
    m_groupKeys = keys;
    dropMissingKeys();
    rearrange();
}

void ResultModel::setGroupFooters(bool on) {
    if (on == m_outline.footers()) return;
    beginResetModel();
    m_outline.setFooters(on);
    endResetModel();
}

void ResultModel::rearrange() {
    stopWorker();
    ++m_ticket;
    std::vector<GridOrderKey> groups, sorts;
    std::vector<GridAggregateSpec> aggregates_;
    QStringList specColumns, groupColumns;
    const auto toKeys = [this](const QList<GridSortKey>& from, std::vector<GridOrderKey>& to,
                               QStringList* keys) {
        for (const GridSortKey& k : from) {
            const int column = findColumn(k.column);
            const int field = fieldOfColumn(column);
            if (field < 0) continue;
            to.push_back({field, k.descending, m_columns[column].sortType});
            if (keys) *keys << m_columns[column].key;
        }
    };
    if (m_mode == Mode::Bound && m_rs.isOpen()) {
        toKeys(m_groupKeys, groups, &groupColumns);
        toKeys(m_sortKeys, sorts, nullptr);
        if (!groups.empty()) {
            for (int c = 0; c < m_columns.size(); ++c) {
                if (m_columns[c].aggregate == GridAggregate::None) continue;
                aggregates_.push_back({fieldOfColumn(c), m_columns[c].aggregate, m_columns[c].sortType});
                specColumns << m_columns[c].key;
            }
        }
    }
    if (groups.empty() && sorts.empty()) {
        beginResetModel();
        resetArrangement();
        endResetModel();
        emit arrangementFinished();
        return;
    }
    if (m_rs.recordCount() <= SyncLimit) {
        GridArrangement arrangement;
        const bool ok = guardedVoid(Reporter::ErrorMsg, "Grid_Arrange", "frmMain",
                                    [&] { arrangement = arrangeRows(m_rs, groups, sorts, aggregates_); });
        m_nextSpecColumns = specColumns;
        m_nextGroupColumns = groupColumns;
        if (ok) applyArrangement(std::move(arrangement));
        emit arrangementFinished();
        return;
    }
    m_nextSpecColumns = specColumns;
    m_nextGroupColumns = groupColumns;
    startWorker(std::move(groups), std::move(sorts), std::move(aggregates_));
}

void ResultModel::startWorker(std::vector<GridOrderKey> groups, std::vector<GridOrderKey> sorts,
                              std::vector<GridAggregateSpec> aggregates_) {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    const quint64 ticket = m_ticket;
    const quint64 structure = m_structure;
    // The worker reads its own copy; it shares the rows and leaves the grid's recordset alone.
    Recordset copy = m_rs;
    m_worker = std::thread([this, copy = std::move(copy), groups = std::move(groups),
                            sorts = std::move(sorts), aggregates_ = std::move(aggregates_), cancel, ticket,
                            structure]() mutable {
        std::shared_ptr<GridArrangement> result;
        QString error;
        try {
            result = std::make_shared<GridArrangement>(arrangeRows(copy, groups, sorts, aggregates_, cancel.get()));
        } catch (const ArrangementCancelled&) {
            return;
        } catch (...) {
            error = describeCurrentException().description;
        }
        copy = Recordset();
        if (cancel->load()) return;
        QMetaObject::invokeMethod(
            this,
            [this, ticket, structure, result, error] { finishArrangement(ticket, structure, result, error); },
            Qt::QueuedConnection);
    });
}

void ResultModel::stopWorker() {
    if (m_cancel) m_cancel->store(true);
    if (m_worker.joinable()) m_worker.join();
    m_cancel.reset();
}

void ResultModel::finishArrangement(quint64 ticket, quint64 structure,
                                    std::shared_ptr<GridArrangement> result, QString error) {
    if (ticket != m_ticket) return; // a newer arrangement replaced this one
    if (m_worker.joinable()) m_worker.join();
    m_cancel.reset();
    if (!result) {
        report(Reporter::ErrorMsg, {err::OutOfMemory, error}, "Grid_Arrange", "frmMain");
        emit arrangementFinished();
        return;
    }
    // Records came or went while the worker ran: its order no longer fits.
    if (structure != m_structure || result->rowCount != recordCount()) {
        rearrange();
        return;
    }
    applyArrangement(std::move(*result));
    emit arrangementFinished();
}

void ResultModel::applyArrangement(GridArrangement&& arrangement) {
    beginResetModel();
    m_arr = std::move(arrangement);
    m_specColumns = m_nextSpecColumns;
    m_groupColumns = m_nextGroupColumns;
    if (m_arr.levelCount() > 0 && m_pending.active && m_pending.record < 0) m_pending = {};
    m_outline.reset(&m_arr, m_outline.footers());
    endResetModel();
}

void ResultModel::waitForArrangement() {
    if (!isArranging()) return;
    QEventLoop loop;
    QPointer<ResultModel> self(this);
    const auto connection = connect(this, &ResultModel::arrangementFinished, &loop, &QEventLoop::quit);
    // A finished arrangement that starts another (records changed meanwhile) keeps the loop going.
    while (self && isArranging())
        loop.exec();
    if (self) disconnect(connection);
}

} // namespace mv
