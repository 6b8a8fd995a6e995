#include "results/export_file.h"

#include "app/atomic_file.h"
#include "app/mv_error.h"
#include "app/texts.h"

#include <QFileDevice>

namespace mv {
namespace {

[[noreturn]] void cannotWrite(const QString& path, const QString& reason) {
    throw MvError(err::PathFileAccess, ui_text("Die Datei '%1' konnte nicht geschrieben werden: %2",
                                               "The file '%1' could not be written: %2")
                                           .arg(path, reason));
}

} // namespace

void ExportSink::write(const QByteArray& bytes) {
    if (m_device.write(bytes) == bytes.size()) return;
    QString name;
    if (const auto* file = qobject_cast<const QFileDevice*>(&m_device)) name = file->fileName();
    if (const auto* file = qobject_cast<const AtomicFile*>(&m_device)) name = file->fileName();
    cannotWrite(name, m_device.errorString());
}

void writeFileAtomically(const QString& path, const std::function<void(QIODevice&)>& body) {
    AtomicFile file(path);
    if (!file.open(QIODevice::WriteOnly)) cannotWrite(path, file.errorString());
    try {
        body(file);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit()) cannotWrite(path, file.errorString());
}

} // namespace mv
