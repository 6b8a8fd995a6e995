#include "app/texts.h"
#include "db/data_link_dialog.h"
#include "support/scripted_user_port.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace mv;

namespace {

QList<odbc::DriverEntry> fakeDrivers() {
    return {{"PostgreSQL Unicode", {{"Driver", "psqlodbcw.so"}}},
            {"SQLite3", {{"Driver", "libsqlite3odbc.so"}}},
            {"MDBTools", {{"Driver", "libmdbodbc.so"}, {"FileUsage", "1"}}}};
}

class DataLinkDialogTest : public ::testing::Test {
  protected:
    DataLinkDialog dialog{fakeDrivers(), {{"Sales", "PostgreSQL Unicode", true}}};
    mvtest::ScriptedUserPort port;

    template <class W> W* child(const char* name) {
        W* w = dialog.findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void type(const char* name, const QString& text) { child<QLineEdit>(name)->setText(text); }
    void chooseDriver(const QString& name) { child<QComboBox>("cmbDriver")->setCurrentText(name); }
};

TEST_F(DataLinkDialogTest, FieldsMakeTheStringAndThePasswordIsSavedOnlyWhenTicked) {
    chooseDriver("PostgreSQL Unicode");
    type("txtServer", "127.0.0.1");
    type("txtPort", "54329");
    type("txtDatabase", "morvenda");
    type("txtUser", "morvenda");
    type("txtPwd", "se;cret");
    EXPECT_EQ(dialog.connectionString(),
              "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=54329;Database=morvenda;UID=morvenda");
    child<QCheckBox>("chkSavePwd")->setChecked(true);
    EXPECT_EQ(
        dialog.connectionString(),
        "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=54329;Database=morvenda;UID=morvenda;PWD={se;cret}");
    EXPECT_EQ(dialog.displayedConnectionString(),
              "Driver=PostgreSQL "
              "Unicode;Server=127.0.0.1;Port=54329;Database=morvenda;UID=morvenda;PWD=##########");
    EXPECT_EQ(child<QPlainTextEdit>("txtResult")->toPlainText(), dialog.displayedConnectionString());
    EXPECT_TRUE(child<QPushButton>("cmdOk")->isEnabled());
}

TEST_F(DataLinkDialogTest, FileDriversTakeAFileAndNoServer) {
    type("txtServer", "ignored");
    type("txtPort", "1");
    chooseDriver("SQLite3");
    EXPECT_FALSE(child<QLineEdit>("txtServer")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("txtPort")->isEnabled());
    ASSERT_TRUE(child<QPushButton>("cmdBrowse")->isEnabled());
    port.files.push_back(QString("/data/demo.db"));
    child<QPushButton>("cmdBrowse")->click();
    ASSERT_EQ(port.fileRequests.size(), 1);
    EXPECT_EQ(port.fileRequests[0].title, "Choose Database File");
    EXPECT_EQ(port.fileRequests[0].filter,
              "SQLite Database (*.db;*.sqlite;*.sqlite3) | *.db;*.sqlite;*.sqlite3|All files (*.*) | *.*");
    EXPECT_FALSE(port.fileRequests[0].mustExist);
    EXPECT_EQ(dialog.connectionString(), "Driver=SQLite3;Database=/data/demo.db");
    chooseDriver("MDBTools");
    EXPECT_EQ(dialog.connectionString(), "Driver=MDBTools;DBQ=/data/demo.db");
    type("txtDatabase", "/data/a;b.mdb");
    EXPECT_EQ(dialog.connectionString(), "Driver=MDBTools;DBQ={/data/a;b.mdb}");
}

TEST_F(DataLinkDialogTest, DataSourceName) {
    child<QRadioButton>("optDsn")->setChecked(true);
    EXPECT_EQ(child<QComboBox>("cmbDsn")->currentText(), "Sales");
    type("txtUser", "u");
    EXPECT_EQ(dialog.connectionString(), "DSN=Sales;UID=u");
    EXPECT_FALSE(child<QComboBox>("cmbDriver")->isEnabled());
}

TEST_F(DataLinkDialogTest, MalformedOptionsBlockOk) {
    chooseDriver("PostgreSQL Unicode");
    type("txtOptions", "SSLmode=require;oops");
    EXPECT_FALSE(dialog.canAccept());
    EXPECT_FALSE(child<QPushButton>("cmdOk")->isEnabled());
    EXPECT_EQ(child<QLabel>("lblError")->text(), "Extra options: part 2 is not of the form key=value.");
    type("txtOptions", "SSLmode=require");
    EXPECT_TRUE(dialog.canAccept());
    EXPECT_EQ(dialog.connectionString(), "Driver=PostgreSQL Unicode;SSLmode=require");
}

TEST_F(DataLinkDialogTest, NoSourceNoOk) {
    chooseDriver("");
    EXPECT_FALSE(dialog.canAccept());
}

TEST_F(DataLinkDialogTest, EditingAnOdbcStringKeepsEveryPart) {
    dialog.setConnectionString(
        "Driver={MariaDB Unicode};Server=h;Port=3306;Database=db;Uid=u;Pwd={p;w};Option=3");
    EXPECT_EQ(child<QComboBox>("cmbDriver")->currentText(), "MariaDB Unicode");
    EXPECT_EQ(child<QLineEdit>("txtServer")->text(), "h");
    EXPECT_EQ(child<QLineEdit>("txtPwd")->text(), "p;w");
    EXPECT_TRUE(child<QCheckBox>("chkSavePwd")->isChecked());
    EXPECT_EQ(child<QLineEdit>("txtOptions")->text(), "Option=3");
    EXPECT_EQ(dialog.connectionString(),
              "Driver=MariaDB Unicode;Server=h;Port=3306;Database=db;UID=u;PWD={p;w};Option=3");
    EXPECT_FALSE(dialog.displayedConnectionString().contains("p;w"));
}

TEST_F(DataLinkDialogTest, EditingAnOdbcStringThroughMsdasqlFlattensIt) {
    dialog.setConnectionString("Provider=MSDASQL.1;Persist Security Info=False;User ID=sa;Extended "
                               "Properties=\"DSN=Sales;Database=d\"");
    EXPECT_TRUE(child<QRadioButton>("optDsn")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("optProvider")->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.connectionString(), "DSN=Sales;Database=d;UID=sa");
}

TEST_F(DataLinkDialogTest, EditingAnotherProviderKeepsItsKeys) {
    dialog.setConnectionString(
        "Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=Sales;Data Source=SRV01,1433");
    EXPECT_TRUE(child<QRadioButton>("optProvider")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("optProvider")->isVisibleTo(&dialog));
    EXPECT_EQ(child<QLineEdit>("txtProvider")->text(), "SQLOLEDB.1");
    EXPECT_EQ(child<QLineEdit>("txtServer")->text(), "SRV01");
    EXPECT_EQ(child<QLineEdit>("txtPort")->text(), "1433");
    EXPECT_EQ(child<QLineEdit>("txtDatabase")->text(), "Sales");
    type("txtUser", "sa");
    EXPECT_EQ(dialog.connectionString(), "Provider=SQLOLEDB.1;Data Source=SRV01,1433;Initial "
                                         "Catalog=Sales;User ID=sa;Integrated Security=SSPI");
    // A new string without a provider hides the provider choice again.
    dialog.setConnectionString("Driver=SQLite3;Database=/x.db");
    EXPECT_FALSE(child<QRadioButton>("optProvider")->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.connectionString(), "Driver=SQLite3;Database=/x.db");
}

TEST_F(DataLinkDialogTest, JetProviderKeepsItsFile) {
    dialog.setConnectionString(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/d/a;b.mdb\";Persist Security Info=False");
    EXPECT_EQ(child<QLineEdit>("txtDatabase")->text(), "/d/a;b.mdb");
    EXPECT_FALSE(child<QLineEdit>("txtServer")->isEnabled());
    EXPECT_EQ(dialog.connectionString(),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/d/a;b.mdb\";Persist Security Info=False");
}

TEST_F(DataLinkDialogTest, TestConnectionGetsThePasswordAndTellsTheResult) {
    EXPECT_FALSE(child<QPushButton>("cmdTest")->isEnabled());
    QStringList tried;
    bool succeed = false;
    dialog.setConnectionTest([&](const QString& cs) {
        tried << cs;
        return ConnectionTestResult{succeed, succeed ? QString() : QString("boom")};
    });
    chooseDriver("PostgreSQL Unicode");
    type("txtUser", "u");
    type("txtPwd", "pw");
    ASSERT_TRUE(child<QPushButton>("cmdTest")->isEnabled());
    child<QPushButton>("cmdTest")->click();
    succeed = true;
    EXPECT_TRUE(dialog.testConnection());
    EXPECT_EQ(tried, QStringList({"Driver=PostgreSQL Unicode;UID=u;PWD=pw",
                                  "Driver=PostgreSQL Unicode;UID=u;PWD=pw"}));
    ASSERT_EQ(port.messages.size(), 2);
    EXPECT_EQ(port.messages[0].text, "The connection failed:\r\nboom");
    EXPECT_EQ(port.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(port.messages[1].text, "The connection was made successfully.");
    EXPECT_EQ(port.messages[1].icon, MsgIcon::Information);
    EXPECT_FALSE(port.waitCursor);
}

TEST_F(DataLinkDialogTest, TestConnectionKeepsTheDialogWorkingAndClosingItGivesUpTheTry) {
    // A connect that does not return until it is let go, as to a host that does not answer.
    std::mutex lock;
    std::condition_variable wake;
    bool letGo = false;
    std::atomic<int> ended{0};
    dialog.setConnectionTest([&](const QString&) {
        std::unique_lock<std::mutex> l(lock);
        // Never for ever: a dialog that tried on its own thread would wait here for good.
        wake.wait_for(l, std::chrono::seconds(3), [&] { return letGo; });
        ++ended;
        return ConnectionTestResult{true, QString("made it")};
    });
    auto release = [&](bool value) {
        {
            const std::lock_guard<std::mutex> l(lock);
            letGo = value;
        }
        wake.notify_all();
    };
    chooseDriver("PostgreSQL Unicode");
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    bool busyWhileWaiting = false;
    QTimer::singleShot(300, &dialog, [&] {
        busyWhileWaiting = dialog.testing() && !child<QPushButton>("cmdTest")->isEnabled();
        release(true);
    });
    EXPECT_TRUE(dialog.testConnection());
    EXPECT_TRUE(busyWhileWaiting) << "a second try could start while the first waited";
    EXPECT_GT(ticks, 10) << "the dialog froze while the connection was tried";
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.messages[0].text, "made it");
    EXPECT_TRUE(child<QPushButton>("cmdTest")->isEnabled());
    EXPECT_FALSE(port.waitCursor);

    // Closing the dialog while the try hangs ends the wait at once and tells nothing.
    release(false);
    port.messages.clear();
    QTimer::singleShot(100, &dialog, [&] { dialog.reject(); });
    QElapsedTimer sinceStart;
    sinceStart.start();
    EXPECT_FALSE(dialog.testConnection());
    EXPECT_LT(sinceStart.elapsed(), 1000);
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_FALSE(dialog.testing());
    // The abandoned try ends on its own thread once its connect returns.
    release(true);
    for (int i = 0; i < 400 && ended < 2; ++i)
        QThread::msleep(10);
    EXPECT_EQ(ended, 2);
}

TEST(DataLinkDialogTexts, GermanTexts) {
    setLanguage(1);
    DataLinkDialog dialog({}, {});
    setLanguage(2);
    EXPECT_EQ(dialog.windowTitle(), "Data Link Eigenschaften");
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdCancel")->text(), "&Abbrechen");
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdTest")->text(), "Verbindung &testen");
}

TEST(DataLinkSettingsRoundTrip, StringsSurviveReadingAndWritingBack) {
    const QString cases[] = {
        "Driver=SQLite3;Database=/x.db",
        "Driver=PostgreSQL Unicode;Server=h;Port=5;Database=d;UID=u;PWD={a}}b};SSLmode=require",
        "DSN=Sales;UID=u",
        "Provider=MSDAORA.1;Data Source=orcl;User ID=scott;Password=tiger",
    };
    for (const QString& cs : cases) {
        const DataLinkSettings s = dataLinkSettingsFrom(cs);
        EXPECT_EQ(connectionStringOf(s, true), cs);
    }
}

} // namespace
