#include "results/grid_layout_table.h"

#include "app/error_report.h"
#include "app/texts.h"

#include <QSet>

namespace mv {

namespace {
constexpr char Module[] = "modGrid";
}

void LayoutTable::fill(const QList<GridColumn>& columns) {
    guardedVoid(Reporter::ErrorMsg, "ShowJanusGridlayout", Module, [&] {
        std::vector<LayoutRow> rows;
        rows.reserve(size_t(columns.size()));
        for (const GridColumn& c : columns) {
            LayoutRow r;
            for (int a = 0; a < LayoutAttributeCount; ++a)
                r[size_t(a)] = columnAttribute(c, a);
            rows.push_back(std::move(r));
        }
        m_rows = std::move(rows);
    });
}

void LayoutTable::checkRowIndex(int rowIndex) const {
    if (rowIndex < 1 || rowIndex > rowCount())
        throw MvError(err::SubscriptOutOfRange,
                      ui_text(QStringLiteral("Die Zeile %1 gibt es in der Layout-Tabelle nicht (1 bis %2)."),
                              QStringLiteral("Row %1 does not exist in the layout table (1 to %2)."))
                          .arg(rowIndex)
                          .arg(rowCount()));
}

LayoutRow LayoutTable::rowFrom(const QVariantList& values) {
    LayoutRow r;
    for (int a = 0; a < LayoutAttributeCount && a < values.size(); ++a)
        r[size_t(a)] = values[a];
    return r;
}

void LayoutTable::GridUnboundReadData(int rowIndex, QVariantList& values) const {
    guardedVoid(Reporter::ErrorMsg, "GridUnboundReadData", Module, [&] {
        checkRowIndex(rowIndex);
        const LayoutRow& r = m_rows[size_t(rowIndex - 1)];
        values = QVariantList(r.begin(), r.end());
    });
}

void LayoutTable::GridUnboundUpdate(int rowIndex, const QVariantList& values) {
    guardedVoid(Reporter::ErrorMsg, "GridUnboundUpdate", Module, [&] {
        checkRowIndex(rowIndex);
        m_rows[size_t(rowIndex - 1)] = rowFrom(values);
    });
}

void LayoutTable::GridUnboundAddNew(const QVariantList& values) {
    guardedVoid(Reporter::ErrorMsg, "GridUnboundAddNew", Module, [&] { m_rows.push_back(rowFrom(values)); });
}

void LayoutTable::GridUnboundDelete(int rowIndex) {
    guardedVoid(Reporter::ErrorMsg, "GridUnboundDelete", Module, [&] {
        checkRowIndex(rowIndex);
        m_rows.erase(m_rows.begin() + (rowIndex - 1));
    });
}

void LayoutTable::applyTo(QList<GridColumn>& columns) const {
    QList<GridColumn> result = columns;
    QSet<int> seen;
    for (int i = 0; i < rowCount(); ++i) {
        const LayoutRow& r = m_rows[size_t(i)];
        bool ok = false;
        const double d = r[attr::Index].toDouble(&ok);
        const int index = int(d);
        if (!ok || d != index || index < 0 || index >= result.size())
            throw MvError(
                err::SubscriptOutOfRange,
                ui_text(
                    QStringLiteral("Zeile %1 der Layout-Tabelle: der Index \"%2\" gehört zu keiner Spalte."),
                    QStringLiteral("Row %1 of the layout table: the index \"%2\" belongs to no column."))
                    .arg(i + 1)
                    .arg(r[attr::Index].toString()));
        if (seen.contains(index))
            throw MvError(
                err::SubscriptOutOfRange,
                ui_text(QStringLiteral("Zeile %1 der Layout-Tabelle: der Index %2 kommt mehrfach vor."),
                        QStringLiteral("Row %1 of the layout table: the index %2 occurs more than once."))
                    .arg(i + 1)
                    .arg(index));
        seen.insert(index);
        GridColumn& target = result[index];
        for (int a = 0; a < LayoutAttributeCount; ++a) {
            if (a == attr::Index) continue;
            try {
                setColumnAttribute(target, a, r[size_t(a)]);
            } catch (const MvError& e) {
                throw MvError(e.number(), ui_text(QStringLiteral("Zeile %1 der Layout-Tabelle: %2"),
                                                  QStringLiteral("Row %1 of the layout table: %2"))
                                              .arg(i + 1)
                                              .arg(e.description()));
            }
        }
    }
    columns = std::move(result);
}

} // namespace mv
