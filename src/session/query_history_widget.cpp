#include "session/query_history_widget.h"

#include "app/texts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mv {

namespace {
constexpr int IdRole = Qt::UserRole + 1;
constexpr int ListLimit = 500;

QString firstLine(const QString& sql) {
    QString line = sql.simplified();
    return line.size() > 300 ? line.left(300) + QStringLiteral("...") : line;
}
} // namespace

QueryHistoryWidget::QueryHistoryWidget(QueryHistory& history, QWidget* parent)
    : QWidget(parent), m_history(history) {
    setObjectName(QStringLiteral("picHistory"));
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("txtHistorySearch"));
    m_search->setClearButtonEnabled(true);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstHistory"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setColumnCount(6);
    // Time, connection and the figures as wide as their texts; the statement takes the rest.
    for (int c = 0; c < 5; ++c) m_list->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    m_open = new QPushButton(this);
    m_open->setObjectName(QStringLiteral("cmdHistoryOpen"));
    m_run = new QPushButton(this);
    m_run->setObjectName(QStringLiteral("cmdHistoryRun"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblHistoryCount"));

    auto* top = new QHBoxLayout;
    top->addWidget(m_search, 1);
    top->addWidget(m_open);
    top->addWidget(m_run);
    top->addWidget(m_count);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);

    // Typing restarts a short wait, so a fast typist searches once, not per key.
    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(120);
    connect(m_search, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(m_typing, &QTimer::timeout, this, &QueryHistoryWidget::refresh);
    connect(m_open, &QPushButton::clicked, this, [this] { emitFor(false); });
    connect(m_run, &QPushButton::clicked, this, [this] { emitFor(true); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { emitFor(false); });
    applyLanguage();
}

void QueryHistoryWidget::applyLanguage() {
    m_search->setPlaceholderText(ui_text("Verlauf durchsuchen", "Search the history"));
    m_open->setText(ui_text("Öffnen", "Open"));
    m_open->setToolTip(ui_text("Die Anweisung in einem neuen SQL-Skript öffnen", "Open the statement in a new SQL script"));
    m_run->setText(ui_text("Erneut ausführen", "Run again"));
    m_run->setToolTip(ui_text("Die Anweisung noch einmal ausführen", "Run the statement once more"));
    m_list->setHeaderLabels({ui_text("Zeit", "Time"), ui_text("Verbindung", "Connection"),
                             ui_text("Dauer (ms)", "Duration (ms)"), ui_text("Zeilen", "Rows"),
                             ui_text("Ergebnis", "Result"), ui_text("Anweisung", "Statement")});
}

void QueryHistoryWidget::refresh() {
    m_typing->stop();
    fill(m_history.search(m_search->text(), ListLimit));
}

void QueryHistoryWidget::fill(const QList<HistoryEntry>& entries) {
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(entries.size());
    for (const HistoryEntry& e : entries) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, e.started.toString(u"yyyy-MM-dd hh:mm:ss"));
        item->setText(1, e.connection);
        item->setText(2, QString::number(e.durationMs));
        item->setText(3, QString::number(e.rows));
        item->setText(4, e.ok ? QStringLiteral("OK") : e.error.simplified());
        item->setText(5, firstLine(e.sql));
        item->setToolTip(5, e.sql.left(2000));
        item->setData(0, IdRole, e.id);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        if (!e.ok) item->setForeground(4, QColor(0xB0, 0x00, 0x00));
        items << item;
    }
    m_list->addTopLevelItems(items);
    if (!items.isEmpty()) m_list->setCurrentItem(items.first());
    m_list->setUpdatesEnabled(true);
    m_count->setText(m_history.isOpen() ? QString::number(entries.size()) +
                                              (entries.size() >= ListLimit ? QStringLiteral("+") : QString())
                                        : ui_text("kein Verlauf", "no history"));
    m_open->setEnabled(!items.isEmpty());
    m_run->setEnabled(!items.isEmpty());
}

std::optional<HistoryEntry> QueryHistoryWidget::selectedEntry() const {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item) return std::nullopt;
    return m_history.entry(item->data(0, IdRole).toLongLong());
}

void QueryHistoryWidget::emitFor(bool run) {
    const std::optional<HistoryEntry> e = selectedEntry();
    if (!e) return;
    if (run)
        emit runRequested(e->sql);
    else
        emit openRequested(e->sql);
}

} // namespace mv
