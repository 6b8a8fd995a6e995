#include "app/ini_file.h"

#include <QFile>
#include <QSaveFile>

namespace mv {
namespace {

bool isSectionLine(const QString& trimmed) { return trimmed.startsWith(u'[') && trimmed.contains(u']'); }

QString sectionName(const QString& trimmed) { return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed(); }

// Splits "key=value"; false for lines without "=" or comments.
bool splitKeyLine(const QString& line, QString* key, QString* value) {
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#')) return false;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0) return false;
    *key = line.left(eq).trimmed();
    if (value) *value = line.mid(eq + 1).trimmed();
    return !key->isEmpty();
}

QString unquote(const QString& v) {
    if (v.size() >= 2 && ((v.startsWith(u'"') && v.endsWith(u'"')) || (v.startsWith(u'\'') && v.endsWith(u'\''))))
        return v.mid(1, v.size() - 2);
    return v;
}

// Index range [begin, end) of the section's body lines; begin == -1 when missing.
std::pair<int, int> findSection(const QStringList& lines, const QString& section) {
    int begin = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (!isSectionLine(t)) continue;
        if (begin >= 0) return {begin, i};
        if (sectionName(t).compare(section, Qt::CaseInsensitive) == 0) begin = i + 1;
    }
    return {begin, int(lines.size())};
}

} // namespace

QStringList IniFile::readLines(QString* lineEnd) const {
    QFile f(m_path);
    if (lineEnd) *lineEnd = QStringLiteral("\n");
    if (m_path.isEmpty() || !f.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes);
    if (lineEnd && text.contains(QStringLiteral("\r\n"))) *lineEnd = QStringLiteral("\r\n");
    QStringList lines = text.split(u'\n');
    for (QString& l : lines)
        if (l.endsWith(u'\r')) l.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

bool IniFile::writeLines(const QStringList& lines, const QString& lineEnd) const {
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray out;
    for (const QString& l : lines) out += (l + lineEnd).toUtf8();
    if (f.write(out) != out.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

QString IniFile::read(const QString& section, const QString& key, const QString& defaultValue) const {
    const QStringList lines = readLines(nullptr);
    const auto [begin, end] = findSection(lines, section);
    QString value = defaultValue;
    if (begin >= 0) {
        for (int i = begin; i < end; ++i) {
            QString k, v;
            if (splitKeyLine(lines[i], &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0) {
                value = unquote(v);
                break;
            }
        }
    }
    return value.left(MaxValueLength);
}

QStringList IniFile::keys(const QString& section) const {
    const QStringList lines = readLines(nullptr);
    const auto [begin, end] = findSection(lines, section);
    QStringList result;
    for (int i = begin; begin >= 0 && i < end; ++i) {
        QString k;
        if (splitKeyLine(lines[i], &k, nullptr)) result << k;
    }
    return result;
}

bool IniFile::write(const QString& section, const QString& key, const QString& value) const {
    QString lineEnd;
    QStringList lines = readLines(&lineEnd);
    const auto [begin, end] = findSection(lines, section);
    const QString entry = key + u'=' + value;
    if (begin < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines << QString();
        lines << u'[' + section + u']' << entry;
        return writeLines(lines, lineEnd);
    }
    int lastContent = begin - 1;
    for (int i = begin; i < end; ++i) {
        QString k;
        if (splitKeyLine(lines[i], &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0) {
            lines[i] = k + u'=' + value; // the key keeps the spelling it has in the file
            return writeLines(lines, lineEnd);
        }
        if (!lines[i].trimmed().isEmpty()) lastContent = i;
    }
    lines.insert(lastContent + 1, entry);
    return writeLines(lines, lineEnd);
}

bool IniFile::removeSection(const QString& section) const {
    QString lineEnd;
    QStringList lines = readLines(&lineEnd);
    const auto [begin, end] = findSection(lines, section);
    if (begin < 0) return true;
    lines.erase(lines.begin() + (begin - 1), lines.begin() + end);
    return writeLines(lines, lineEnd);
}

} // namespace mv
