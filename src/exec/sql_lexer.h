#pragma once
// One lexer for SQL text, told the dialect of the connected database. Every text utility that must
// not change what SQL means (statement splitting, comment stripping, the formatter, the parameter
// tag scan, name quoting) reads text through it, so they all agree on where strings, quoted names
// and comments begin and end.
#include <QList>
#include <QString>
#include <QStringView>

namespace mv {

// Without a connection the dialect is Generic: it reads every quoting form any of the others has,
// so text is never cut or reformatted inside something one of them takes as a string.
enum class SqlDialect { Generic, SQLite, PostgreSQL, MariaDB, SqlServer, Access };

// The dialect of a data source from its DBMS name (SQL_DBMS_NAME) and the connection's database
// kind (mvDatabase: 1 Jet, 2 SQL Server, 5 PostgreSQL, 6 MySQL).
SqlDialect sqlDialectOf(const QString& dbmsName, int databaseKind = 0);

enum class SqlTokenKind {
    Space,             // blanks and line breaks
    LineComment,       // "-- ...", "# ..." (MariaDB), "// ..." (the editor's); without the line break
    BlockComment,      // "/* ... */", nested on PostgreSQL and SQL Server
    ExecutableComment, // MariaDB "/*! ... */", "/*M! ... */": code the server runs
    String,            // '...', E'...', N'...', X'...', $tag$...$tag$, "..." (MariaDB, Access), #date# (Access)
    QuotedName,        // "...", `...`, [...]
    Word,              // names and keywords; "#temp" on SQL Server
    Variable,          // @x, @@x (MariaDB, SQL Server), $1, :name, ?1 placeholders
    Number,            // 12, 1.5, .5, 1e-5, 2.5E+3, 0x1F
    Operator,          // one or more operator characters that belong together ("<=", "->>", "::")
    Punctuation,       // ( ) , ; . [ ] { }
    ParameterTag,      // Morvenda's own "@name|type|size@"
    Other,             // any other character
};

struct SqlToken {
    SqlTokenKind kind = SqlTokenKind::Other;
    qsizetype begin = 0;
    qsizetype end = 0;   // one past the last character
    bool closed = true;  // false for a string, name or comment the text ends inside
    qsizetype size() const { return end - begin; }
};

// True for the kinds a server reads as code (everything except blanks and plain comments).
bool isCodeToken(SqlTokenKind kind);

// Reads tokens one after the other from a position of the text.
class SqlTokenizer {
  public:
    SqlTokenizer(QStringView text, SqlDialect dialect, qsizetype from = 0);

    bool atEnd() const { return m_pos >= m_text.size(); }
    qsizetype position() const { return m_pos; }
    void setPosition(qsizetype pos) { m_pos = pos; }
    // The token at the current position; moves behind it. Only at the end of the text the token
    // is empty.
    SqlToken next();

    SqlDialect dialect() const { return m_dialect; }

  private:
    SqlToken make(SqlTokenKind kind, qsizetype begin, qsizetype end, bool closed = true);
    QChar at(qsizetype i) const { return i < m_text.size() ? m_text[i] : QChar(); }
    bool lineCommentAt(qsizetype i) const;
    qsizetype quotedEnd(qsizetype i, QChar close, bool backslash, bool* closed) const;
    qsizetype blockCommentEnd(qsizetype i, bool* closed) const;
    qsizetype dollarTagLength(qsizetype i) const;
    qsizetype parameterTagEnd(qsizetype i) const;
    qsizetype numberEnd(qsizetype i) const;
    qsizetype operatorEnd(qsizetype i) const;

    QStringView m_text;
    SqlDialect m_dialect;
    qsizetype m_pos;
};

// Every token of the text, blanks and comments included.
QList<SqlToken> sqlTokens(QStringView text, SqlDialect dialect);

// A name or keyword character of the dialect (letters, digits, "_", "$").
bool isSqlWordChar(QChar c);

} // namespace mv
