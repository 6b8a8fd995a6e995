#include "exec/sql_names.h"

#include "db/db_connect.h"

#include <QSet>

namespace mv {
namespace {

bool isPlainName(const QString& name) {
    if (name.isEmpty()) return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        const bool letter = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'_';
        const bool digit = u >= u'0' && u <= u'9';
        if (!(letter || (digit && i > 0))) return false;
    }
    return true;
}

QSet<QString> upperSet(const QStringList& words) {
    QSet<QString> set;
    for (const QString& w : words)
        if (!w.trimmed().isEmpty()) set.insert(w.trimmed().toUpper());
    return set;
}

} // namespace

const QStringList& odbcReservedWords() {
    static const QStringList words = QStringLiteral(
        "ABSOLUTE ACTION ADA ADD ALL ALLOCATE ALTER AND ANY ARE AS ASC ASSERTION AT AUTHORIZATION AVG BEGIN "
        "BETWEEN BIT BIT_LENGTH BOTH BY CASCADE CASCADED CASE CAST CATALOG CHAR CHAR_LENGTH CHARACTER "
        "CHARACTER_LENGTH CHECK CLOSE COALESCE COLLATE COLLATION COLUMN COMMIT CONNECT CONNECTION CONSTRAINT "
        "CONSTRAINTS CONTINUE CONVERT CORRESPONDING COUNT CREATE CROSS CURRENT CURRENT_DATE CURRENT_TIME "
        "CURRENT_TIMESTAMP CURRENT_USER CURSOR DATE DAY DEALLOCATE DEC DECIMAL DECLARE DEFAULT DEFERRABLE "
        "DEFERRED DELETE DESC DESCRIBE DESCRIPTOR DIAGNOSTICS DISCONNECT DISTINCT DOMAIN DOUBLE DROP ELSE END "
        "END-EXEC ESCAPE EXCEPT EXCEPTION EXEC EXECUTE EXISTS EXTERNAL EXTRACT FALSE FETCH FIRST FLOAT FOR "
        "FOREIGN FORTRAN FOUND FROM FULL GET GLOBAL GO GOTO GRANT GROUP HAVING HOUR IDENTITY IMMEDIATE IN "
        "INCLUDE INDEX INDICATOR INITIALLY INNER INPUT INSENSITIVE INSERT INT INTEGER INTERSECT INTERVAL INTO "
        "IS ISOLATION JOIN KEY LANGUAGE LAST LEADING LEFT LEVEL LIKE LOCAL LOWER MATCH MAX MIN MINUTE MODULE "
        "MONTH NAMES NATIONAL NATURAL NCHAR NEXT NO NONE NOT NULL NULLIF NUMERIC OCTET_LENGTH OF ON ONLY OPEN "
        "OPTION OR ORDER OUTER OUTPUT OVERLAPS PAD PARTIAL PASCAL POSITION PRECISION PREPARE PRESERVE PRIMARY "
        "PRIOR PRIVILEGES PROCEDURE PUBLIC READ REAL REFERENCES RELATIVE RESTRICT REVOKE RIGHT ROLLBACK ROWS "
        "SCHEMA SCROLL SECOND SECTION SELECT SESSION SESSION_USER SET SIZE SMALLINT SOME SPACE SQL SQLCA "
        "SQLCODE SQLERROR SQLSTATE SQLWARNING SUBSTRING SUM SYSTEM_USER TABLE TEMPORARY THEN TIME TIMESTAMP "
        "TIMEZONE_HOUR TIMEZONE_MINUTE TO TRAILING TRANSACTION TRANSLATE TRANSLATION TRIM TRUE UNION UNIQUE "
        "UNKNOWN UPDATE UPPER USAGE USER USING VALUE VALUES VARCHAR VARYING VIEW WHEN WHENEVER WHERE WITH "
        "WORK WRITE YEAR ZONE")
                                          .split(u' ', Qt::SkipEmptyParts);
    return words;
}

SqlDialect sqlDialectOf(const C_DbConnect& cn) {
    const DbConnection* c = cn.Connection();
    return sqlDialectOf(c ? c->info().dbmsName : QString(), cn.mvDatabase());
}

NameRules nameRulesOf(const C_DbConnect& cn) {
    NameRules rules;
    rules.databaseKind = cn.mvDatabase();
    rules.dialect = sqlDialectOf(cn);
    if (const DbConnection* c = cn.Connection()) {
        rules.identifierQuote = c->info().identifierQuote;
        rules.keywords = c->info().keywords;
    }
    return rules;
}

bool nameNeedsQuotes(const QString& name, const NameRules& rules) {
    if (!isPlainName(name)) return true;
    if (rules.dialect == SqlDialect::PostgreSQL && name != name.toLower()) return true;
    static const QSet<QString> odbc = upperSet(odbcReservedWords());
    const QString upper = name.toUpper();
    if (odbc.contains(upper)) return true;
    for (const QString& k : rules.keywords)
        if (k.trimmed().compare(upper, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString quotedName(const QString& name, const NameRules& rules) {
    QString open, close;
    if (rules.databaseKind == 1 || rules.databaseKind == 2 || rules.dialect == SqlDialect::SqlServer ||
        rules.dialect == SqlDialect::Access) {
        open = QStringLiteral("["), close = QStringLiteral("]");
    } else {
        open = close = rules.identifierQuote.trimmed();
    }
    if (open.isEmpty() || !nameNeedsQuotes(name, rules)) return name;
    QString inner = name;
    // A closing quote inside the name is doubled, so the name cannot end the quotes early.
    inner.replace(close, close + close);
    return open + inner + close;
}

QString quotedObjectName(const QString& objectText, const NameRules& rules) {
    const qsizetype dot = objectText.indexOf(u'.');
    if (dot < 0) return quotedName(objectText, rules);
    return quotedName(objectText.left(dot), rules) + u'.' + quotedName(objectText.mid(dot + 1), rules);
}

} // namespace mv
