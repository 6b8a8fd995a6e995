// The result model's edits: the pending row, writing it to the recordset or the unbound source,
// the new-row line and deleting rows.
#include "app/error_report.h"
#include "db/recordset_builder.h"
#include "results/result_model.h"

#include <algorithm>

namespace mv {

namespace {
constexpr char Module[] = "frmMain";

// The recordset without the given rows (its order kept), built in one pass over the columns.
Recordset withoutRecords(const Recordset& rs, const std::vector<char>& gone) {
    RecordsetBuilder builder(rs.fields());
    const int n = rs.recordCount();
    builder.reserve(n);
    for (int r = 0; r < n; ++r) {
        if (gone[size_t(r)]) continue;
        const qsizetype phys = rs.physicalRow(r);
        for (int f = 0; f < rs.fieldCount(); ++f) {
            const ColumnStore& c = rs.column(f);
            if (c.isNull(phys)) {
                builder.appendNull(f);
                continue;
            }
            const QByteArrayView bytes = c.kind() == StorageKind::Text || c.kind() == StorageKind::Decimal ||
                                                 c.kind() == StorageKind::Binary
                                             ? c.bytesAt(phys)
                                             : QByteArrayView();
            switch (c.kind()) {
            case StorageKind::Integer:
                builder.appendInt(f, c.intAt(phys));
                break;
            case StorageKind::Real:
                builder.appendReal(f, c.realAt(phys));
                break;
            case StorageKind::DateTime:
                builder.appendDateTime(f, c.dateTimeAt(phys));
                break;
            case StorageKind::Decimal:
                builder.appendDecimal(f, std::string_view(bytes.data(), size_t(bytes.size())));
                break;
            case StorageKind::Text:
                builder.appendText(f, std::string_view(bytes.data(), size_t(bytes.size())));
                break;
            case StorageKind::Binary:
                builder.appendBytes(f, bytes);
                break;
            }
        }
    }
    builder.setUpdatable(rs.supportsUpdate());
    return builder.finish();
}
} // namespace

bool ResultModel::validateCell(int field, const QVariant& value) const {
    if (m_mode != Mode::Bound) return true;
    return guardedVoid(Reporter::ErrorMsg, "Grid_BeforeColUpdate", Module,
                       [&] { toCell(value, m_rs.field(field)); });
}

bool ResultModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !(flags(index) & Qt::ItemIsEditable)) return false;
    if (role != Qt::EditRole && role != Qt::CheckStateRole) return false;
    const RowKind kind = rowKind(index.row());
    if (kind != RowKind::Record && kind != RowKind::NewRow) return false;
    const int record = kind == RowKind::NewRow ? -1 : recordOfRow(index.row());
    const int column = index.column();
    const int field = fieldOfColumn(column);
    QVariant v = value;
    if (role == Qt::CheckStateRole) v = value.toInt() == Qt::Checked;

    // Another row's edit is written before this row's begins.
    if (m_pending.active && m_pending.record != record) commitRow();
    const int row = record >= 0 ? rowOfRecord(record) : newRowLine();
    if (row < 0) return false;

    bool cancel = false;
    emit beforeColUpdate(record, column, v, &cancel);
    if (cancel || !validateCell(field, v)) {
        emit dataChanged(this->index(row, column), this->index(row, column));
        return false;
    }
    if (!m_pending.active) {
        m_pending.active = true;
        m_pending.record = record;
        m_pending.values.clear();
    }
    m_pending.values[field] = v;
    emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool ResultModel::commitRow() {
    if (!m_pending.active) return false;
    bool cancel = false;
    emit beforeUpdate(m_pending.record, &cancel);
    if (cancel) {
        cancelRow();
        return false;
    }
    return writePending();
}

void ResultModel::cancelRow() {
    if (!m_pending.active) return;
    const int record = m_pending.record;
    m_pending = {};
    const int row = record >= 0 ? rowOfRecord(record) : newRowLine();
    if (row >= 0) {
        emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
        emit headerDataChanged(Qt::Vertical, row, row);
    }
}

