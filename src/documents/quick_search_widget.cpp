#include "documents/quick_search_widget.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "documents/find_dialog.h"
#include "documents/sql_editor_widget.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace mv {

QuickSearchWidget::QuickSearchWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picFind"));
    m_lblFind = new QLabel(this);
    m_lblFind->setObjectName(QStringLiteral("lblFind"));
    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_opWord = new QRadioButton(this);
    m_opWord->setObjectName(QStringLiteral("opWord"));
    m_opMatchCase = new QRadioButton(this);
    m_opMatchCase->setObjectName(QStringLiteral("opMatchCase"));
    auto makeButton = [this](const char* name) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    m_cmdFind = makeButton("cmdFind");
    m_cmdNext = makeButton("cmdNext");
    m_cmdReplace = makeButton("cmdReplace");

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(m_lblFind, 0, 0);
    grid->addWidget(m_txtFind, 0, 1, 1, 3);
    auto* options = new QHBoxLayout;
    options->addWidget(m_opWord);
    options->addWidget(m_opMatchCase);
    options->addStretch(1);
    grid->addLayout(options, 1, 1, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdFind);
    buttons->addWidget(m_cmdNext);
    buttons->addWidget(m_cmdReplace);
    buttons->addStretch(1);
    grid->addLayout(buttons, 2, 1, 1, 3);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);

    connect(m_cmdFind, &QPushButton::clicked, this, &QuickSearchWidget::cmdFind_Click);
    connect(m_cmdNext, &QPushButton::clicked, this, &QuickSearchWidget::cmdNext_Click);
    connect(m_cmdReplace, &QPushButton::clicked, this, &QuickSearchWidget::cmdReplace_Click);
    connect(m_txtFind, &QLineEdit::returnPressed, this, &QuickSearchWidget::cmdFind_Click);
    applyLanguage();
}

void QuickSearchWidget::applyLanguage() {
    m_lblFind->setText(ui_text("Suche im Abfragetext", "Find in Querytext:"));
    m_opWord->setText(ui_text("Ganzes Wort", "Whole Word"));
    m_opMatchCase->setText(ui_text("Mustervergleich", "Match Case"));
    m_cmdFind->setText(QStringLiteral("Start"));
    m_cmdNext->setText(ui_text("Weiter >", "Next >"));
    m_cmdReplace->setText(ui_text("Ersetzen", "Replace"));
}

bool QuickSearchWidget::reportsNothing(bool found) const {
    // An empty search box asks for nothing. Otherwise the search's own result counts: a
    // case-insensitive search for "select" that selected "SELECT" has found something.
    return !m_txtFind->text().isEmpty() && !found;
}

void QuickSearchWidget::cmdFind_Click() {
    guardedVoid(Reporter::Msg, "cmdFind_Click", "frmMain", [this] {
        if (!m_editor) return;
        m_editor->SetCaret(0, 0, true);
        bool found = false;
        if (!m_editor->text().isEmpty() && !m_txtFind->text().isEmpty()) {
            m_editor->setFindText(m_txtFind->text());
            m_editor->setFindOptions({m_opWord->isChecked(), m_opMatchCase->isChecked()});
            found = m_editor->findForward();
        }
        if (reportsNothing(found))
            showMessage(ui_text("Nichts gefunden!", "Nothing found!"), MsgIcon::Information, MsgButtons::Ok);
    });
}

void QuickSearchWidget::cmdNext_Click() {
    guardedVoid(Reporter::Msg, "cmdNext_Click", "frmMain", [this] {
        if (!m_editor) return;
        if (reportsNothing(m_editor->findForward()))
            showMessage(ui_text("Nichts mehr gefunden!", "Nothing more found!"), MsgIcon::Information,
                        MsgButtons::Ok);
    });
}

void QuickSearchWidget::cmdReplace_Click() {
    guardedVoid(Reporter::Msg, "cmdReplace_Click", "frmMain", [this] {
        if (!m_editor) return;
        if (!m_dialog) m_dialog = new frmFind(m_editor, window());
        m_dialog->presetFindText(m_txtFind->text());
        m_dialog->show();
        m_dialog->raise();
        m_dialog->activateWindow();
    });
}

} // namespace mv
