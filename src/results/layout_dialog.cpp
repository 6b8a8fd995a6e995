#include "results/layout_dialog.h"

#include "app/error_report.h"
#include "app/settings.h"
#include "app/texts.h"
#include "results/result_grid_widget.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mv {

namespace {

constexpr char Module[] = "frmLayout";

// The layout table as the rows of the dialog's unbound grid.
class LayoutTableSource : public GridUnboundSource {
  public:
    explicit LayoutTableSource(LayoutTable& table) : m_table(table) {}
    QStringList fieldNames() const override {
        QStringList names;
        for (int a = 0; a < LayoutAttributeCount; ++a)
            names << layoutAttributeCaption(a);
        return names;
    }
    int rowCount() const override { return m_table.rowCount(); }
    QVariantList readRow(int rowIndex) const override {
        QVariantList values;
        m_table.GridUnboundReadData(rowIndex, values);
        return values;
    }
    void updateRow(int rowIndex, const QVariantList& values) override {
        m_table.GridUnboundUpdate(rowIndex, values);
    }
    void addRow(const QVariantList& values) override { m_table.GridUnboundAddNew(values); }
    void deleteRow(int rowIndex) override { m_table.GridUnboundDelete(rowIndex); }

  private:
    LayoutTable& m_table;
};

QList<GridValueItem> listItems(const QStringList& names, int firstCode) {
    QList<GridValueItem> items;
    for (int i = 0; i < names.size(); ++i)
        items.append({firstCode + i, names[i], -1});
    return items;
}

// The sixteen attribute columns of the layout grid.
QList<GridColumn> attributeColumns() {
    QList<GridColumn> columns;
    for (int a = 0; a < LayoutAttributeCount; ++a) {
        GridColumn c;
        c.key = c.caption = c.dataField = layoutAttributeCaption(a);
        c.index = a;
        c.width = 1200;
        switch (a) {
        case attr::Aggregate:
            c.valueList = listItems(aggregateNames(), 0);
            break;
        case attr::Type:
            c.valueList = listItems(columnTypeNames(), 0);
            break;
        case attr::HeaderAlignment:
        case attr::TextAlignment:
            c.valueList = listItems(alignmentNames(), 0);
            break;
        case attr::SortType:
            c.valueList = listItems(sortTypeNames(), 1);
            break;
        case attr::Visible:
        case attr::CardCaption:
        case attr::WordWrap:
            c.type = GridColumnType::CheckBox;
            c.textAlignment = GridAlignment::Center;
            c.width = 900;
            break;
        case attr::Index:
        case attr::Width:
            c.textAlignment = GridAlignment::Right;
            c.width = 800;
            break;
        default:
            break;
        }
        columns.append(c);
    }
    return columns;
}

} // namespace

frmLayout::frmLayout(ResultGridWidget& resultGrid, bool& keepLayout, QWidget* parent)
    : QDialog(parent), m_result(resultGrid), m_keepLayout(keepLayout),
      m_source(std::make_unique<LayoutTableSource>(m_table)) {
    setObjectName(QStringLiteral("frmLayout"));
    setWindowTitle(QStringLiteral("Layout"));
    cmdView = new QPushButton(this);
    cmdView->setObjectName(QStringLiteral("cmdView"));
    chkHoldlayout = new QCheckBox(this);
    chkHoldlayout->setObjectName(QStringLiteral("chkHoldlayout"));
    lblRowHeight = new QLabel(this);
    lblRowHeight->setObjectName(QStringLiteral("lblRowHeight"));
    txtRowHeight = new QLineEdit(this);
    txtRowHeight->setObjectName(QStringLiteral("txtRowHeight"));
    txtRowHeight->setMaximumWidth(60);
    lblRowHeight->setBuddy(txtRowHeight);
    cmdAnwenden = new QPushButton(this);
    cmdAnwenden->setObjectName(QStringLiteral("cmdAnwenden"));
    cmdClose = new QPushButton(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    GridLayout = new ResultGridWidget(this);
    GridLayout->setObjectName(QStringLiteral("GridLayout"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(cmdView);
    bar->addWidget(chkHoldlayout);
    bar->addWidget(lblRowHeight);
    bar->addWidget(txtRowHeight);
    bar->addStretch();
    bar->addWidget(cmdAnwenden);
    bar->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(GridLayout, 1);
    resize(900, 420);

    connect(cmdView, &QPushButton::clicked, this, &frmLayout::cmdView_Click);
    connect(cmdAnwenden, &QPushButton::clicked, this, &frmLayout::cmdAnwenden_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    Form_Load();
}

frmLayout::~frmLayout() {
    GridLayout->setUnboundSource(nullptr);
}

void frmLayout::Form_Load() {
    guardedVoid(Reporter::ErrorMsg, "Form_Load", Module, [&] {
        cmdView->setText(ui_text("ansicht", "view"));
        cmdAnwenden->setText(ui_text("&Speichern", "&Save"));
        cmdClose->setText(ui_text("&Schließen", "&Close"));
        chkHoldlayout->setText(ui_text("Layout behalten", "Hold layout"));
        lblRowHeight->setText(ui_text("| Zeilenhöhe [Pixel]:", "| Row Height [Pixel]:"));
        chkHoldlayout->setChecked(m_keepLayout);
        ShowJanusGridlayout();
        txtRowHeight->setText(QString::number(m_result.rowHeight() / ResultGridWidget::TwipsPerPixel));
    });
}

void frmLayout::ShowJanusGridlayout() {
    guardedVoid(Reporter::ErrorMsg, "ShowJanusGridlayout", "modGrid", [&] {
        m_table.fill(m_result.columns());
        GridLayout->setAllowAddNew(true);
        GridLayout->setAllowDelete(true);
        GridLayout->setColumns(attributeColumns());
        GridLayout->setUnboundSource(m_source.get());
    });
}

void frmLayout::cmdView_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdView_Click", Module, [&] {
        GridLayout->commitRow();
        GridLayout->setView(GridLayout->view() == 1 ? 0 : 1);
    });
}

void frmLayout::cmdAnwenden_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdAnwenden_Click", Module, [&] {
        GridLayout->commitRow();
        const int pixels = toInt16(txtRowHeight->text().trimmed());
        if (pixels <= 0)
            throw MvError(err::InvalidProcedureCall,
                          ui_text(QStringLiteral("Die Zeilenhöhe muss eine Zahl über 0 sein, nicht \"%1\"."),
                                  QStringLiteral("The row height must be a number above 0, not \"%1\"."))
                              .arg(txtRowHeight->text()));
        QList<GridColumn> columns = m_result.columns();
        m_table.applyTo(columns); // checks every row before anything changes
        m_result.setRowHeight(pixels * ResultGridWidget::TwipsPerPixel);
        m_keepLayout = chkHoldlayout->isChecked();
        m_result.setColumns(columns);
    });
}

} // namespace mv