bool ResultModel::writePending() {
    const Pending p = std::move(m_pending);
    m_pending = {};
    const bool adding = p.record < 0;
    const bool ok = guardedVoid(Reporter::ErrorMsg, "Grid_BeforeUpdate", Module, [&] {
        if (m_mode == Mode::Bound) {
            if (!adding) {
                for (const auto& [field, value] : p.values)
                    m_rs.setCell(p.record, field, value);
                return;
            }
            try {
                m_rs.addNew();
                for (const auto& [field, value] : p.values)
                    m_rs.setValue(field, value);
                m_rs.update();
            } catch (...) {
                if (m_rs.editMode() != Recordset::EditMode::None) m_rs.cancelUpdate();
                throw;
            }
        } else if (m_mode == Mode::Unbound && m_unbound) {
            const int width = int(m_unbound->fieldNames().size());
            QVariantList values = adding ? QVariantList(width) : m_unbound->readRow(p.record + 1);
            if (values.size() < width) values.resize(width);
            for (const auto& [field, value] : p.values)
                values[field] = value;
            m_cachedRow = -1;
            if (adding)
                m_unbound->addRow(values);
            else
                m_unbound->updateRow(p.record + 1, values);
        }
    });
    if (!ok) {
        const int row = adding ? newRowLine() : rowOfRecord(p.record);
        if (row >= 0) emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
        return false;
    }
    if (adding) {
        const int at = m_outline.rowCount();
        beginInsertRows({}, at, at);
        m_arr.appendRecord(recordCount() - 1);
        m_outline.reset(&m_arr, m_outline.footers());
        ++m_structure;
        endInsertRows();
        emit headerDataChanged(Qt::Vertical, at, at + 1);
        return true;
    }
    const int row = rowOfRecord(p.record);
    if (row >= 0) {
        emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
        emit headerDataChanged(Qt::Vertical, row, row);
    }
    // A changed group value or total moves the row to its group; later, so that a view writing the
    // row while it changes its current row is not reset under its feet.
    if (!m_groupKeys.isEmpty())
        QMetaObject::invokeMethod(
            this, [this] { rearrange(); }, Qt::QueuedConnection);
    return true;
}

bool ResultModel::deleteRows(const QList<int>& rows) {
    std::vector<int> records;
    bool newRow = false;
    for (int row : rows) {
        if (row < 0 || row >= rowCount()) continue;
        const RowKind kind = rowKind(row);
        if (kind == RowKind::NewRow) newRow = true;
        if (kind == RowKind::Record) records.push_back(recordOfRow(row));
    }
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    if (records.empty()) {
        if (newRow && m_pending.active && m_pending.record < 0) cancelRow();
        return false;
    }
    if (m_mode == Mode::Empty) return false;
    bool cancel = false;
    emit beforeDelete(int(records.size()), &cancel);
    if (cancel) return false;
    if (m_pending.active) {
        if (m_pending.record >= 0 && std::binary_search(records.begin(), records.end(), m_pending.record))
            m_pending = {};
        else
            commitRow();
    }
    return guardedVoid(Reporter::ErrorMsg, "Grid_Delete", Module, [&] { removeRecords(std::move(records)); });
}

void ResultModel::removeRecords(std::vector<int> records) {
    // Highest first, so the rows still to go keep their indices.
    std::sort(records.begin(), records.end(), std::greater<int>());
    std::vector<int> done;
    done.reserve(records.size());
    const auto apply = [this](const std::vector<int>& removed) {
        if (removed.empty()) return;
        beginResetModel();
        std::vector<std::vector<int>> kept;
        m_arr.removeRecords(removed, &kept);
        m_outline.remap(kept);
        if (m_pending.active && m_pending.record >= 0) {
            const int before = int(std::count_if(removed.begin(), removed.end(),
                                                 [this](int r) { return r < m_pending.record; }));
            m_pending.record -= before;
        }
        m_cachedRow = -1;
        ++m_structure;
        endResetModel();
        if (!m_groupKeys.isEmpty()) rearrange();
    };
    try {
        if (m_mode == Mode::Bound && int(records.size()) > BulkDeleteLimit) {
            std::vector<char> gone(size_t(m_rs.recordCount()), 0);
            for (int r : records)
                gone[size_t(r)] = 1;
            if (!m_rs.supportsUpdate()) m_rs.deleteCurrent(); // reports that the recordset cannot change
            m_rs = withoutRecords(m_rs, gone);
            done = records;
        } else {
            for (int r : records) {
                if (m_mode == Mode::Bound) {
                    m_rs.setAbsolutePosition(r + 1);
                    m_rs.deleteCurrent();
                } else if (m_unbound) {
                    m_unbound->deleteRow(r + 1);
                }
                done.push_back(r);
            }
        }
    } catch (...) {
        apply(done);
        throw;
    }
    apply(done);
}

} // namespace mv
