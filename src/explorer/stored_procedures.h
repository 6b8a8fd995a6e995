#pragma once
// What the explorer shows about a stored procedure: its parameters in the field list and an
// information box with its catalog row.
#include <QList>
#include <QString>

namespace mv {

class C_DbConnect;
class Recordset;

// One parameter as the field list shows it.
struct ParameterRow {
    QString name;        // upper-cased PARAMETER_NAME
    QString type;        // TYPE_NAME
    QString description; // DESCRIPTION, empty for Null
    bool operator==(const ParameterRow&) const = default;
};
QList<ParameterRow> parameterRowsOf(const Recordset& parameters);

// Owner (before the first ".") and procedure (after it) of a procedure name text.
struct ProcedureName {
    QString owner;
    QString procedure;
};
ProcedureName splitProcedureName(const QString& text);
// The parameters of the procedure; empty when the provider cannot list them.
QList<ParameterRow> readProcedureParameters(C_DbConnect& cn, const QString& nameText);

// The name with every ";1" removed, split for the procedure rowset: without "." no schema; with
// three or more pieces the name is the second and third piece joined by ".".
struct ProcedureInfoName {
    QString schema;
    QString name;
};
ProcedureInfoName procedureInfoName(const QString& text);
// "COLUMN = value" CR LF for every column of the first row; empty without a row.
QString procedureInfoText(const Recordset& procedures);
// Shows the information box of the procedure. name loses its ";1" suffixes.
void ShowProcedureInfo(C_DbConnect& cn, QString& name);

} // namespace mv
