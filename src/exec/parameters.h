#pragma once
// Typed parameter tags "@name|type|[size]@" in query text, the parameter set built from them, and
// the substitution of the values the user typed as SQL literals.
#include "exec/sql_lexer.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace mv {

// ADO data type codes of the parameter types.
namespace adotype {
constexpr int VarChar = 200;
constexpr int Integer = 3;
constexpr int Double = 5;
constexpr int DBDate = 133;
constexpr int DBTime = 134;
constexpr int DBTimeStamp = 135;
constexpr int Unknown = 10;
} // namespace adotype

// "String", "Integer", "Double", "Date", "Time", "Timestamp": the type names of a tag, in list order.
const QStringList& parameterTypeNames();

// The ADO type code of a type name (compared exactly), adotype::Unknown for any other text.
int MVTypToADOType(const QString& typeName);

struct Parameter {
    QString name;
    int type = adotype::Unknown;
    int size = 0;   // the tag's size, 0 when it gave none
    QVariant value; // empty until the user gives one
};

// The parameters of a text's tags in the order of their first appearance; a name appears once.
class ParameterSet {
  public:
    // Adds p unless a parameter of that name is already there (the first tag defines it).
    bool add(const Parameter& p);
    qsizetype size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    const Parameter& at(qsizetype i) const { return m_items.at(i); }
    const Parameter* find(const QString& name) const;
    // False when there is no parameter of that name.
    bool setValue(const QString& name, const QVariant& value);
    QList<Parameter>::const_iterator begin() const { return m_items.begin(); }
    QList<Parameter>::const_iterator end() const { return m_items.end(); }

  private:
    QList<Parameter> m_items;
};

struct TagParseResult {
    std::optional<ParameterSet> set; // absent when the text has no tag or after a tag error
    QString error;                   // the tag error in the current language, empty when parsed
};

// The positions of the "@" characters that open or close tags: those in the dialect's code, not in
// strings, quoted names or comments, nor in the dialect's own uses of "@" (MariaDB, SQL Server and
// SQLite variables such as @x and @@x, PostgreSQL operators such as @> and @@).
QList<qsizetype> parameterTagMarks(const QString& text, SqlDialect dialect = SqlDialect::Generic);

// Collects the tags of text (between the marks of parameterTagMarks, taken in pairs).
TagParseResult parseParameterTags(const QString& text, SqlDialect dialect = SqlDialect::Generic);

// The typed text converted to a parameter type (user's number format, the date forms of
// readDateText). Throws MvError (type mismatch) with a message naming value, type and parameter.
QVariant convertParameterValue(const QString& typed, int type, const QString& parameterName);

// A value as the parameter panel shows it (it reads back with convertParameterValue).
QString parameterValueText(const QVariant& value);

// Replaces every tag of text by " " + Quote(value) + " "; after the last tag a blank precedes the
// rest of the text. Nothing when Quote failed (it has reported why). Throws MvError for a tag whose
// name is not in the set.
std::optional<QString> substituteParameters(const QString& text, const ParameterSet& set, int dbKind,
                                            SqlDialect dialect = SqlDialect::Generic);

// Where InsertParameterValues reads the values the user typed: the parameter panel.
class ParameterInputs {
  public:
    virtual ~ParameterInputs() = default;
    // The text typed for the parameter; empty when none (or when the panel has no input for it).
    virtual QString parameterInput(const QString& name) const = 0;
};

// The program's one parameter set, rebuilt from the current document's text.
class QueryParameters {
  public:
    // Rebuilds the set from text. On a tag error there is no set, the warning box
    // "Parameter Error: { ... }" is shown and the result is false.
    bool ParseParameter(const QString& text, SqlDialect dialect = SqlDialect::Generic);

    // Copies the typed values into the set and replaces the tags of text by their literals for the
    // database kind (the connection object's mvDatabase). False, with text unchanged, when values are
    // missing (an information box lists them) or a value does not convert (reported).
    bool InsertParameterValues(QString& text, const ParameterInputs& inputs, int dbKind,
                               SqlDialect dialect = SqlDialect::Generic);

    const std::optional<ParameterSet>& parameterSet() const { return m_set; }
    bool hasParameterSet() const { return m_set.has_value(); }

  private:
    std::optional<ParameterSet> m_set;
};

} // namespace mv
