#pragma once
// The open SQL documents: the document record, the collection keyed by document key, the two
// numbering counters and the naming rules of documents, tabs and their companion files.
#include "app/text_encoding.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace mv {

// One open document. For the current document the editor holds the text; sSQL is up to date only
// while the document is not current.
struct C_SQLTabs {
    QString sSQL;
    QString sKey;     // never changes: collection key, tab key and stem of the temporary files
    QString sFile;    // full path, or "NewSQL_nn" for a document never saved
    QString sTabText; // the tab caption
    bool Change = false;
    QString sSaved;   // the text as its file holds it (empty for a new document): Change compares to it
    TextEncoding encoding = TextEncoding::Utf8; // the file's, kept when it is saved
};

// The fixed first tab that shows the session log.
QString sessionTabKey();     // "kSession"
QString sessionTabCaption(); // "Session"

// A number with at least two digits: 1 gives "01", 123 gives "123".
QString counterText(int n);
// "NewSQL_" + counterText(n).
QString newDocumentName(int n);
// "Q" + the random value in [0,1) times 1,000,000,000 rounded to a whole number + "_" + counterText.
QString documentKey(double random, int counter);

// A file whose upper-cased path contains ".RPT" is a report; its grid layout lives in path + ".bin".
bool isReportFile(const QString& path);
QString reportLayoutFile(const QString& path);
// The temporary files of a document: the grid layout and the result rows.
QString tempLayoutFile(const QString& tempFolder, const QString& key); // <temp>/<key>.lyt
QString tempDataFile(const QString& tempFolder, const QString& key);   // <temp>/<key>.dat
// The optional layout of an empty grid, read but never written by the program.
QString standardLayoutFile(const QString& programFolder); // <program folder>/Standard.lyt

// The filter of the open and save dialogs: Query, Script, Data definition, Report, All Files.
QString sqlFileFilter();

// The documents collection with its counters.
class SqlTabs {
  public:
    // The random source gives values in [0,1); the default is the application's generator.
    using RandomSource = std::function<double()>;
    explicit SqlTabs(RandomSource random = {});
    ~SqlTabs();
    SqlTabs(const SqlTabs&) = delete;
    SqlTabs& operator=(const SqlTabs&) = delete;

    // Adds the document under its key; a key already taken is error 457.
    C_SQLTabs& add(C_SQLTabs doc);
    // False when there is no document with the key.
    bool remove(const QString& key);
    C_SQLTabs* item(const QString& key);
    const C_SQLTabs* item(const QString& key) const;
    int count() const { return int(m_items.size()); }
    // The keys in the order the documents were added.
    QStringList keys() const;
    // The document bound to exactly this path (case-sensitive), or none.
    const C_SQLTabs* findFile(const QString& path) const;

    // The counters are 16-bit and only ever grow: each call increments first, so the first number
    // is 1; past 32767 the call fails with error 6 (overflow) and the counter stays.
    int nextNewDocumentNumber();
    int nextOpenedFileNumber();
    int newDocumentCount() const { return m_newCount; }
    int openedFileCount() const { return m_openCount; }
    // A key for the counter; a random part that collides with an open document's key is drawn again.
    QString makeKey(int counter) const;

  private:
    std::vector<std::unique_ptr<C_SQLTabs>> m_items;
    RandomSource m_random;
    qint16 m_newCount = 0;
    qint16 m_openCount = 0;
};

} // namespace mv
