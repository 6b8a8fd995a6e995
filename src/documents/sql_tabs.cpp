#include "documents/sql_tabs.h"

#include "app/mv_error.h"
#include "app/texts.h"

#include <QRandomGenerator>
#include <cmath>
#include <limits>

namespace mv {

namespace {
constexpr long kOverflow = 6;

int increment(qint16& counter) {
    if (counter == std::numeric_limits<qint16>::max())
        throw MvError(kOverflow,
                      ui_text("Überlauf: mehr als 32767 Dokumente", "Overflow: more than 32767 documents"));
    return ++counter;
}
} // namespace

QString sessionTabKey() {
    return QStringLiteral("kSession");
}
QString sessionTabCaption() {
    return QStringLiteral("Session");
}

QString counterText(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString newDocumentName(int n) {
    return QStringLiteral("NewSQL_") + counterText(n);
}

QString documentKey(double random, int counter) {
    const auto number = static_cast<qint64>(std::llround(random * 1e9));
    return QStringLiteral("Q") + QString::number(number) + u'_' + counterText(counter);
}

bool isReportFile(const QString& path) {
    return path.toUpper().contains(QLatin1String(".RPT"));
}

QString reportLayoutFile(const QString& path) {
    return path + QStringLiteral(".bin");
}

QString tempLayoutFile(const QString& tempFolder, const QString& key) {
    return tempFolder + u'/' + key + QStringLiteral(".lyt");
}

QString tempDataFile(const QString& tempFolder, const QString& key) {
    return tempFolder + u'/' + key + QStringLiteral(".dat");
}

QString standardLayoutFile(const QString& programFolder) {
    return programFolder + QStringLiteral("/Standard.lyt");
}

QString sqlFileFilter() {
    // Scripts first: the files people have are .sql, and a name typed without extension gets the first.
    return QStringLiteral("Script|*.sql|Query|*.qry|Data definition|*.ddl|Report|*.rpt|All Files|*.*");
}

SqlTabs::SqlTabs(RandomSource random) : m_random(std::move(random)) {
    if (!m_random) m_random = [] { return QRandomGenerator::global()->generateDouble(); };
}

SqlTabs::~SqlTabs() = default;

C_SQLTabs& SqlTabs::add(C_SQLTabs doc) {
    if (item(doc.sKey))
        throw MvError(err::KeyNotFound,
                      ui_text("Dieser Schlüssel ist bereits einem Element der Auflistung zugeordnet",
                              "This key is already associated with an element of this collection"));
    m_items.push_back(std::make_unique<C_SQLTabs>(std::move(doc)));
    return *m_items.back();
}

bool SqlTabs::remove(const QString& key) {
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if ((*it)->sKey == key) {
            m_items.erase(it);
            return true;
        }
    }
    return false;
}

C_SQLTabs* SqlTabs::item(const QString& key) {
    for (const auto& doc : m_items)
        if (doc->sKey == key) return doc.get();
    return nullptr;
}

const C_SQLTabs* SqlTabs::item(const QString& key) const {
    return const_cast<SqlTabs*>(this)->item(key);
}

QStringList SqlTabs::keys() const {
    QStringList keys;
    for (const auto& doc : m_items)
        keys << doc->sKey;
    return keys;
}

const C_SQLTabs* SqlTabs::findFile(const QString& path) const {
    for (const auto& doc : m_items)
        if (doc->sFile == path) return doc.get();
    return nullptr;
}

int SqlTabs::nextNewDocumentNumber() {
    return increment(m_newCount);
}
int SqlTabs::nextOpenedFileNumber() {
    return increment(m_openCount);
}

QString SqlTabs::makeKey(int counter) const {
    // The counter is unique per creating command, but both commands share the key space.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString key = documentKey(m_random(), counter);
        if (!item(key)) return key;
    }
    throw MvError(err::KeyNotFound,
                  ui_text("Kein freier Dokumentschlüssel gefunden", "No free document key found"));
}

} // namespace mv
