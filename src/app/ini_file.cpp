#include "app/ini_file.h"

#include "app/atomic_file.h"
#include "app/text_encoding.h"

#include <QFile>
#include <QFileInfo>

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

QString oneLine(QString v) {
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    return v;
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

QStringList IniFile::readLines(QString* lineEnd, TextEncoding* encoding) const {
    QFile f(m_path);
    if (lineEnd) *lineEnd = QStringLiteral("\n");
    if (encoding) *encoding = TextEncoding::Utf8;
    // Only a plain file: a pipe or device named as settings file would never end.
    if (m_path.isEmpty() || !QFileInfo(m_path).isFile() || !f.open(QIODevice::ReadOnly)) return {};
    DecodedText decoded = decodeText(f.readAll());
    if (encoding) *encoding = decoded.encoding;
    const QString& text = decoded.text;
    if (lineEnd && text.contains(QStringLiteral("\r\n"))) *lineEnd = QStringLiteral("\r\n");
    QStringList lines = text.split(u'\n');
    for (QString& l : lines)
        if (l.endsWith(u'\r')) l.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

bool IniFile::writeLines(const QStringList& lines, const QString& lineEnd, TextEncoding encoding) const {
    QString text;
    for (const QString& l : lines) text += l + lineEnd;
    // The file keeps its encoding; a character it cannot hold makes the whole file UTF-8.
    std::optional<QByteArray> out = encodeText(text, encoding);
    return writeWholeFile(m_path, out ? *out : text.toUtf8(), nullptr);
}

QString IniFile::read(const QString& section, const QString& key, const QString& defaultValue) const {
    const QStringList lines = readLines(nullptr, nullptr);
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
    const QStringList lines = readLines(nullptr, nullptr);
    const auto [begin, end] = findSection(lines, section);
    QStringList result;
    for (int i = begin; begin >= 0 && i < end; ++i) {
        QString k;
        if (splitKeyLine(lines[i], &k, nullptr)) result << k;
    }
    return result;
}

bool IniFile::write(const QString& section, const QString& key, const QString& rawValue) const {
    QString lineEnd;
    TextEncoding encoding;
    QStringList lines = readLines(&lineEnd, &encoding);
    const auto [begin, end] = findSection(lines, section);
    // A line break in a value would start new lines, even new sections, in the file.
    const QString value = oneLine(rawValue);
    const QString entry = key + u'=' + value;
    if (begin < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines << QString();
        lines << u'[' + section + u']' << entry;
        return writeLines(lines, lineEnd, encoding);
    }
    int lastContent = begin - 1;
    for (int i = begin; i < end; ++i) {
        QString k;
        if (splitKeyLine(lines[i], &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0) {
            lines[i] = k + u'=' + value; // the key keeps the spelling it has in the file
            return writeLines(lines, lineEnd, encoding);
        }
        if (!lines[i].trimmed().isEmpty()) lastContent = i;
    }
    lines.insert(lastContent + 1, entry);
    return writeLines(lines, lineEnd, encoding);
}

bool IniFile::removeSection(const QString& section) const {
    QString lineEnd;
    TextEncoding encoding;
    QStringList lines = readLines(&lineEnd, &encoding);
    const auto [begin, end] = findSection(lines, section);
    if (begin < 0) return true;
    lines.erase(lines.begin() + (begin - 1), lines.begin() + end);
    return writeLines(lines, lineEnd, encoding);
}

} // namespace mv
