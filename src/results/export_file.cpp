#include "results/export_file.h"

#include "app/mv_error.h"
#include "app/texts.h"

#include <QFileDevice>
#include <QSaveFile>

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
    const auto* file = qobject_cast<const QFileDevice*>(&m_device);
    cannotWrite(file ? file->fileName() : QString(), m_device.errorString());
}

void writeFileAtomically(const QString& path, const std::function<void(QIODevice&)>& body) {
    QSaveFile file(path);
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
