#include "documents/sql_completion.h"

#include "db/db_connect.h"
#include "exec/sql_names.h"
#include "exec/statement_at_caret.h"

#include <QSet>
#include <algorithm>

namespace mv {

namespace {

bool isIdentChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

bool isSqlite(const CompletionDialect& d) {
    return d.dbmsName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive);
}

// ---- a small tokenizer for FROM and JOIN clauses ----

struct Token {
    enum Kind { Name, Quoted, Punct, Other } kind;
    QString text; // a quoted name without its quotes
};

QList<Token> tokenize(const QString& t) {
    QList<Token> out;
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = t[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && t[i + 1] == u'-') {
            while (i < n && t[i] != u'\n') ++i;
        } else if (c == u'/' && i + 1 < n && t[i + 1] == u'*') {
            const qsizetype e = t.indexOf(u"*/", i + 2);
            i = e < 0 ? n : e + 2;
        } else if (c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? u']' : c;
            QString name;
            qsizetype j = i + 1;
            for (; j < n; ++j) {
                if (t[j] == close) {
                    if (close != u']' && j + 1 < n && t[j + 1] == close) {
                        name += close;
                        ++j;
                        continue;
                    }
                    break;
                }
                name += t[j];
            }
            out.append({Token::Quoted, name});
            i = j + 1;
        } else if (c == u'\'') {
            qsizetype j = i + 1;
            while (j < n && !(t[j] == u'\'' && !(j + 1 < n && t[j + 1] == u'\''))) j += t[j] == u'\'' ? 2 : 1;
            out.append({Token::Other, QString()});
            i = j + 1;
        } else if (isIdentChar(c)) {
            qsizetype j = i;
            while (j < n && isIdentChar(t[j])) ++j;
            out.append({Token::Name, t.mid(i, j - i)});
            i = j;
        } else {
            out.append({Token::Punct, QString(c)});
            ++i;
        }
    }
    return out;
}

bool isWord(const Token& t, const char* word) {
    return t.kind == Token::Name && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool endsReference(const Token& t) {
    static const char* const words[] = {
        "WHERE",   "ON",     "USING", "JOIN",  "INNER",  "LEFT",  "RIGHT",  "FULL",   "OUTER",   "CROSS",
        "NATURAL", "GROUP",  "ORDER", "HAVING", "LIMIT", "UNION", "SET",    "VALUES", "WINDOW",  "OFFSET",
        "FETCH",   "FOR",    "LATERAL", "SELECT", "INTO", "WITH", "RETURNING", "EXCEPT", "INTERSECT", "DEFAULT"};
    if (t.kind != Token::Name) return false;
    for (const char* w : words)
        if (isWord(t, w)) return true;
    return false;
}

} // namespace

QList<TableReference> tableReferences(const QString& statement) {
    const QList<Token> tokens = tokenize(statement);
    QList<TableReference> refs;
    const qsizetype n = tokens.size();
    auto isNamePart = [&](qsizetype i) {
        return i < n && (tokens[i].kind == Token::Quoted || (tokens[i].kind == Token::Name && !endsReference(tokens[i])));
    };
    for (qsizetype i = 0; i < n; ++i) {
        const bool from = isWord(tokens[i], "FROM");
        if (!from && !isWord(tokens[i], "JOIN") && !isWord(tokens[i], "UPDATE") && !isWord(tokens[i], "INTO"))
            continue;
        qsizetype j = i + 1;
        for (;;) {
            if (!isNamePart(j)) break;
            QStringList parts{tokens[j].text};
            ++j;
            while (j + 1 < n && tokens[j].kind == Token::Punct && tokens[j].text == QLatin1String(".") &&
                   isNamePart(j + 1)) {
                parts << tokens[j + 1].text;
                j += 2;
            }
            TableReference r;
            r.table = parts.last();
            if (parts.size() >= 2) r.schema = parts[parts.size() - 2];
            if (j < n && isWord(tokens[j], "AS")) ++j;
            if (isNamePart(j)) {
                r.alias = tokens[j].text;
                ++j;
            }
            refs.append(r);
            // "FROM a x, b y": the list goes on after a comma.
            if (from && j < n && tokens[j].kind == Token::Punct && tokens[j].text == QLatin1String(",")) {
                ++j;
                continue;
            }
            break;
        }
        i = j - 1;
    }
    return refs;
}

