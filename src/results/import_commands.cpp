#include "results/import_commands.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/recordset_xml.h"
#include "results/import_csv.h"
#include "results/import_rtf.h"
#include "results/import_source.h"

namespace mv {
namespace {

constexpr const char* Module = "modResultview";

} // namespace

ResultImporter::ResultImporter(QString* sharedFileName)
    : m_fileName(sharedFileName ? sharedFileName : &m_ownFileName) {}

template <class Read>
ImportResult ResultImporter::importFile(const char* procedure, const QString& title, const QString& filter,
                                        Read&& read) {
    ImportResult failed{ImportResult::Outcome::Failed, Recordset()};
    return guarded(Reporter::ErrorMsg, procedure, Module, failed, [&] {
        FileDialogRequest request;
        request.mode = FileDialogRequest::Open;
        request.title = title;
        request.filter = filter;
        request.mustExist = true;
        const std::optional<QString> chosen = userPort().chooseFile(request);
        if (!chosen || chosen->isEmpty()) return ImportResult{ImportResult::Outcome::Cancelled, Recordset()};
        const QString path = *chosen;
        *m_fileName = path;
        ImportResult result{ImportResult::Outcome::Imported, Recordset()};
        {
            WaitCursor wait;
            result.recordset = read(path);
        }
        showMessage(ui_text("Import abgeschlossen!", "Import finished!"), MsgIcon::None, MsgButtons::Ok, {},
                    QStringLiteral("Morvenda"));
        return result;
    });
}

ImportResult ResultImporter::ImportXMLFileIntoRecordset() {
    return importFile("ImportXMLFileIntoRecordset", ui_text("XML-Importdatei öffnen", "Open Import File"),
                      ui_text("XML-Importdatei (*.xml) | *.xml", "Importfile (*.xml) | *.xml"),
                      [](const QString& path) { return loadXml(path); });
}

ImportResult ResultImporter::ImportRTFFileIntoRecordset() {
    return importFile("ImportRTFFileIntoRecordset", ui_text("RTF-Importdatei öffnen", "Open RTF Import File"),
                      ui_text("RTF-Importdatei (*.rtf) | *.rtf", "RTF Importfile (*.rtf) | *.rtf"),
                      [](const QString& path) { return readRtfTable(readImportFile(path), path); });
}

ImportResult ResultImporter::ImportCSVFileIntoRecordset(const QString& delimiter) {
    return importFile("ImportCSVFileIntoRecordset", ui_text("CSV-Importdatei öffnen", "Open CSV Import File"),
                      ui_text("CSV-Importdatei (*.csv) | *.csv", "CSV Importfile (*.csv) | *.csv"),
                      [&](const QString& path) {
                          return readCsvRecordset(decodeImportText(readImportFile(path)), delimiter, path);
                      });
}

bool ResultImporter::handlesCommand(const QString& key) {
    return key == QLatin1String("kImportXML") || key == QLatin1String("kImportRTF") ||
           key == QLatin1String("kImportCSV");
}

ImportResult ResultImporter::runCommand(const QString& key) {
    if (key == QLatin1String("kImportXML")) return ImportXMLFileIntoRecordset();
    if (key == QLatin1String("kImportRTF")) return ImportRTFFileIntoRecordset();
    if (key == QLatin1String("kImportCSV")) return ImportCSVFileIntoRecordset();
    return ImportResult{ImportResult::Outcome::Failed, Recordset()};
}

} // namespace mv
