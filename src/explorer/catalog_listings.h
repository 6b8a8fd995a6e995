#pragma once
// The catalog listings: the whole catalog written to text files in the program folder (Tables.txt,
// Views.txt, Fields.txt, ViewFields.txt, Indexes.txt, StoredProcParas.txt), with the menu
// commands that run them. Lines end with CR LF; files are replaced atomically.
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace mv {

class C_DbConnect;
class Recordset;

// ---- Lines of the listings ----

// Tables.txt: SCHEMA.NAME (upper case) when both are non-blank, else NAME; with CR LF.
QString tableListingLine(const QString& schema, const QString& name);
// Views.txt: SCHEMA.NAME when the schema is non-blank, else NAME; with CR LF.
QString viewListingLine(const QString& schema, const QString& name);
// Fields.txt / ViewFields.txt: one column with its type and size texts and nullability.
QString fieldListingLine(const QString& schema, const QString& table, const QString& column,
                         const QString& type, const QString& size, bool nullable);
// Indexes.txt: one line per index of the table's index rowset (sorted by index name and
// position), without line ends.
QStringList indexListingLines(const QString& schema, const QString& table, const Recordset& indexes);
// StoredProcParas.txt: the size of a parameter: its length, else its precision, else its scale.
QString parameterSizeText(const QVariant& characterMaximumLength, const QVariant& numericPrecision,
                          const QVariant& numericScale);
QString parameterListingLine(const QString& schema, const QString& procedure, const QString& ordinal,
                             const QString& parameter, const QString& type, const QString& size);

// ---- Building and writing ----

class CatalogListings {
  public:
    // programFolder: where the files go.
    CatalogListings(C_DbConnect& cn, const QString& programFolder);

    // Where the table and view listings show a copy of their catalog rowset (the result grid).
    void setShowInGrid(std::function<void(const Recordset&)> show) { m_showInGrid = std::move(show); }

    // The full path of a listing file.
    QString listingPath(const QString& fileName) const;

    // Each builds its text, writes the file, announces it and returns the text; empty on failure.
    QString GetAllTables();
    QString GetAllViews();
    QString GetAllFields(bool views, const QString& filter);
    QString GetAllIndexes(const QString& filter);
    QString GetAllStProcParas(const QString& filter);

    // The menu commands (filter: the explorer's filter box text, upper-cased here).
    void cmdmAllTables();
    void mAllViews_Click();
    void cmdmAllFields(const QString& filter);
    void mAllViewFields_Click(const QString& filter);
    void cmdmAllIndexes(const QString& filter);
    void cmdmAllStProcParas(const QString& filter);

  private:
    bool writeAndAnnounce(const QString& fileName, const QString& text, const QString& german,
                          const QString& english);
    void runCommand(const char* procedure, const QString& noConnectionGerman,
                    const QString& noConnectionEnglish, const std::function<void()>& body);

    C_DbConnect& m_cn;
    QString m_folder;
    std::function<void(const Recordset&)> m_showInGrid;
};

} // namespace mv