QString quotedNameFor(const QString& name, const CompletionDialect& d) {
    return quotedName(name, NameRules{sqlDialectOf(d.dbmsName, d.databaseKind), d.databaseKind, d.identifierQuote,
                                      d.keywords});
}

QStringList dialectKeywords(const CompletionDialect& d) {
    QStringList k = {"SELECT", "FROM",   "WHERE",    "GROUP BY", "ORDER BY", "HAVING",  "INSERT INTO", "VALUES",
                     "UPDATE", "SET",    "DELETE",   "JOIN",     "INNER JOIN", "LEFT JOIN", "RIGHT JOIN", "ON",
                     "AND",    "OR",     "NOT",      "NULL",     "IS NULL",  "IS NOT NULL", "IN",      "EXISTS",
                     "BETWEEN", "LIKE",  "AS",       "DISTINCT", "UNION",    "UNION ALL", "CASE",   "WHEN",
                     "THEN",   "ELSE",   "END",      "CREATE TABLE", "CREATE VIEW", "CREATE INDEX", "ALTER TABLE",
                     "DROP TABLE", "DROP VIEW", "PRIMARY KEY", "FOREIGN KEY", "REFERENCES", "DEFAULT", "ASC", "DESC",
                     "COMMIT", "ROLLBACK", "GRANT", "REVOKE"};
    const int kind = d.databaseKind;
    if (kind == KindPostgreSql)
        k << "LIMIT" << "OFFSET" << "RETURNING" << "ILIKE" << "WITH" << "LATERAL" << "ON CONFLICT" << "DO NOTHING"
          << "FULL JOIN" << "EXPLAIN ANALYZE" << "CREATE FUNCTION" << "LANGUAGE" << "VACUUM" << "ANALYZE";
    else if (kind == KindMySql)
        k << "LIMIT" << "OFFSET" << "SHOW TABLES" << "DESCRIBE" << "ON DUPLICATE KEY UPDATE" << "REPLACE INTO"
          << "ENGINE" << "AUTO_INCREMENT" << "EXPLAIN" << "CREATE PROCEDURE" << "CALL";
    else if (kind == KindSqlServer)
        k << "TOP" << "WITH (NOLOCK)" << "OUTPUT" << "IDENTITY" << "EXEC" << "DECLARE" << "BEGIN" << "MERGE"
          << "FULL JOIN" << "OFFSET" << "FETCH NEXT";
    else if (kind == KindJet)
        k << "TOP" << "PARAMETERS" << "TRANSFORM" << "PIVOT";
    else if (kind == KindOracle)
        k << "ROWNUM" << "FETCH FIRST" << "CONNECT BY" << "START WITH" << "MERGE INTO" << "FULL JOIN";
    else if (isSqlite(d))
        k << "LIMIT" << "OFFSET" << "PRAGMA" << "INSERT OR REPLACE" << "AUTOINCREMENT" << "WITHOUT ROWID"
          << "EXPLAIN QUERY PLAN" << "ATTACH DATABASE";
    return k;
}

