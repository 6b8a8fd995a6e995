#pragma once
// The five export commands of the result grid's "Export As..." menu, each the whole flow: nothing
// happens for a recordset without rows; otherwise the save dialog asks for the file (cancel writes
// nothing), the file is written atomically (a failure leaves an earlier file as it was), and then
// CSV and TXT files are opened with the desktop's program for them, HTML in the browser, and RTF
// and XML end with "Export finished!". Errors are reported with the procedure name and module
// "modResultview"; the command then returns false. True otherwise (a cancelled dialog included).
//
// The exports read the rows by index in the recordset's current order and do not move its cursor.
#include "app/user_port.h"
#include "results/export_columns.h"
#include "results/export_delimited.h"
#include "results/export_html.h"
#include "results/export_rtf.h"

#include <QIODevice>
#include <QLocale>
#include <functional>

namespace mv {

// Opens a written export with the desktop's program for its type; without one, says where it is.
void openExportedFile(const QString& path);

class ResultExporter {
  public:
    // `sharedFileName` is the file name kept by the main window's shared file dialog: the RTF and
    // XML exports offer it again and every chosen file becomes it. Without one the exporter keeps
    // its own. `locale` decides the value texts (numbers, dates).
    explicit ResultExporter(QString* sharedFileName = nullptr, const QLocale& locale = QLocale());

    bool ExportRecordsetAsCSVFile(const Recordset& rs, const ExportColumns& columns = {},
                                  const CsvExportOptions& options = {});
    bool ExportRecordsetAsTXTFile(const Recordset& rs, const ExportColumns& columns = {},
                                  const TextExportOptions& options = {});
    bool ExportRecordsetAsRTFFile(const Recordset& rs, const ExportColumns& columns = {},
                                  const RtfExportOptions& options = {});
    bool ExportRecordsetAsXHTMLFile(const Recordset& rs, const ExportColumns& columns = {},
                                    const HtmlExportOptions& options = {});
    // Always every field: the recordset's own persisted form.
    bool ExportRecordsetAsXMLFile(const Recordset& rs);

    // The menu command of a key ("kExportCSV", "kExportText", "kExportRTF", "kExportXHTML",
    // "kExportXML") with the menu's arguments; false for any other key.
    bool runCommand(const QString& key, const Recordset& rs, const ExportColumns& columns = {});
    static bool handlesCommand(const QString& key);

    const QString& lastFileName() const { return *m_fileName; }
    // The save dialog of the CSV export.
    static FileDialogRequest csvFileDialog();

  private:
    enum class Completion { OpenFile, OpenInBrowser, Message };

    bool exportFile(const char* procedure, const Recordset& rs, FileDialogRequest request,
                    Completion completion, const std::function<void(QIODevice&)>& write);

    QString m_ownFileName;
    QString* m_fileName;
    ValueText m_text;
};

} // namespace mv
