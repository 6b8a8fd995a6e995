#include "results/result_detail_window.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "results/result_grid_widget.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

namespace mv {

namespace {
constexpr char Module[] = "frmResultDetail";
constexpr int MultiLineHeight = 900 / 15; // twips to pixels
} // namespace

frmResultDetail::frmResultDetail(ResultGridWidget& grid, QWidget* parent) : QDialog(parent), m_grid(grid) {
    setObjectName(QStringLiteral("frmResultDetail"));
    setWindowTitle(QStringLiteral("Detail"));
    tbNavigation = new QToolBar(this);
    tbNavigation->setObjectName(QStringLiteral("tbNavigation"));
    const struct {
        const char* key;
        const char* text;
        const char* tipGerman;
        const char* tipEnglish;
    } buttons[] = {{"kMoveFirst", "|<", "Erster Datensatz", "First record"},
                   {"kMovePrevious", "<", "Vorheriger Datensatz", "Previous record"},
                   {"kMoveNext", ">", "Nächster Datensatz", "Next record"},
                   {"kMoveLast", ">|", "Letzter Datensatz", "Last record"}};
    for (const auto& b : buttons) {
        QAction* action = tbNavigation->addAction(QString::fromLatin1(b.text));
        action->setObjectName(QString::fromLatin1(b.key));
        action->setToolTip(ui_text(b.tipGerman, b.tipEnglish));
        const QString key = QString::fromLatin1(b.key);
        connect(action, &QAction::triggered, this, [this, key] { navigate(key); });
    }

    smProperty = new QScrollArea(this);
    smProperty->setObjectName(QStringLiteral("smProperty"));
    smProperty->setWidgetResizable(true);
    m_list = new QWidget;
    m_listLayout = new QGridLayout(m_list);
    m_listLayout->setColumnStretch(1, 1);
    smProperty->setWidget(m_list);

    cmdClose = new QPushButton(ui_text("&Schliessen", "&Cancel"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbNavigation);
    layout->addWidget(smProperty, 1);
    layout->addLayout(bottom);
    resize(460, 520);
    ShowRowDetails(grid);
}

void frmResultDetail::ShowRowDetails(ResultGridWidget& grid) {
    guardedVoid(Reporter::ErrorMsg, "ShowRowDetails", Module, [&] {
        m_items.clear();
        while (QLayoutItem* child = m_listLayout->takeAt(0)) {
            delete child->widget();
            delete child;
        }
        const ResultModel* model = grid.model();
        const int record = grid.currentRecord();
        const Recordset& rs = grid.recordset();
        for (int c = 0; c < grid.columnCount(); ++c) {
            const GridColumn& column = grid.columns()[c];
            Item item;
            item.key = column.dataField;
            item.caption = column.caption + QLatin1Char('\t');
            const int field = model->fieldOfColumn(c);
            const bool boolean = grid.dataMode() == 1 && field >= 0 && rs.field(field).type == ado::adBoolean;
            const QVariant value = record >= 0 ? model->cellValue(record, c) : QVariant();
            const QString text = record >= 0 ? model->cellText(record, c) : QString();
            // A NULL shows the greyed placeholder "NULL"; the field itself stays empty.
            const bool null = record >= 0 && model->nullMark() && model->isNullCell(record, c);
            if (boolean) {
                auto* check = new QCheckBox(m_list);
                check->setChecked(value.toBool());
                check->setAttribute(Qt::WA_TransparentForMouseEvents);
                check->setFocusPolicy(Qt::NoFocus);
                item.kind = ItemKind::Check;
                item.editor = check;
            } else if (column.wordWrap) {
                auto* edit = new QPlainTextEdit(text, m_list);
                edit->setReadOnly(true);
                edit->setFixedHeight(MultiLineHeight);
                if (null) edit->setPlaceholderText(ResultModel::nullText());
                item.kind = ItemKind::MultiLine;
                item.editor = edit;
            } else {
                auto* edit = new QLineEdit(text, m_list);
                edit->setReadOnly(true);
                edit->setCursorPosition(0);
                if (null) edit->setPlaceholderText(ResultModel::nullText());
                item.editor = edit;
            }
            item.editor->setObjectName(item.key);
            auto* label = new QLabel(column.caption, m_list);
            label->setBuddy(item.editor);
            m_listLayout->addWidget(label, int(m_items.size()), 0, Qt::AlignTop);
            m_listLayout->addWidget(item.editor, int(m_items.size()), 1);
            m_items.append(item);
        }
        m_listLayout->setRowStretch(int(m_items.size()), 1);
    });
}

QString frmResultDetail::itemText(const QString& key) const {
    for (const Item& item : m_items) {
        if (item.key.compare(key, Qt::CaseInsensitive) != 0) continue;
        switch (item.kind) {
        case ItemKind::Check:
            return static_cast<QCheckBox*>(item.editor)->isChecked() ? "True" : "False";
        case ItemKind::MultiLine:
            return static_cast<QPlainTextEdit*>(item.editor)->toPlainText();
        case ItemKind::Text:
            return static_cast<QLineEdit*>(item.editor)->text();
        }
    }
    return {};
}

void frmResultDetail::navigate(const QString& key) {
    guardedVoid(Reporter::ErrorMsg, "tbNavigation_ButtonClick", Module, [&] {
        if (key == QLatin1String("kMoveFirst"))
            m_grid.moveFirst();
        else if (key == QLatin1String("kMovePrevious"))
            m_grid.movePrevious();
        else if (key == QLatin1String("kMoveNext"))
            m_grid.moveNext();
        else if (key == QLatin1String("kMoveLast"))
            m_grid.moveLast();
        QCoreApplication::processEvents();
        ShowRowDetails(m_grid);
    });
}

void openResultDetail(ResultGridWidget& grid, QWidget* owner) {
    static bool open = false;
    if (open) return;
    open = true;
    QCoreApplication::processEvents();
    {
        frmResultDetail window(grid, owner);
        window.exec();
    }
    open = false;
}

} // namespace mv
