#include "explorer/sql_generation.h"

#include "db/recordset.h"

namespace mv {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kKeyPair = QStringLiteral("<KeyXTab1> = <KeyXTab2>");
} // namespace

NameRules NameQuoting::rules() const {
    NameRules r;
    r.databaseKind = databaseKind;
    r.identifierQuote = identifierQuote;
    r.dialect = dialect == SqlDialect::Generic ? sqlDialectOf(QString(), databaseKind) : dialect;
    r.keywords = keywords;
    return r;
}

QString NameQuoting::quoted(const QString& name) const {
    return quotedName(name, rules());
}

QString NameQuoting::quotedObject(const QString& objectText) const {
    return quotedObjectName(objectText, rules());
}

QList<RowValue> rowValuesOf(const Recordset& rs, int row) {
    QList<RowValue> values;
    const bool hasRow = row >= 0 && row < rs.recordCount();
    for (int col = 0; col < rs.fieldCount(); ++col) {
        RowValue v;
        v.field = rs.field(col).name;
        v.numeric = ado::isNumericType(rs.field(col).type);
        if (hasRow) {
            v.isNull = rs.isNull(row, col);
            if (!v.isNull) v.text = rs.text(row, col);
        }
        values << v;
    }
    return values;
}

QString markedTableList(const QStringList& marked) {
    return marked.join(QStringLiteral(", "));
}

QStringList markedFields(const QStringList& fields, const QString& tablePrefix, const NameQuoting& quoting) {
    QStringList out;
    for (const QString& field : fields)
        out << (tablePrefix.isEmpty() ? QString() : quoting.quotedObject(tablePrefix) + u'.') + quoting.quoted(field);
    return out;
}

QString buildJoin(const QStringList& marked, int databaseKind, const NameQuoting& quoting) {
    if (marked.size() < 2) return {};
    QStringList tables;
    for (const QString& t : marked)
        tables << quoting.quotedObject(t);
    const QString list = markedTableList(tables);
    if (databaseKind == 1) {
        // Jet nests its joins: each further table joins the ones before it. The pieces after the
        // first keep the blank that followed the comma of the list.
        const QString on = QStringLiteral(" ON (") + kKeyPair + QStringLiteral(" AND ...) ");
        QString text =
            QStringLiteral("FROM ") + tables[0] + QStringLiteral(" INNER JOIN ") + u' ' + tables[1] + on;
        for (qsizetype k = 2; k < tables.size(); ++k)
            text += QStringLiteral(" INNER JOIN ") + u' ' + tables[k] + on;
        return text;
    }
    if (databaseKind == 4)
        return QStringLiteral("FROM \t") + list + kCrLf + QStringLiteral("WHERE\t\t") + kKeyPair + kCrLf;
    return QStringLiteral("FROM \t") + list + kCrLf + QStringLiteral("\t\tWHERE\t\t") + kKeyPair + kCrLf;
}

QString buildWhereClause(const QStringList& keys, const QList<RowValue>& row, const NameQuoting& quoting,
                         const std::function<void(const QString& key)>& onMissing) {
    QString text;
    bool first = true;
    for (const QString& key : keys) {
        const RowValue* value = nullptr;
        for (const RowValue& v : row)
            if (v.field.compare(key, Qt::CaseInsensitive) == 0) {
                value = &v;
                break;
            }
        if (!value) {
            if (onMissing) onMissing(key);
            continue;
        }
        if (value->isNull) continue;
        text += first ? QStringLiteral("WHERE \t") : QStringLiteral("AND \t");
        first = false;
        const QString name = quoting.quoted(key);
        if (value->numeric) {
            text += name + QStringLiteral(" = ") + value->text + kCrLf;
        } else {
            // An apostrophe inside the value would end the literal early.
            QString literal = value->text;
            literal.replace(u'\'', QStringLiteral("''"));
            text += name + QStringLiteral(" = '") + literal + u'\'' + kCrLf;
        }
    }
    return text;
}

QString buildUpdate(const QString& quotedTable, const QStringList& fields, const QString& where) {
    const QString setList = fields.join(QStringLiteral(" = ValueX,") + kCrLf + QStringLiteral("\t\t")) +
                            QStringLiteral(" = ValueX");
    return QStringLiteral("UPDATE \t") + quotedTable + kCrLf + QStringLiteral("SET \t\t") + setList + kCrLf +
           where;
}

QString deleteTabs(const QString& text) {
    QString out = text;
    out.replace(u'\t', u' ');
    return out;
}

} // namespace mv
