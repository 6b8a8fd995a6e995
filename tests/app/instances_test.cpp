// Two program instances in one folder: each keeps its own parked results, and session files of
// instances ending in the same second never overwrite each other.
#include "app/app_paths.h"
#include "app/instance_folder.h"
#include "app/ini_file.h"
#include "app/settings.h"
#include "app/texts.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace mv;

namespace {

TEST(Instances, EachKeepsItsOwnTemporaryFolderAndOnlyOrphansAreCleared) {
    mvtest::TempFolder dir;
    const QString temp = dir.file("temp");
    InstanceFolder first(temp);
    ASSERT_FALSE(first.path().isEmpty());
    const QString parked = first.path() + "/Q1_01.dat";
    QFile f(parked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("rows");
    f.close();
    // Left by an instance that is gone (its lock file was never written or is gone with it).
    QDir().mkpath(temp + "/run-999999-dead");
    dir.write("temp/run-999999-dead/Q2_01.dat", "old");
    dir.write("temp/loose.lyt", "from an older version");

    // The second instance starts in the same folder.
    ASSERT_TRUE(prepareTempFolder(temp));
    InstanceFolder second(temp);
    EXPECT_NE(second.path(), first.path());
    EXPECT_TRUE(QFile::exists(parked));
    EXPECT_FALSE(QDir(temp + "/run-999999-dead").exists());
    EXPECT_FALSE(QFile::exists(temp + "/loose.lyt"));
    EXPECT_TRUE(InstanceFolder::orphans(temp).isEmpty());
}

TEST(Instances, SessionFilesOfTheSameSecondAllSurvive) {
    mvtest::TempFolder dir;
    constexpr int Instances = 10;
    std::vector<std::unique_ptr<SessionLog>> logs;
    for (int i = 0; i < Instances; ++i) {
        logs.push_back(std::make_unique<SessionLog>(dir.path()));
        logs.back()->StartSession(false);
        logs.back()->append(QStringLiteral("-- instance %1\r\n").arg(i));
    }
    for (auto& log : logs) log->EndSession();
    const QStringList texts = QDir(dir.path()).entryList({"MorvendaSession_T*.txt"});
    const QStringList xmls = QDir(dir.path()).entryList({"MorvendaSession_T*.xml"});
    EXPECT_EQ(texts.size(), Instances);
    EXPECT_EQ(xmls.size(), Instances);
    // Each text file holds its own instance's protocol; each XML is the twin of a text file.
    QSet<QString> seen;
    for (const auto& log : logs) {
        QFile t(log->lastTextFile());
        ASSERT_TRUE(t.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(t.readAll());
        seen.insert(text.mid(text.indexOf("-- instance"), 14));
        EXPECT_EQ(log->lastXmlFile().chopped(4), log->lastTextFile().chopped(4));
        EXPECT_TRUE(QFile::exists(log->lastXmlFile()));
    }
    EXPECT_EQ(seen.size(), Instances);
}

// Runs only inside the children of TwoInstancesNeverCorruptTheSettingsFile.
TEST(SettingsWriterChild, WritesKeys) {
    const QString path = QString::fromLocal8Bit(qgetenv("MV_INI_CHILD_FILE"));
    if (path.isEmpty()) GTEST_SKIP() << "runs only as a child of TwoInstancesNeverCorruptTheSettingsFile";
    const QString me = QString::fromLocal8Bit(qgetenv("MV_INI_CHILD_NAME"));
    const IniFile ini(path);
    for (int i = 0; i < 150; ++i) {
        ASSERT_TRUE(ini.write("Recent Files", me + QString::number(i), QStringLiteral("/data/%1/%2.sql").arg(me).arg(i)));
        ASSERT_TRUE(ini.write("Settings", "Last", me));
    }
}

TEST(Instances, TwoInstancesNeverCorruptTheSettingsFile) {
    mvtest::TempFolder dir;
    const QString path = dir.write("Morvenda.ini", "[Settings]\r\nLanguage=1\r\n");
    std::vector<std::unique_ptr<QProcess>> children;
    for (const char* name : {"a", "b", "c"}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MV_INI_CHILD_FILE", path);
        env.insert("MV_INI_CHILD_NAME", name);
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=SettingsWriterChild.WritesKeys"});
        children.push_back(std::move(p));
    }
    // Meanwhile the file is read again and again: it is always whole.
    int reads = 0;
    auto running = [&] {
        for (auto& c : children)
            if (c->state() != QProcess::NotRunning) return true;
        return false;
    };
    while (running()) {
        const IniFile ini(path);
        EXPECT_EQ(ini.read("Settings", "Language", ""), "1");
        const QByteArray bytes = dir.read("Morvenda.ini");
        EXPECT_TRUE(bytes.endsWith("\r\n")) << "cut off after " << reads << " reads";
        EXPECT_EQ(bytes.count("[Settings]"), 1);
        ++reads;
        for (auto& c : children) c->waitForFinished(5);
    }
    for (auto& c : children) EXPECT_EQ(c->exitCode(), 0) << c->readAllStandardOutput().constData();
    // Every line is a section, or a key with its value as one instance wrote it.
    const QStringList lines = QString::fromUtf8(dir.read("Morvenda.ini")).split("\r\n", Qt::SkipEmptyParts);
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith('[') || QRegularExpression("^(Language=1|Last=[abc]|[abc]\\d+=/data/[abc]/\\d+\\.sql)$")
                                                 .match(line)
                                                 .hasMatch())
            << line.toStdString();
    EXPECT_GT(reads, 0);
}

TEST(Settings, AFontSizeNoScreenCanShowGetsTenPointsAndAMessage) {
    mvtest::TempFolder dir;
    for (const char* size : {"inf", "1e9", "nan", "-1000", "1"}) {
        mvtest::ScriptedUserPort port;
        const QString path = dir.write("Morvenda.ini", QByteArray("[Settings]\r\nEditFont=Courier New|False|") + size +
                                                          "\r\nLanguage=2\r\n");
        Settings s;
        LoadSettings(IniFile(path), dir.path(), s);
        EXPECT_EQ(s.editFont.pointSize, 10.0) << size;
        ASSERT_EQ(port.messages.size(), 1) << size;
        EXPECT_EQ(port.lastText(), QStringLiteral("The font size \"%1\" of the EditFont setting is invalid (4 to "
                                                  "200 points are allowed); the editor uses 10 points.")
                                       .arg(size));
        // The rest of the settings still load.
        EXPECT_EQ(s.language, 2) << size;
    }
    mvtest::ScriptedUserPort port;
    Settings s;
    LoadSettings(IniFile(dir.write("Morvenda.ini", "[Settings]\r\nEditFont=Mono|True|1250\r\n")), dir.path(), s);
    EXPECT_EQ(s.editFont.pointSize, 12.5);
    EXPECT_TRUE(port.messages.isEmpty());
}

} // namespace
