#include "explorer/stored_procedures.h"

#include "app/error_report.h"
#include "app/user_port.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "db/recordset.h"
#include "explorer/explorer_catalog.h"

#include <QStringList>

namespace mv {

QList<ParameterRow> parameterRowsOf(const Recordset& parameters) {
    QList<ParameterRow> rows;
    for (int r = 0; r < parameters.recordCount(); ++r)
        rows << ParameterRow{catalogText(parameters, r, "PARAMETER_NAME").toUpper(),
                             catalogText(parameters, r, "TYPE_NAME"),
                             catalogText(parameters, r, "DESCRIPTION")};
    return rows;
}

ProcedureName splitProcedureName(const QString& text) {
    const qsizetype dot = text.indexOf(u'.');
    if (dot < 0) return {QString(), text};
    return {text.left(dot), text.mid(dot + 1)};
}

QList<ParameterRow> readProcedureParameters(C_DbConnect& cn, const QString& nameText) {
    const ProcedureName n = splitProcedureName(nameText);
    Recordset rs;
    if (!cn.GetProcParasRs(n.owner, n.procedure, rs)) return {};
    return parameterRowsOf(rs);
}

ProcedureInfoName procedureInfoName(const QString& text) {
    QString name = text;
    name.remove(QStringLiteral(";1"));
    const QStringList pieces = name.split(u'.');
    if (pieces.size() < 2) return {QString(), name};
    if (pieces.size() == 2) return {pieces[0], pieces[1]};
    return {pieces[0], pieces[1] + u'.' + pieces[2]};
}

QString procedureInfoText(const Recordset& procedures) {
    QString text;
    if (procedures.recordCount() < 1) return text;
    for (int col = 0; col < procedures.fieldCount(); ++col)
        text += procedures.field(col).name + QStringLiteral(" = ") +
                (procedures.isNull(0, col) ? QString() : procedures.text(0, col)) + QStringLiteral("\r\n");
    return text;
}

void ShowProcedureInfo(C_DbConnect& cn, QString& name) {
    guardedVoid(Reporter::ErrorMsg, "ShowProcedureInfo", "Globals", [&] {
        name.remove(QStringLiteral(";1"));
        const ProcedureInfoName n = procedureInfoName(name);
        // A failed reconnection has reported itself already.
        if (cn.IsDisconnected() && !cn.IsConnected() && !cn.ReConnect()) return;
        if (!cn.Connection()) throw DbError(DbError::Kind::NotOpen, QStringLiteral("No database connection"));
        Recordset rs;
        try {
            rs = cn.openSchema(SchemaKind::Procedures,
                                        {std::nullopt,
                                         n.schema.isEmpty() ? std::nullopt : std::optional<QString>(n.schema),
                                         n.name, std::nullopt});
        } catch (...) {
            if (cn.IsDisconnected()) cn.CloseConnection();
            throw;
        }
        if (cn.IsDisconnected()) cn.CloseConnection();
        MessageRequest box;
        box.text = procedureInfoText(rs);
        box.title = QStringLiteral("Morvenda Stored Procedure Info");
        box.icon = MsgIcon::Information;
        userPort().message(box);
    });
}

} // namespace mv
