// A dump-style script run through Morvenda (its splitter and its execute command over ODBC) leaves
// the same database as the native client (psql -f, mariadb <, sqlite3 <) run on the same file: the
// same tables, views, routines and triggers, the same rows in every table.
#include "db/db_connect.h"
#include "exec/execute_command.h"
#include "exec/run_settings.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/quiet_execute_host.h"
#include "support/test_databases.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace mv;

namespace {


// The editor holds the script; everything else of the window is left out.
using ScriptHost = mvtest::QuietExecuteHost;

QString scriptPath(const std::string& target) {
    const char* file = target == "postgresql" ? "postgresql_rental.sql"
                       : target == "mariadb"  ? "mariadb_rental.sql"
                                              : "sqlite_rental.sql";
    return QStringLiteral(MV_SOURCE_DIR "/tests/exec/scripts/") + QLatin1String(file);
}

struct ClientRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// One native client, on the server of the test database or on an SQLite file.
class Native {
  public:
    Native(std::string target, const QString& connectionString) : m_target(std::move(target)) {
        const QRegularExpressionMatch port = QRegularExpression(QStringLiteral("Port=(\\d+)")).match(connectionString);
        m_port = port.hasMatch() ? port.captured(1) : QString();
    }

    ClientRun run(const QStringList& args, const QString& stdinFile = {}) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("morvenda"));
        p.setProcessEnvironment(env);
        if (!stdinFile.isEmpty()) p.setStandardInputFile(stdinFile);
        const QString program = m_target == "postgresql" ? QStringLiteral("psql")
                                : m_target == "mariadb"  ? QStringLiteral("mariadb")
                                                         : QStringLiteral("sqlite3");
        QStringList all;
        if (m_target == "postgresql")
            all << "-X" << "-q" << "-h" << "127.0.0.1" << "-p" << m_port << "-U" << "morvenda";
        else if (m_target == "mariadb")
            all << "--no-defaults" << "-h" << "127.0.0.1" << "-P" << m_port << "-umorvenda" << "-pmorvenda";
        p.start(program, all + args);
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    // A new empty database (for SQLite the file path), named `stem` and the process number: the test
    // runs under both engine prefixes at once.
    QString freshDatabase(const QString& stem, const QString& folder) const {
        const QString name = stem + u'_' + QString::number(QCoreApplication::applicationPid());
        if (m_target == "postgresql") {
            run({"-d", "morvenda", "-c", "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)"});
            const ClientRun r = run({"-d", "morvenda", "-c", "CREATE DATABASE " + name});
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            return name;
        }
        if (m_target == "mariadb") {
            const ClientRun r = run({"-e", "DROP DATABASE IF EXISTS " + name + "; CREATE DATABASE " + name +
                                         " CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci"});
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            return name;
        }
        const QString path = folder + u'/' + name + QStringLiteral(".db");
        QFile::remove(path);
        return path;
    }

    ClientRun load(const QString& database, const QString& script) const {
        if (m_target == "postgresql") return run({"-v", "ON_ERROR_STOP=1", "-d", database, "-f", script});
        if (m_target == "mariadb") return run({database}, script);
        return run({"-bail", database}, script);
    }

    QString query(const QString& database, const QString& sql) const {
        ClientRun r;
        if (m_target == "postgresql")
            r = run({"-A", "-t", "-F", "|", "-d", database, "-c", sql});
        else if (m_target == "mariadb")
            r = run({"-N", "-B", database, "-e", sql});
        else
            r = run({database, sql});
        EXPECT_EQ(r.exitCode, 0) << sql.toStdString() << ": " << r.err.toStdString();
        return r.out;
    }

    // Everything the comparison looks at, as one text.
    QString describe(const QString& db) const {
        QString catalog, objects;
        if (m_target == "postgresql") {
            catalog = query(db, "SELECT table_name || ':' || table_type FROM information_schema.tables "
                                "WHERE table_schema = 'public' ORDER BY 1");
            objects = query(db, "SELECT 'f:' || proname FROM pg_proc WHERE pronamespace = 'public'::regnamespace "
                                "UNION ALL SELECT 't:' || tgname FROM pg_trigger WHERE NOT tgisinternal "
                                "UNION ALL SELECT 'y:' || typname FROM pg_type WHERE typnamespace = "
                                "'public'::regnamespace AND typtype = 'e' ORDER BY 1");
        } else if (m_target == "mariadb") {
            catalog = query(db, "SELECT CONCAT(table_name, ':', table_type) FROM information_schema.tables "
                                "WHERE table_schema = DATABASE() ORDER BY 1");
            objects = query(db, "SELECT CONCAT(routine_type, ':', routine_name) FROM information_schema.routines "
                                "WHERE routine_schema = DATABASE() UNION ALL SELECT CONCAT('TRIGGER:', trigger_name) "
                                "FROM information_schema.triggers WHERE trigger_schema = DATABASE() ORDER BY 1");
        } else {
            catalog = query(db, "SELECT name || ':' || type FROM sqlite_master WHERE type IN ('table', 'view') "
                                "AND name NOT LIKE 'sqlite_%' ORDER BY 1");
            objects = query(db, "SELECT type || ':' || name FROM sqlite_master WHERE type = 'trigger' ORDER BY 1");
        }
        QString text = catalog + objects;
        const QString q = m_target == "mariadb" ? QStringLiteral("`") : QStringLiteral("\"");
        for (const QString& line : catalog.split(u'\n', Qt::SkipEmptyParts)) {
            const QString table = line.section(u':', 0, 0);
            const QString quoted = q + table + q;
            text += table + QStringLiteral(" rows: ") + query(db, "SELECT count(*) FROM " + quoted);
            text += query(db, "SELECT * FROM " + quoted + " ORDER BY 1");
        }
        return text;
    }

  private:
    std::string m_target;
    QString m_port;
};

class ScriptOn : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
    }
    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    RunSettings run;
    QueryParameters parameters;
    ScriptHost host;
    ExecuteCommand command{cn, session, parameters, run, host};
};

TEST_P(ScriptOn, RunsStatementForStatementAsTheNativeClient) {
    MVTEST_REQUIRE(db);
    const std::string target = GetParam();
    const Native native(target, db.connectionString);
    const QString script = scriptPath(target);

    const QString nativeDb = native.freshDatabase(QStringLiteral("mv_script_native"), folder.path());
    const ClientRun loaded = native.load(nativeDb, script);
    ASSERT_EQ(loaded.exitCode, 0) << "the native client refused the script: " << loaded.err.toStdString();

    const QString ownDb = native.freshDatabase(QStringLiteral("mv_script_morvenda"), folder.path());
    QString connection = db.connectionString;
    if (target == "sqlite")
        connection = QStringLiteral("Driver=SQLite3;Database=") + ownDb;
    else
        connection.replace(QStringLiteral("Database=morvenda"), QStringLiteral("Database=") + ownDb);
    ASSERT_TRUE(cn.Init(connection, "", "", true)) << port.lastText().toStdString();
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    host.script = QString::fromUtf8(file.readAll());
    command.cmdExecute();
    // "The script caused errors!" would be the one message.
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString() << "\n"
                                         << session.SessionText().right(3000).toStdString();
    cn.CloseConnection();

    const QString expected = native.describe(nativeDb);
    EXPECT_GT(expected.count(u'\n'), 20) << expected.toStdString();
    EXPECT_EQ(native.describe(ownDb), expected);
}

INSTANTIATE_TEST_SUITE_P(Targets, ScriptOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
