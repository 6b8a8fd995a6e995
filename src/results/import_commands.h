#pragma once
// The three import commands of the result grid's "Import..." menu, each the whole flow: the open
// dialog asks for the file (cancel reads nothing), the file is read into a new detached recordset
// and "Import finished!" is shown. Bad input (a missing, empty, cut-off or ragged file, a file of
// another kind) is reported with the procedure name and module "modResultview" and gives no
// recordset at all, so nothing half-read is ever shown.
#include "db/recordset.h"

#include <QString>

namespace mv {

struct ImportResult {
    enum class Outcome { Imported, Cancelled, Failed };
    Outcome outcome = Outcome::Cancelled;
    // Open and detached when imported (cursor on the first row); an empty, closed recordset else.
    Recordset recordset;

    bool imported() const { return outcome == Outcome::Imported; }
    // The command ran to its end: imported or cancelled.
    bool ranToEnd() const { return outcome != Outcome::Failed; }
};

class ResultImporter {
  public:
    // `sharedFileName` is the file name kept by the main window's shared file dialog; every chosen
    // file becomes it. Without one the importer keeps its own.
    explicit ResultImporter(QString* sharedFileName = nullptr);

    ImportResult ImportXMLFileIntoRecordset();
    ImportResult ImportRTFFileIntoRecordset();
    ImportResult ImportCSVFileIntoRecordset(const QString& delimiter = QStringLiteral(";"));

    // The menu command of a key ("kImportXML", "kImportRTF", "kImportCSV") with the menu's
    // arguments; Failed without any message for another key.
    ImportResult runCommand(const QString& key);
    static bool handlesCommand(const QString& key);

    const QString& lastFileName() const { return *m_fileName; }

  private:
    template <class Read>
    ImportResult importFile(const char* procedure, const QString& title, const QString& filter, Read&& read);

    QString m_ownFileName;
    QString* m_fileName;
};

} // namespace mv
