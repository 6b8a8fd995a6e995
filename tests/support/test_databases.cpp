#include "support/test_databases.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace mvtest {

namespace {

QString envText(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

TestDatabase serverDatabase(const char* name, const char* variable, const QString& server) {
    TestDatabase db;
    db.name = QString::fromLatin1(name);
    db.connectionString = envText(variable);
    if (db.connectionString.isEmpty()) {
        db.skipReason = envText((QByteArray(variable) + "_SKIP").constData());
        if (db.skipReason.isEmpty())
            db.skipReason = QStringLiteral("%1 is not set (./test.sh starts a %2 test server and sets it)")
                                .arg(QString::fromLatin1(variable), server);
    }
    return db;
}

} // namespace

const std::vector<std::string>& testDatabaseNames() {
    static const std::vector<std::string> names{"sqlite", "postgresql", "mariadb"};
    return names;
}

QString demoSqliteSql() {
    const QString fromEnv = envText("MV_TEST_SQLITE_SQL");
    return fromEnv.isEmpty() ? QStringLiteral(MV_SOURCE_DIR "/examples/demo/sqlite.sql") : fromEnv;
}

QString demoSqlitePath(const TempFolder& folder, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return QString();
    };
    const QString sql = demoSqliteSql();
    const QString dbFile = folder.file(QStringLiteral("demo.db"));
    if (QFileInfo::exists(dbFile) && !QFile::remove(dbFile))
        return fail(QStringLiteral("cannot replace %1").arg(dbFile));
    if (!QFileInfo::exists(sql)) return fail(QStringLiteral("the demo SQL %1 does not exist").arg(sql));
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty())
        return fail(QStringLiteral("the sqlite3 program is not installed (Debian package sqlite3)"));

    QProcess process;
    process.setStandardInputFile(sql);
    // -init /dev/null: a ~/.sqliterc of the person running the tests must not change the database.
    process.start(sqlite3, {QStringLiteral("-batch"), QStringLiteral("-bail"), QStringLiteral("-init"),
                            QStringLiteral("/dev/null"), dbFile});
    const bool finished = process.waitForFinished(60000);
    if (!finished) process.kill();
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString output = QString::fromUtf8(process.readAllStandardError()).trimmed();
        QFile::remove(dbFile);
        return fail(QStringLiteral("sqlite3 could not build the demo database from %1: %2")
                        .arg(sql, finished ? output : QStringLiteral("no answer within 60 s")));
    }
    return dbFile;
}

QString fixtureFile(const QString& name, QString* why) {
    const QString folder = envText("MV_TEST_FIXTURES").isEmpty() ? QStringLiteral(MV_SOURCE_DIR "/../shared/fixtures")
                                                                 : envText("MV_TEST_FIXTURES");
    const QString file = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(file)) return file;
    if (why) *why = QStringLiteral("fixture missing: %1 (set MV_TEST_FIXTURES to the fixtures folder)").arg(file);
    return {};
}

bool underCI() {
    const QString ci = envText("CI").trimmed().toLower();
    return ci == QLatin1String("true") || ci == QLatin1String("1") || ci == QLatin1String("yes");
}

// MV_TEST_ENGINE=odbc: every connection of the tests goes through ODBC, also where a native engine
// would serve it.
static TestDatabase forcedEngine(TestDatabase db) {
    if (!db.connectionString.isEmpty() && envText("MV_TEST_ENGINE").trimmed().toLower() == QLatin1String("odbc"))
        db.connectionString += QStringLiteral(";Engine=ODBC");
    return db;
}

static TestDatabase namedDatabase(std::string_view name, const TempFolder& folder) {
    if (name == "sqlite") {
        TestDatabase db;
        db.name = QStringLiteral("sqlite");
        QString error;
        const QString file = demoSqlitePath(folder, &error);
        if (file.isEmpty())
            db.skipReason = error;
        else
            db.connectionString = QStringLiteral("Driver=SQLite3;Database=") + file;
        return db;
    }
    if (name == "postgresql") return serverDatabase("postgresql", "MV_TEST_PG", QStringLiteral("PostgreSQL"));
    if (name == "mariadb") return serverDatabase("mariadb", "MV_TEST_MY", QStringLiteral("MariaDB"));
    TestDatabase unknown;
    unknown.name = QString::fromUtf8(name.data(), qsizetype(name.size()));
    unknown.skipReason = QStringLiteral("there is no test database of that name");
    return unknown;
}

TestDatabase testDatabase(std::string_view name, const TempFolder& folder) {
    return forcedEngine(namedDatabase(name, folder));
}

std::vector<TestDatabase> testDatabases(const TempFolder& folder) {
    std::vector<TestDatabase> all;
    for (const std::string& name : testDatabaseNames()) all.push_back(testDatabase(name, folder));
    return all;
}

void PrintTo(const TestDatabase& db, std::ostream* os) {
    *os << db.name.toStdString();
    if (!db.usable()) *os << " (" << db.skipReason.toStdString() << ")";
}

QString ownName(const QString& stem) {
    return stem + QString::number(QCoreApplication::applicationPid());
}

QString withTable(const char* text, const QString& table) {
    return QString::fromUtf8(text).replace(QLatin1String("%T%"), table);
}

QString endlessQuery(const std::string& target) {
    if (target == "postgresql") return QStringLiteral("select pg_sleep(30)");
    if (target == "mariadb") return QStringLiteral("select count(*) from seq_1_to_100000 a, seq_1_to_100000 b");
    return QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < 4000000000) "
                          "select count(*) from c");
}

} // namespace mvtest
