#include "documents/find_dialog.h"

#include "app/error_report.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "documents/sql_editor_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace mv {

namespace {
void notFound(const QString& text) {
    showMessage(text, MsgIcon::None, MsgButtons::Ok);
}
} // namespace

frmFind::frmFind(SqlEditorWidget* editor, QWidget* owner) : QDialog(owner), m_editor(editor) {
    setObjectName(QStringLiteral("frmFind"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Morvenda") + ui_text(" Suchen/Ersetzen", " Find/Replace"));

    auto makeCombo = [this](const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumWidth(260);
        return box;
    };
    m_cboFind = makeCombo("cboFind");
    m_cboReplace = makeCombo("cboReplace");
    m_lblFind = new QLabel(ui_text("Suche nach", "Fin&d What:"), this);
    m_lblFind->setObjectName(QStringLiteral("lblFind"));
    m_lblFind->setBuddy(m_cboFind);
    m_lblReplace = new QLabel(ui_text("Ersetzen mit", "Replace &With:"), this);
    m_lblReplace->setObjectName(QStringLiteral("lblReplace"));
    m_lblReplace->setBuddy(m_cboReplace);

    m_fraOptions = new QGroupBox(ui_text("Suchoptionen", "Search Options"), this);
    m_fraOptions->setObjectName(QStringLiteral("fraOptions"));
    m_chkWholeWord = new QCheckBox(ui_text("Ganzes Wort", "Find Whole Word &Only"), m_fraOptions);
    m_chkWholeWord->setObjectName(QStringLiteral("chkWholeWord"));
    m_chkMatchCase = new QCheckBox(ui_text("Mustervergleich", "Match Ca&se"), m_fraOptions);
    m_chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    auto* options = new QVBoxLayout(m_fraOptions);
    options->addWidget(m_chkWholeWord);
    options->addWidget(m_chkMatchCase);

    auto makeButton = [this](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    m_cmdFind = makeButton("cmdFind", ui_text("&Suche", "&Find"));
    m_cmdFind->setDefault(true);
    m_cmdReplace = makeButton("cmdReplace", ui_text("&Ersetzen...", "&Replace..."));
    m_cmdReplaceAll = makeButton("cmdReplaceAll", ui_text("A&lle ersetzen", "Replace &All"));
    m_cmdCancel = makeButton("cmdCancel", ui_text("&Abbrechen", "Cancel"));
    setReplaceEnabled(false);

    auto* fields = new QGridLayout;
    fields->addWidget(m_lblFind, 0, 0);
    fields->addWidget(m_cboFind, 0, 1);
    fields->addWidget(m_lblReplace, 1, 0);
    fields->addWidget(m_cboReplace, 1, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(m_fraOptions);
    left->addStretch(1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_cmdFind, m_cmdReplace, m_cmdReplaceAll, m_cmdCancel})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);

    connect(m_cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(m_cmdReplace, &QPushButton::clicked, this, &frmFind::cmdReplace_Click);
    connect(m_cmdReplaceAll, &QPushButton::clicked, this, &frmFind::cmdReplaceAll_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    // A changed search restarts with Find, so Find Next never looks for a text the box no longer shows.
    connect(m_cboFind, &QComboBox::editTextChanged, this, &frmFind::findTextEdited);
    // Replace All needs nothing but a search text; it does not wait for a Find.
    connect(m_cboFind, &QComboBox::editTextChanged, this,
            [this](const QString& text) { m_cmdReplaceAll->setEnabled(!text.isEmpty()); });
    connect(m_chkWholeWord, &QCheckBox::toggled, this, &frmFind::findTextEdited);
    connect(m_chkMatchCase, &QCheckBox::toggled, this, &frmFind::findTextEdited);

    presetFindText(QString());
    m_cboFind->setFocus();
}

void frmFind::presetFindText(const QString& toolboxSearchText) {
    if (!m_editor) return;
    QString text = m_editor->selectedText();
    // A selection over several lines is no search text.
    if (text.contains(u'\n') || text.contains(u'\r')) text.clear();
    if (text.isEmpty()) text = toolboxSearchText;
    if (text.isEmpty()) text = m_editor->wordAtCaret();
    if (!text.isEmpty()) m_cboFind->setEditText(text);
    m_cboFind->lineEdit()->selectAll();
}

void frmFind::noteWrapped(bool wrapped) {
    if (!wrapped) return;
    const QString note = ui_text("Suche am Textende angekommen, am Anfang fortgesetzt.",
                                 "Search reached the end, continued from the top.");
    auto* main = qobject_cast<QMainWindow*>(parentWidget());
    if (!main) return;
    if (auto* bar = qobject_cast<StatusBarWidget*>(main->statusBar()))
        bar->showNote(note);
    else
        main->statusBar()->showMessage(note, 5000);
}

template <class F> void frmFind::trapped(F&& body) {
    try {
        body();
    } catch (...) {
        showMessage(describeCurrentException().description, MsgIcon::None, MsgButtons::Ok);
    }
}

void frmFind::applyOptions() {
    m_editor->setFindOptions({m_chkWholeWord->isChecked(), m_chkMatchCase->isChecked()});
}

void frmFind::setFindNextMode(bool on) {
    m_findNext = on;
    m_cmdFind->setText(on ? ui_text("&Suche weiter", "&Find Next") : ui_text("&Suche", "&Find"));
}

void frmFind::setReplaceEnabled(bool on) {
    m_cmdReplace->setEnabled(on);
    m_cmdReplaceAll->setEnabled(!m_cboFind->currentText().isEmpty());
}

void frmFind::findTextEdited() {
    if (m_findNext) setFindNextMode(false);
}

void frmFind::remember(QComboBox* box) {
    const QString text = box->currentText();
    if (text.isEmpty() || box->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0) return;
    const QSignalBlocker block(box);
    box->insertItem(0, text);
    box->setCurrentIndex(0);
}

void frmFind::focusEditor() {
    m_editor->window()->activateWindow();
    m_editor->setFocus();
}

void frmFind::cmdFind_Click() {
    trapped([this] {
        if (!m_editor) return;
        applyOptions();
        if (!m_findNext) {
            m_editor->setFindText(m_cboFind->currentText());
            remember(m_cboFind);
            bool wrapped = false;
            if (m_editor->findForwardWrapping(&wrapped)) {
                noteWrapped(wrapped);
                focusEditor();
                setReplaceEnabled(true);
                setFindNextMode(true);
            } else {
                notFound(ui_text("Text wurde nicht gefunden.", "Text not found"));
                setFindNextMode(false);
            }
            return;
        }
        bool wrapped = false;
        if (m_editor->findForwardWrapping(&wrapped)) {
            noteWrapped(wrapped);
            focusEditor();
        } else {
            notFound(ui_text("Text wurde nicht gefunden.", "Text not found"));
            setFindNextMode(false);
            setReplaceEnabled(false);
        }
    });
}

void frmFind::cmdReplace_Click() {
    trapped([this] {
        if (!m_editor || m_cboFind->currentText().isEmpty()) return;
        applyOptions();
        m_editor->setReplaceText(m_cboReplace->currentText());
        m_editor->setFindText(m_cboFind->currentText());
        remember(m_cboFind);
        remember(m_cboReplace);
        bool wrapped = false;
        if (m_editor->replaceAndFindNext(&wrapped)) {
            noteWrapped(wrapped);
            focusEditor();
        } else {
            notFound(ui_text("Text wurde nicht gefunden", "Text not found"));
            setFindNextMode(false);
            setReplaceEnabled(false);
        }
    });
}

void frmFind::cmdReplaceAll_Click() {
    trapped([this] {
        if (!m_editor || m_cboFind->currentText().isEmpty()) return;
        applyOptions();
        m_editor->setReplaceText(m_cboReplace->currentText());
        m_editor->setFindText(m_cboFind->currentText());
        remember(m_cboFind);
        remember(m_cboReplace);
        m_editor->replaceAll();
        focusEditor();
    });
}

} // namespace mv
