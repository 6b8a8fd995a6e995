#include "app/user_port_dialog.h"

#include "app/signal_watcher.h"
#include "app/texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace mv {
namespace {

QMessageBox::StandardButton toQt(MsgResult r) {
    switch (r) {
    case MsgResult::Ok:
        return QMessageBox::Ok;
    case MsgResult::Cancel:
        return QMessageBox::Cancel;
    case MsgResult::Yes:
        return QMessageBox::Yes;
    case MsgResult::No:
        return QMessageBox::No;
    case MsgResult::Retry:
        return QMessageBox::Retry;
    case MsgResult::Abort:
        return QMessageBox::Abort;
    case MsgResult::Ignore:
        return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

// What a box answers when nobody can: its default, else the answer that changes nothing.
MsgResult unattendedAnswer(const MessageRequest& r) {
    if (r.defaultButton) return *r.defaultButton;
    switch (r.buttons) {
    case MsgButtons::Ok:
        return MsgResult::Ok;
    case MsgButtons::YesNo:
        return MsgResult::No;
    case MsgButtons::AbortRetryIgnore:
        return MsgResult::Abort;
    default:
        return MsgResult::Cancel;
    }
}

MsgResult fromQt(int b) {
    switch (b) {
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Retry:
        return MsgResult::Retry;
    case QMessageBox::Abort:
        return MsgResult::Abort;
    case QMessageBox::Ignore:
        return MsgResult::Ignore;
    default:
        return MsgResult::Ok;
    }
}

QMessageBox::StandardButtons buttonsOf(MsgButtons b) {
    switch (b) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(MsgIcon i) {
    switch (i) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MsgResult QtUserPort::message(const MessageRequest& r) {
    // The program is ending on a signal: nobody is there to answer.
    if (terminationSignalled()) return unattendedAnswer(r);
    // A box must show the normal pointer even while a long operation runs.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(iconOf(r.icon), r.title, r.text, buttonsOf(r.buttons), m_parent);
    // The buttons speak the program's language, even where Qt's own translation is missing.
    const std::pair<QMessageBox::StandardButton, QString> captions[] = {
        {QMessageBox::Ok, QStringLiteral("OK")},
        {QMessageBox::Cancel, ui_text("Abbrechen", "Cancel")},
        {QMessageBox::Yes, ui_text("&Ja", "&Yes")},
        {QMessageBox::No, ui_text("&Nein", "&No")},
        {QMessageBox::Retry, ui_text("&Wiederholen", "&Retry")},
        {QMessageBox::Abort, ui_text("Ab&brechen", "&Abort")},
        {QMessageBox::Ignore, ui_text("&Ignorieren", "&Ignore")},
    };
    for (const auto& [button, caption] : captions)
        if (QAbstractButton* b = box.button(button)) b->setText(caption);
    if (r.defaultButton) box.setDefaultButton(toQt(*r.defaultButton));
    const int result = box.exec();
    if (waiting) QApplication::restoreOverrideCursor();
    if (terminationSignalled()) return unattendedAnswer(r);
    return fromQt(result);
}

QString QtUserPort::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed().replace(u';', u' ');
        if (!desc.contains(u'('))
            desc += QStringLiteral(" (") + pattern + u')';
        else if (!desc.contains(pattern))
            desc = desc.left(desc.indexOf(u'(')).trimmed() + QStringLiteral(" (") + pattern + u')';
        out << desc;
    }
    return out.join(QStringLiteral(";;"));
}

QString QtUserPort::filterSuffix(const QString& qtFilterEntry) {
    const qsizetype open = qtFilterEntry.lastIndexOf(u'(');
    const qsizetype close = qtFilterEntry.lastIndexOf(u')');
    const QString patterns = open >= 0 && close > open ? qtFilterEntry.mid(open + 1, close - open - 1) : qtFilterEntry;
    const QString first = patterns.split(u' ', Qt::SkipEmptyParts).value(0);
    if (!first.startsWith(QLatin1String("*."))) return {};
    const QString suffix = first.mid(2);
    if (suffix.isEmpty() || suffix.contains(u'*') || suffix.contains(u'?')) return {};
    return suffix;
}

std::optional<QString> QtUserPort::chooseFile(const FileDialogRequest& r) {
    if (terminationSignalled()) return std::nullopt;
    QFileDialog dialog(m_parent, r.title, r.initialDir, toQtFilter(r.filter));
    dialog.setAcceptMode(r.mode == FileDialogRequest::Save ? QFileDialog::AcceptSave
                                                           : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.mode == FileDialogRequest::Save
                           ? QFileDialog::AnyFile
                           : (r.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    if (!r.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (r.mode == FileDialogRequest::Save) {
        // A name saved without extension would be hidden by the very filter it was saved under.
        dialog.setDefaultSuffix(filterSuffix(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& entry) { dialog.setDefaultSuffix(filterSuffix(entry)); });
    }
    if (!r.fileName.isEmpty()) dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty() || terminationSignalled())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<FontSpec> QtUserPort::chooseFont(const FontRequest& r) {
    if (terminationSignalled()) return std::nullopt;
    QFont initial(r.initial.name);
    initial.setPointSizeF(r.initial.pointSize);
    initial.setBold(r.initial.bold);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, m_parent, r.title);
    if (!ok || terminationSignalled()) return std::nullopt;
    FontSpec chosen;
    chosen.name = f.family();
    chosen.bold = f.bold();
    chosen.pointSize = f.pointSizeF();
    return chosen;
}

std::optional<QString> QtUserPort::inputText(const QString& prompt, const QString& title,
                                             const QString& initial) {
    if (terminationSignalled()) return std::nullopt;
    bool ok = false;
    const QString v = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok || terminationSignalled()) return std::nullopt;
    return v;
}

void QtUserPort::setWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_waitDepth;
    } else {
        while (m_waitDepth > 0) {
            QApplication::restoreOverrideCursor();
            --m_waitDepth;
        }
    }
}

bool QtUserPort::desktopHasViewer(const QString& path, const QString& xdgMime) {
    if (xdgMime.isEmpty()) return true;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QStringList types{type.name()};
    types += type.allAncestors();
    for (const QString& name : types) {
        QProcess query;
        query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), name});
        if (!query.waitForFinished(5000)) return true; // no answer is no proof of absence
        if (!query.readAllStandardOutput().trimmed().isEmpty()) return true;
    }
    return false;
}

bool QtUserPort::openExternal(const QString& urlOrPath) {
    const bool file = QFileInfo::exists(urlOrPath);
    if (file && !desktopHasViewer(urlOrPath, QStandardPaths::findExecutable(QStringLiteral("xdg-mime"))))
        return false;
    return QDesktopServices::openUrl(file ? QUrl::fromLocalFile(urlOrPath) : QUrl(urlOrPath));
}

} // namespace mv
