#include "results/export_commands.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/recordset_xml.h"
#include "results/export_file.h"

namespace mv {
namespace {

constexpr const char* Module = "modResultview";
const QString AppTitle = QStringLiteral("Morvenda");

FileDialogRequest saveDialog(const QString& title, const QString& filter, const QString& fileName) {
    FileDialogRequest r;
    r.mode = FileDialogRequest::Save;
    r.title = title;
    r.filter = filter;
    r.fileName = fileName;
    r.mustExist = false;
    return r;
}

} // namespace

ResultExporter::ResultExporter(QString* sharedFileName, const QLocale& locale)
    : m_fileName(sharedFileName ? sharedFileName : &m_ownFileName), m_text(locale) {}

bool ResultExporter::exportFile(const char* procedure, const Recordset& rs, FileDialogRequest request,
                                Completion completion, const std::function<void(QIODevice&)>& write) {
    return guarded(Reporter::ErrorMsg, procedure, Module, false, [&] {
        if (!rs.isOpen() || rs.recordCount() == 0) return true;
        const std::optional<QString> chosen = userPort().chooseFile(request);
        if (!chosen || chosen->isEmpty()) return true;
        const QString path = *chosen;
        *m_fileName = path;
        {
            WaitCursor wait;
            writeFileAtomically(path, write);
        }
        if (completion == Completion::Message) {
            showMessage(ui_text("Export beendet!", "Export finished!"), MsgIcon::Information, MsgButtons::Ok,
                        {}, AppTitle);
            return true;
        }
        openExportedFile(path);
        return true;
    });
}

void openExportedFile(const QString& path) {
    // The file is written: a desktop without a viewer for its type is worth a note, not an error.
    if (!userPort().openExternal(path))
        showMessage(ui_text(QStringLiteral("Export beendet: %1\n\nAuf diesem Desktop ist kein Programm "
                                           "eingerichtet, das diese Datei öffnet.")
                                .arg(path),
                            QStringLiteral("Export finished: %1\n\nThis desktop has no program set up "
                                           "to open this file.")
                                .arg(path)),
                    MsgIcon::Information, MsgButtons::Ok, {}, AppTitle);
}

FileDialogRequest ResultExporter::csvFileDialog() {
    return saveDialog(ui_text("CSV-Datei speichern", "Save CSV File"),
                      ui_text("CSV Datei (*.csv) | *.csv", "CSV file (*.csv) | *.csv"), QString());
}

bool ResultExporter::ExportRecordsetAsCSVFile(const Recordset& rs, const ExportColumns& columns,
                                              const CsvExportOptions& options) {
    return exportFile("ExportRecordsetAsCSVFile", rs, csvFileDialog(), Completion::OpenFile, [&](QIODevice& device) {
                          ExportSink sink(device);
                          writeCsv(sink, rs, columns, m_text, options);
                      });
}

bool ResultExporter::ExportRecordsetAsTXTFile(const Recordset& rs, const ExportColumns& columns,
                                              const TextExportOptions& options) {
    return exportFile("ExportRecordsetAsTXTFile", rs,
                      saveDialog(ui_text("TXT-Datei speichern", "Save TXT File"),
                                 ui_text("TXT Datei (*.TXT) | *.TXT", "TXT file (*.TXT) | *.TXT"), QString()),
                      Completion::OpenFile, [&](QIODevice& device) {
                          ExportSink sink(device);
                          writeText(sink, rs, columns, m_text, options);
                      });
}

bool ResultExporter::ExportRecordsetAsRTFFile(const Recordset& rs, const ExportColumns& columns,
                                              const RtfExportOptions& options) {
    return exportFile("ExportRecordsetAsRTFFile", rs,
                      saveDialog(ui_text("RTF Datei speichern", "Save RTF File"),
                                 ui_text("RTF-Exportdatei (*.rtf) | *.rtf", "RTF Exportfile (*.rtf) | *.rtf"),
                                 *m_fileName),
                      Completion::Message, [&](QIODevice& device) {
                          ExportSink sink(device);
                          writeRtf(sink, rs, columns, m_text, options);
                      });
}

bool ResultExporter::ExportRecordsetAsXHTMLFile(const Recordset& rs, const ExportColumns& columns,
                                                const HtmlExportOptions& options) {
    return exportFile("ExportRecordsetAsXHTMLFile", rs,
                      saveDialog(ui_text("HTML-Exportdatei speichern", "Save HTML-Exportfile"),
                                 ui_text("Exportdatei (*.html) | *.html", "Exportfile (*.html) | *.html"),
                                 QString()),
                      Completion::OpenInBrowser, [&](QIODevice& device) {
                          ExportSink sink(device);
                          writeHtml(sink, rs, columns, m_text, options);
                      });
}

bool ResultExporter::ExportRecordsetAsXMLFile(const Recordset& rs) {
    return exportFile("ExportRecordsetAsXMLFile", rs,
                      saveDialog(ui_text("XML-Exportdatei speichern", "Save Export File"),
                                 ui_text("XML-Exportdatei (*.xml) | *.xml", "Exportfile (*.xml) | *.xml"),
                                 *m_fileName),
                      Completion::Message, [&](QIODevice& device) { saveXml(rs, &device); });
}

bool ResultExporter::handlesCommand(const QString& key) {
    static const QStringList keys = {QStringLiteral("kExportCSV"), QStringLiteral("kExportText"),
                                     QStringLiteral("kExportRTF"), QStringLiteral("kExportXHTML"),
                                     QStringLiteral("kExportXML")};
    return keys.contains(key);
}

bool ResultExporter::runCommand(const QString& key, const Recordset& rs, const ExportColumns& columns) {
    if (key == QLatin1String("kExportCSV")) return ExportRecordsetAsCSVFile(rs, columns);
    if (key == QLatin1String("kExportText")) return ExportRecordsetAsTXTFile(rs, columns);
    if (key == QLatin1String("kExportRTF")) return ExportRecordsetAsRTFFile(rs, columns);
    if (key == QLatin1String("kExportXHTML")) return ExportRecordsetAsXHTMLFile(rs, columns);
    if (key == QLatin1String("kExportXML")) return ExportRecordsetAsXMLFile(rs);
    return false;
}

} // namespace mv