QStringList dialectFunctions(const CompletionDialect& d) {
    QStringList f = {"COUNT", "SUM", "AVG", "MIN", "MAX", "COALESCE", "NULLIF", "CAST", "UPPER", "LOWER", "ABS",
                     "ROUND"};
    const int kind = d.databaseKind;
    if (kind == KindPostgreSql)
        f << "STRING_AGG" << "ARRAY_AGG" << "TO_CHAR" << "TO_DATE" << "DATE_TRUNC" << "DATE_PART" << "EXTRACT"
          << "NOW" << "CURRENT_DATE" << "GENERATE_SERIES" << "LENGTH" << "SUBSTRING" << "TRIM" << "REPLACE"
          << "CONCAT" << "JSONB_BUILD_OBJECT" << "JSON_AGG" << "ROW_NUMBER" << "RANK" << "LAG" << "LEAD"
          << "GREATEST" << "LEAST" << "REGEXP_REPLACE" << "SPLIT_PART";
    else if (kind == KindMySql)
        f << "GROUP_CONCAT" << "IFNULL" << "IF" << "DATE_FORMAT" << "STR_TO_DATE" << "NOW" << "CURDATE"
          << "DATEDIFF" << "DATE_ADD" << "CONCAT" << "CONCAT_WS" << "LENGTH" << "CHAR_LENGTH" << "SUBSTRING"
          << "TRIM" << "REPLACE" << "ROW_NUMBER" << "GREATEST" << "LEAST" << "JSON_EXTRACT";
    else if (kind == KindSqlServer)
        f << "ISNULL" << "GETDATE" << "DATEADD" << "DATEDIFF" << "DATEPART" << "CONVERT" << "LEN" << "SUBSTRING"
          << "LTRIM" << "RTRIM" << "REPLACE" << "ROW_NUMBER" << "STRING_AGG" << "FORMAT" << "IIF" << "NEWID";
    else if (kind == KindJet)
        f << "IIF" << "NZ" << "FORMAT" << "DATEADD" << "DATEDIFF" << "DATEPART" << "LEFT" << "RIGHT" << "MID"
          << "LEN" << "INSTR" << "TRIM" << "NOW" << "DATE" << "CSTR" << "CLNG" << "CDBL";
    else if (kind == KindOracle)
        f << "NVL" << "NVL2" << "DECODE" << "TO_CHAR" << "TO_DATE" << "SYSDATE" << "SUBSTR" << "INSTR" << "LENGTH"
          << "TRIM" << "LISTAGG" << "ROW_NUMBER" << "ADD_MONTHS" << "TRUNC";
    else if (isSqlite(d))
        f << "IFNULL" << "IIF" << "GROUP_CONCAT" << "STRFTIME" << "DATE" << "DATETIME" << "JULIANDAY" << "LENGTH"
          << "SUBSTR" << "TRIM" << "REPLACE" << "INSTR" << "PRINTF" << "TYPEOF" << "RANDOM" << "TOTAL";
    else
        f << "LENGTH" << "SUBSTRING" << "TRIM" << "REPLACE" << "CONCAT" << "CURRENT_DATE" << "CURRENT_TIMESTAMP";
    return f;
}

namespace {

// Reads a name that ends just before `end` backwards: a quoted one ("x", `x`, [x]) or a plain one.
// Sets *start to where it begins; an empty result when there is none.
QString nameBefore(const QString& t, qsizetype end, qsizetype* start) {
    if (end <= 0) return {};
    const QChar last = t[end - 1];
    if (last == u'"' || last == u'`' || last == u']') {
        const QChar open = last == u']' ? u'[' : last;
        const qsizetype o = t.lastIndexOf(open, end - 2);
        if (o < 0) return {};
        *start = o;
        QString inner = t.mid(o + 1, end - o - 2);
        if (open != u'[') inner.replace(QString(2, open), QString(open));
        return inner;
    }
    qsizetype s = end;
    while (s > 0 && isIdentChar(t[s - 1])) --s;
    *start = s;
    return t.mid(s, end - s);
}

// Adds a name that starts with the typed word; the quoting is worked out only for those.
// The items with their lower-case labels, which decide duplicates and the order.
struct Found {
    QList<CompletionItem> items;
    QStringList keys;
    QSet<QString> seen;
};

void addItem(Found& found, const QString& label, CompletionItem::Kind kind, const QString& typed,
             const CompletionDialect* quoteFor) {
    if (!label.startsWith(typed, Qt::CaseInsensitive)) return;
    QString key = label.toLower();
    if (found.seen.contains(key)) return;
    found.seen.insert(key);
    found.items.append({label, quoteFor ? quotedNameFor(label, *quoteFor) : label, kind});
    found.keys.append(std::move(key));
}

// The items found one by one, sorted by their lower-case keys, merged with an already sorted run
// (the catalog's names): ten thousand names come out in order without comparing them anew.
Completion mergeSorted(Completion c, Found& found, QList<CompletionItem> sorted, const QStringList& sortedKeys) {
    std::vector<qsizetype> order(size_t(found.items.size()));
    for (size_t i = 0; i < order.size(); ++i) order[i] = qsizetype(i);
    auto less = [](const QString& keyA, const QString& labelA, const QString& keyB, const QString& labelB) {
        const int byKey = QString::compare(keyA, keyB);
        return byKey != 0 ? byKey < 0 : labelA < labelB;
    };
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return less(found.keys[a], found.items[a].label, found.keys[b], found.items[b].label);
    });
    c.items.clear();
    c.items.reserve(found.items.size() + sorted.size());
    size_t i = 0;
    qsizetype j = 0;
    while (i < order.size() || j < sorted.size()) {
        const bool takeFound =
            j >= sorted.size() ||
            (i < order.size() && less(found.keys[order[i]], found.items[order[i]].label, sortedKeys[j], sorted[j].label));
        if (takeFound)
            c.items.append(std::move(found.items[order[i++]]));
        else
            c.items.append(std::move(sorted[j++]));
    }
    return c;
}

} // namespace

