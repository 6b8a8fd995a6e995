#pragma once
// A folder of the test's own, so that parallel tests never share files.
#include <QString>
#include <QTemporaryDir>

namespace mvtest {

class TempFolder {
public:
    TempFolder() : m_dir(QStringLiteral("/tmp/mvtest-XXXXXX")) {}
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

} // namespace mvtest
