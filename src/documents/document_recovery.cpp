#include "documents/document_recovery.h"

#include "app/atomic_file.h"
#include "app/texts.h"
#include "app/user_port.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace mv {
namespace {

const QString kSuffix = QStringLiteral(".recovery.json");

QString copyPath(const QString& folder, const QString& key) {
    return folder + u'/' + key + kSuffix;
}

} // namespace

bool writeRecoveryCopy(const QString& folder, const RecoveryCopy& copy, QString* reason) {
    QJsonObject o;
    o.insert(QStringLiteral("key"), copy.key);
    o.insert(QStringLiteral("file"), copy.file);
    o.insert(QStringLiteral("caption"), copy.caption);
    o.insert(QStringLiteral("encoding"), int(copy.encoding));
    o.insert(QStringLiteral("text"), copy.text);
    return writeWholeFile(copyPath(folder, copy.key), QJsonDocument(o).toJson(QJsonDocument::Compact), reason);
}

QList<RecoveryCopy> readRecoveryCopies(const QString& folder) {
    QList<RecoveryCopy> copies;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({u'*' + kSuffix}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
        if (!doc.isObject()) continue; // cut off by the crash before the rename: the earlier copy is gone too
        const QJsonObject o = doc.object();
        RecoveryCopy c;
        c.key = o.value(QStringLiteral("key")).toString();
        c.file = o.value(QStringLiteral("file")).toString();
        c.caption = o.value(QStringLiteral("caption")).toString();
        const int encoding = o.value(QStringLiteral("encoding")).toInt();
        if (encoding >= int(TextEncoding::Utf8) && encoding <= int(TextEncoding::Windows1252))
            c.encoding = TextEncoding(encoding);
        c.text = o.value(QStringLiteral("text")).toString();
        if (c.key.isEmpty()) continue;
        copies << c;
    }
    return copies;
}

DocumentRecovery::DocumentRecovery(QString base, Snapshot snapshot, QObject* parent)
    : QObject(parent), m_base(std::move(base)), m_snapshot(std::move(snapshot)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { sync(); });
}

DocumentRecovery::~DocumentRecovery() = default;

void DocumentRecovery::setDelaySeconds(int seconds) {
    m_delaySeconds = seconds;
    if (seconds <= 0)
        m_timer.stop();
    else if (m_timer.isActive()) // a pending copy waits the new delay from now
        m_timer.start(seconds * 1000);
}

void DocumentRecovery::start() {
    if (!m_folder) m_folder = std::make_unique<InstanceFolder>(m_base);
}

void DocumentRecovery::finish() {
    m_timer.stop();
    m_folder.reset();
    m_written.clear();
}

void DocumentRecovery::schedule() {
    if (m_delaySeconds <= 0 || !m_folder || m_timer.isActive()) return;
    m_timer.start(m_delaySeconds * 1000);
}

void DocumentRecovery::sync() {
    m_timer.stop();
    if (!m_folder || m_folder->path().isEmpty() || !m_snapshot) return;
    const QString folder = m_folder->path();
    QHash<QString, QString> still;
    for (const RecoveryCopy& copy : m_snapshot()) {
        const auto known = m_written.constFind(copy.key);
        if (known != m_written.cend() && *known == copy.text) {
            still.insert(copy.key, copy.text);
            continue;
        }
        QString reason;
        if (m_delaySeconds > 0 && writeRecoveryCopy(folder, copy, &reason)) {
            still.insert(copy.key, copy.text);
            continue;
        }
        // An older copy is better than none.
        if (known != m_written.cend()) still.insert(copy.key, *known);
        if (m_delaySeconds > 0 && !m_reported) {
            // Said once: the user keeps working, the copies are only a safety net.
            m_reported = true;
            showMessage(ui_text("Die Sicherungskopie ungespeicherter Dokumente in '%1' konnte nicht "
                                "geschrieben werden: %2",
                                "The backup copy of unsaved documents in '%1' could not be written: %2")
                            .arg(folder, reason),
                        MsgIcon::Exclamation);
        }
    }
    for (auto it = m_written.cbegin(); it != m_written.cend(); ++it)
        if (!still.contains(it.key())) QFile::remove(copyPath(folder, it.key()));
    m_written = still;
}

QList<RecoveryCopy> DocumentRecovery::orphanCopies() const {
    QList<RecoveryCopy> copies;
    for (const QString& folder : InstanceFolder::orphans(m_base))
        copies << readRecoveryCopies(folder);
    return copies;
}

void DocumentRecovery::removeOrphans() const {
    InstanceFolder::takeOrphans(m_base, {});
}

} // namespace mv
