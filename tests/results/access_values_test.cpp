// "Order Details" of the Access sample: the Single column Discount shows 0.15 in the grid, in every
// export and on the printed page, where the driver's description once gave 5.1E-315.
#include "db/db_access.h"
#include "results/export_commands.h"
#include "results/grid_print_view.h"
#include "results/result_grid_widget.h"
#include "results/result_model.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>

using namespace mv;

namespace {

class OrderDetails : public ::testing::Test {
  protected:
    void SetUp() override {
        QString why;
        const QString file = mvtest::fixtureFile(QStringLiteral("nwind.mdb"), &why);
        if (file.isEmpty()) GTEST_SKIP() << why.toStdString();
        auto conn = createDbConnection();
        conn->open(QStringLiteral("Driver=MDBTools;DBQ=") + file);
        // The first orders: discounts of 0, 0.15 and 0.05 among them.
        ExecResult r = conn->execute(QStringLiteral("SELECT * FROM [Order Details] WHERE OrderID < 10252"));
        ASSERT_TRUE(r.rows.has_value());
        rs = *r.rows;
        ASSERT_EQ(rs.field(4).name, QStringLiteral("Discount"));
        grid.setRecordset(rs);
    }

    QString exported(const char* key) {
        const QString path = folder.file(QString::fromLatin1(key));
        port.files.push_back(path);
        EXPECT_TRUE(ResultExporter(nullptr, QLocale::c()).runCommand(QString::fromLatin1(key), rs));
        return QString::fromUtf8(folder.read(QString::fromLatin1(key)));
    }

    mvtest::ScriptedUserPort port;
    mvtest::TempFolder folder;
    Recordset rs;
    ResultGridWidget grid;
};

TEST_F(OrderDetails, DiscountShowsItsValueInTheGridEveryExportAndThePrint) {
    QStringList shown;
    for (int r = 0; r < rs.recordCount(); ++r)
        shown << grid.model()->cellText(r, 4);
    EXPECT_TRUE(shown.contains(QStringLiteral("0.15"))) << shown.join(u' ').toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("0.05")));
    for (const QString& s : shown)
        EXPECT_TRUE(s == "0" || s == "0.15" || s == "0.05") << s.toStdString();

    EXPECT_TRUE(exported("kExportCSV").contains(QStringLiteral(";\"0.15\"\r\n")));
    EXPECT_TRUE(exported("kExportText").contains(QStringLiteral("|0.15~")));
    EXPECT_TRUE(exported("kExportXHTML").contains(QStringLiteral(">0.15</td>")));
    EXPECT_TRUE(exported("kExportRTF").contains(QStringLiteral("\\intbl 0.15\\cell ")));
    EXPECT_TRUE(exported("kExportXML").contains(QStringLiteral("Discount='0.15'")));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.file("od.pdf"));
    const GridPrintSettings settings = standardPrintSettings();
    applyPageSetup(printer, settings);
    GridPrintView(grid, settings).print(printer);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {folder.file("od.pdf"), QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
    const QString printed = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(printed.contains(QStringLiteral("0.15"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(QStringLiteral("E-315")));
}

} // namespace
