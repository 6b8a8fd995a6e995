#include "support/native_client.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

namespace mvtest {

namespace {

constexpr char FieldSeparator = '\x1f';
constexpr char RecordSeparator = '\x1e';
const QString NullMark = QStringLiteral("\x01");
// mdb-export writes this unquoted for NULL; a text value holding it would be quoted.
const QString MdbNullMark = QStringLiteral("@@NULL@@");

struct Output {
    QByteArray bytes;
    QString error;
};

Output run(const QString& program, const QStringList& args, const QProcessEnvironment& env = {}) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return {{}, QStringLiteral("the %1 program is not installed").arg(program)};
    QProcess process;
    if (!env.isEmpty()) process.setProcessEnvironment(env);
    process.start(path, args);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(120000);
    if (!finished) process.kill();
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {{},
                QStringLiteral("%1 failed: %2").arg(program,
                                                    finished ? QString::fromUtf8(process.readAllStandardError())
                                                             : QStringLiteral("no answer within 120 s"))};
    return {process.readAllStandardOutput(), {}};
}

NativeValue valueOf(const QByteArray& field) {
    const QString text = QString::fromUtf8(field);
    if (text == NullMark) return std::nullopt;
    return text;
}

// Records separated by RecordSeparator and fields by FieldSeparator; `records` already split.
NativeResult splitRecords(const QList<QByteArray>& records) {
    NativeResult r;
    for (const QByteArray& record : records) {
        NativeRow row;
        for (const QByteArray& field : record.split(FieldSeparator))
            row << valueOf(field);
        r.rows << row;
    }
    return r;
}

NativeResult sqliteQuery(const QString& connectionString, const QString& sql) {
    const Output out = run(QStringLiteral("sqlite3"),
                           {QStringLiteral("-batch"), QStringLiteral("-init"), QStringLiteral("/dev/null"),
                            QStringLiteral("-ascii"), QStringLiteral("-nullvalue"), NullMark,
                            connectionValue(connectionString, QStringLiteral("Database")), sql});
    if (!out.error.isEmpty()) return {{}, out.error};
    QList<QByteArray> records = out.bytes.split(RecordSeparator);
    records.removeLast(); // every record ends with the separator
    return splitRecords(records);
}

NativeResult postgresQuery(const QString& connectionString, const QString& sql) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), connectionValue(connectionString, QStringLiteral("Pwd")));
    env.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
    const Output out = run(QStringLiteral("psql"),
                           {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
                            connectionValue(connectionString, QStringLiteral("Server")), QStringLiteral("-p"),
                            connectionValue(connectionString, QStringLiteral("Port")), QStringLiteral("-U"),
                            connectionValue(connectionString, QStringLiteral("Uid")), QStringLiteral("-d"),
                            connectionValue(connectionString, QStringLiteral("Database")), QStringLiteral("-A"),
                            QStringLiteral("-t"), QStringLiteral("-F"), QString(QChar(FieldSeparator)),
                            QStringLiteral("-R"), QString(QChar(RecordSeparator)), QStringLiteral("-P"),
                            QStringLiteral("null=") + NullMark, QStringLiteral("-c"), sql},
                           env);
    if (!out.error.isEmpty()) return {{}, out.error};
    if (out.bytes.isEmpty()) return {};
    QByteArray bytes = out.bytes;
    if (bytes.endsWith('\n')) bytes.chop(1); // psql ends its output with a line break
    return splitRecords(bytes.split(RecordSeparator));
}

NativeResult mariadbQuery(const QString& connectionString, const QString& sql) {
    const Output out = run(QStringLiteral("mariadb"),
                           {QStringLiteral("--no-defaults"), QStringLiteral("--default-character-set=utf8mb4"),
                            QStringLiteral("-h"), connectionValue(connectionString, QStringLiteral("Server")),
                            QStringLiteral("-P"), connectionValue(connectionString, QStringLiteral("Port")),
                            QStringLiteral("-u") + connectionValue(connectionString, QStringLiteral("Uid")),
                            QStringLiteral("-p") + connectionValue(connectionString, QStringLiteral("Pwd")),
                            connectionValue(connectionString, QStringLiteral("Database")), QStringLiteral("--xml"),
                            QStringLiteral("-e"), sql});
    if (!out.error.isEmpty()) return {{}, out.error};
    NativeResult r;
    QXmlStreamReader xml(out.bytes);
    NativeRow row;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("row")) {
            row.clear();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("row")) {
            r.rows << row;
        } else if (xml.isStartElement() && xml.name() == QLatin1String("field")) {
            const bool nil = xml.attributes().value(QLatin1String("xsi:nil")) == QLatin1String("true");
            const QString text = xml.readElementText();
            row << (nil ? NativeValue() : NativeValue(text));
        }
    }
    if (xml.hasError()) r.error = QStringLiteral("mariadb --xml: ") + xml.errorString();
    return r;
}

// mdb-export's CSV: fields quoted with doubled quotes when they are text, line breaks inside quotes.
QList<NativeRow> parseMdbCsv(const QString& text) {
    QList<NativeRow> rows;
    NativeRow row;
    QString field;
    bool quoted = false, wasQuoted = false;
    auto endField = [&] {
        row << ((!wasQuoted && field == MdbNullMark) ? NativeValue() : NativeValue(field));
        field.clear();
        wasQuoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = wasQuoted = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\n') {
            endField();
            rows << row;
            row.clear();
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty()) {
        endField();
        rows << row;
    }
    return rows;
}

} // namespace

QString connectionValue(const QString& connectionString, const QString& key) {
    for (const QString& part : connectionString.split(u';')) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0 || part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0) continue;
        QString value = part.mid(eq + 1).trimmed();
        if (value.startsWith(u'{') && value.endsWith(u'}')) value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

QString nativeDialect(const QString& connectionString) {
    const QString driver = connectionValue(connectionString, QStringLiteral("Driver")).toLower();
    if (driver.startsWith(QLatin1String("sqlite"))) return QStringLiteral("sqlite");
    if (driver.startsWith(QLatin1String("postgresql"))) return QStringLiteral("postgresql");
    if (driver.startsWith(QLatin1String("mariadb")) || driver.startsWith(QLatin1String("mysql")))
        return QStringLiteral("mariadb");
    if (driver.startsWith(QLatin1String("mdbtools"))) return QStringLiteral("access");
    return {};
}

NativeResult nativeQuery(const QString& connectionString, const QString& sql) {
    const QString dialect = nativeDialect(connectionString);
    if (dialect == QLatin1String("sqlite")) return sqliteQuery(connectionString, sql);
    if (dialect == QLatin1String("postgresql")) return postgresQuery(connectionString, sql);
    if (dialect == QLatin1String("mariadb")) return mariadbQuery(connectionString, sql);
    return {{}, QStringLiteral("no native client for %1").arg(connectionString)};
}

NativeResult mdbExport(const QString& file, const QString& table) {
    const QString iso = QStringLiteral("%Y-%m-%d %H:%M:%S");
    const Output out = run(QStringLiteral("mdb-export"), {QStringLiteral("-0"), MdbNullMark, QStringLiteral("-D"), iso,
                                                          QStringLiteral("-T"), iso, file, table});
    if (!out.error.isEmpty()) return {{}, out.error};
    NativeResult r;
    r.rows = parseMdbCsv(QString::fromUtf8(out.bytes));
    if (!r.rows.isEmpty()) r.rows.removeFirst(); // the header
    return r;
}

} // namespace mvtest
