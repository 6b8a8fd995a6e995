#pragma once
// A settings file with the private-profile rules: sections and keys compared without regard to
// case, a missing file or key gives the default, values longer than 254 characters are cut when
// read. Writing keeps every other line of the file as it was and replaces the file atomically.
#include "app/text_encoding.h"

#include <QString>
#include <QStringList>

namespace mv {

class IniFile {
public:
    explicit IniFile(QString path = {}) : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }

    QString read(const QString& section, const QString& key, const QString& defaultValue) const;
    // The keys of a section in file order (empty when the section is missing).
    QStringList keys(const QString& section) const;
    // Creates file, section and key as needed; line breaks in the value become spaces. False when
    // the file could not be written.
    bool write(const QString& section, const QString& key, const QString& value) const;
    // Removes a whole section (used when a list is written anew).
    bool removeSection(const QString& section) const;

    static constexpr int MaxValueLength = 254;

private:
    QStringList readLines(QString* lineEnd, TextEncoding* encoding) const;
    bool writeLines(const QStringList& lines, const QString& lineEnd, TextEncoding encoding) const;
    QString m_path;
};

} // namespace mv