Completion completeAt(const QString& text, qsizetype caret, const CompletionCatalog* catalog,
                      const CompletionDialect& d) {
    Completion c;
    caret = std::clamp<qsizetype>(caret, 0, text.size());
    qsizetype from = caret;
    while (from > 0 && isIdentChar(text[from - 1])) --from;
    c.typed = text.mid(from, caret - from);
    // A name begun with its opening quote is replaced with the quote.
    if (from > 0 && (text[from - 1] == u'"' || text[from - 1] == u'`' || text[from - 1] == u'[')) --from;
    c.from = from;
    c.to = caret;
    Found found;

    if (from > 0 && text[from - 1] == u'.') {
        c.qualified = true;
        if (!catalog) return c;
        qsizetype qStart = from - 1;
        const QString qualifier = nameBefore(text, from - 1, &qStart);
        if (qualifier.isEmpty()) return c;
        QString outer;
        if (qStart > 0 && text[qStart - 1] == u'.') {
            qsizetype outerStart = qStart - 1;
            outer = nameBefore(text, qStart - 1, &outerStart);
        }
        const CatalogTable* table = nullptr;
        if (outer.isEmpty()) {
            const TextSpan span = statementAtCaret(text, caret, sqlDialectOf(d.dbmsName, d.databaseKind));
            const QString statement = text.mid(span.start, span.end - span.start);
            for (const TableReference& r : tableReferences(statement)) {
                if (r.alias.compare(qualifier, Qt::CaseInsensitive) == 0 ||
                    (r.alias.isEmpty() && r.table.compare(qualifier, Qt::CaseInsensitive) == 0)) {
                    table = catalog->find(r.schema, r.table);
                    if (table) break;
                }
            }
            if (!table) table = catalog->find(QString(), qualifier);
        } else {
            table = catalog->find(outer, qualifier);
        }
        if (table) {
            for (const QString& col : table->columns)
                addItem(found, col, CompletionItem::Column, c.typed, &d);
        } else if (outer.isEmpty() && catalog->hasSchema(qualifier)) {
            for (const CatalogTable& t : catalog->tables)
                if (t.schema.compare(qualifier, Qt::CaseInsensitive) == 0)
                    addItem(found, t.name, t.view ? CompletionItem::View : CompletionItem::Table, c.typed, &d);
            for (const CatalogProcedure& p : catalog->procedures)
                if (p.schema.compare(qualifier, Qt::CaseInsensitive) == 0)
                    addItem(found, p.name, CompletionItem::Procedure, c.typed, &d);
        }
    } else {
        // The columns of the statement's tables first, so a column wins over a like-named keyword.
        if (catalog) {
            const TextSpan span = statementAtCaret(text, caret, sqlDialectOf(d.dbmsName, d.databaseKind));
            for (const TableReference& r : tableReferences(text.mid(span.start, span.end - span.start)))
                if (const CatalogTable* t = catalog->find(r.schema, r.table))
                    for (const QString& col : t->columns)
                        addItem(found, col, CompletionItem::Column, c.typed, &d);
        }
        for (const QString& k : dialectKeywords(d)) addItem(found, k, CompletionItem::Keyword, c.typed, nullptr);
        for (const QString& f : dialectFunctions(d)) addItem(found, f, CompletionItem::Function, c.typed, nullptr);
        if (catalog) {
            // The catalog's names come sorted: the typed word's range of them is merged in below.
            const std::vector<CompletionCatalog::Name>& names = catalog->sortedNames();
            const QString typedKey = c.typed.toLower();
            auto it = std::lower_bound(names.begin(), names.end(), typedKey,
                                       [](const CompletionCatalog::Name& n, const QString& k) {
                                           return QString::compare(n.key, k) < 0;
                                       });
            static constexpr CompletionItem::Kind kinds[] = {CompletionItem::Schema, CompletionItem::Table,
                                                             CompletionItem::View, CompletionItem::Procedure};
            QList<CompletionItem> catalogItems;
            QStringList catalogKeys;
            for (; it != names.end() && it->key.startsWith(typedKey); ++it) {
                if (found.seen.contains(it->key)) continue;
                catalogItems.append(
                    {it->label, it->insert.isEmpty() ? quotedNameFor(it->label, d) : it->insert, kinds[it->kind]});
                catalogKeys.append(it->key);
            }
            return mergeSorted(c, found, catalogItems, catalogKeys);
        }
    }
    return mergeSorted(c, found, {}, {});
}

} // namespace mv
