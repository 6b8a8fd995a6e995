// The formatter's property over a corpus of queries on the demo database: the formatted text has
// the same tokens as the input (blanks and the case of keywords aside), and on the servers it
// returns the same rows.
#include "db/db_connect.h"
#include "db/recordset.h"
#include "documents/sql_formatter.h"
#include "exec/sql_text.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct CorpusQuery {
    QString text;
    QStringList targets; // "pg", "my", "lite"
    int line = 0;
};

QList<CorpusQuery> readCorpus() {
    QFile file(QStringLiteral(MV_SOURCE_DIR "/tests/documents/corpus/format_queries.sql"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QList<CorpusQuery> queries;
    int lineNo = 0;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        ++lineNo;
        if (line.startsWith(QLatin1String("-- @query "))) {
            const QString targets = line.mid(10).trimmed();
            CorpusQuery q;
            q.line = lineNo;
            q.targets = targets == u"all" ? QStringList{"pg", "my", "lite"} : targets.split(u'+');
            queries << q;
        } else if (!queries.isEmpty()) {
            queries.last().text += (queries.last().text.isEmpty() ? QString() : QStringLiteral("\n")) + line;
        }
    }
    for (CorpusQuery& q : queries)
        q.text = q.text.trimmed();
    return queries;
}

SqlDialect dialectOf(const QString& target) {
    return target == u"pg" ? SqlDialect::PostgreSQL : target == u"my" ? SqlDialect::MariaDB : SqlDialect::SQLite;
}

// The same query with comments around its tokens: a block comment after every comma and a line
// comment (holding an apostrophe and a semicolon) at the end of every line.
QString withComments(const QString& text, SqlDialect d) {
    QString out = QStringLiteral("/* leading; it's */ ");
    for (const SqlToken& t : sqlTokens(text, d)) {
        const QString piece = text.mid(t.begin, t.size());
        if (t.kind == SqlTokenKind::Space && piece.contains(u'\n'))
            out += QStringLiteral(" -- note; it's") + piece;
        else
            out += piece;
        if (t.kind == SqlTokenKind::Punctuation && piece == u",") out += QStringLiteral("/*,*/");
    }
    return out + QStringLiteral("\n-- end; 'x'\n");
}

// One line, when no line comment needs its line break.
std::optional<QString> onOneLine(const QString& text, SqlDialect d) {
    for (const SqlToken& t : sqlTokens(text, d))
        if (t.kind == SqlTokenKind::LineComment) return std::nullopt;
    QString out = text;
    out.replace(u'\n', u' ');
    return out;
}

struct Tok {
    SqlTokenKind kind;
    QString text;
    bool operator==(const Tok& o) const {
        if (kind != o.kind) return false;
        return kind == SqlTokenKind::Word ? text.compare(o.text, Qt::CaseInsensitive) == 0 : text == o.text;
    }
};

std::vector<Tok> codeAndComments(const QString& text, SqlDialect d) {
    std::vector<Tok> out;
    for (const SqlToken& t : sqlTokens(text, d))
        if (t.kind != SqlTokenKind::Space) out.push_back({t.kind, text.mid(t.begin, t.size())});
    return out;
}

QString tokensText(const std::vector<Tok>& tokens) {
    QStringList parts;
    for (const Tok& t : tokens)
        parts << t.text;
    return parts.join(QStringLiteral(" | "));
}

// Every text the corpus gives for a dialect: the queries as written, with comments, on one line.
QList<std::pair<QString, int>> textsFor(const QList<CorpusQuery>& corpus, const QString& target) {
    QList<std::pair<QString, int>> texts;
    const SqlDialect d = dialectOf(target);
    for (const CorpusQuery& q : corpus) {
        if (!q.targets.contains(target)) continue;
        texts.append({q.text, q.line});
        texts.append({withComments(q.text, d), q.line});
        if (const auto line = onOneLine(q.text, d)) texts.append({*line, q.line});
    }
    return texts;
}

TEST(FormatterCorpus, HoldsEnoughQueries) {
    const QList<CorpusQuery> corpus = readCorpus();
    EXPECT_GE(corpus.size(), 200);
    int texts = 0;
    for (const QString& target : {QStringLiteral("pg"), QStringLiteral("my"), QStringLiteral("lite")})
        texts += int(textsFor(corpus, target).size());
    EXPECT_GE(texts, 200 * 3);
}

TEST(FormatterCorpus, FormattedTextHasTheSameTokens) {
    mvtest::ScriptedUserPort port;
    const QList<CorpusQuery> corpus = readCorpus();
    ASSERT_FALSE(corpus.isEmpty());
    for (const QString& target : {QStringLiteral("pg"), QStringLiteral("my"), QStringLiteral("lite")}) {
        const SqlDialect d = dialectOf(target);
        for (const auto& [text, line] : textsFor(corpus, target)) {
            const QString formatted = FormatSQL(text, d);
            const std::vector<Tok> before = codeAndComments(text, d);
            const std::vector<Tok> after = codeAndComments(formatted, d);
            EXPECT_TRUE(before == after) << target.toStdString() << " line " << line << "\n"
                                         << tokensText(before).toStdString() << "\n"
                                         << tokensText(after).toStdString();
        }
    }
    EXPECT_TRUE(port.messages.isEmpty());
}

class FormatterCorpusOn : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
    }
    // The text as Execute sends it: without comments (the SQLite driver refuses a trailing one).
    QString run(const QString& text, SqlDialect d, bool* ok) {
        const QString sql = TrimStr(StripComment(text, d));
        Recordset rs;
        *ok = cn.Execute(sql, rs, true, 0, false) == C_DbConnect::ExecSucceeded;
        QStringList rows;
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < rs.fieldCount(); ++c)
                cells << (rs.isNull(r, c) ? QStringLiteral("<null>") : rs.text(r, c));
            rows << cells.join(u'|');
        }
        return QString::number(rs.fieldCount()) + QStringLiteral(" columns\n") + rows.join(u'\n');
    }
    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
};

TEST_P(FormatterCorpusOn, FormattedQueriesReturnTheSameRows) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(cn.Init(db.connectionString, "", "", true)) << port.lastText().toStdString();
    const QString target = GetParam() == "postgresql" ? QStringLiteral("pg")
                           : GetParam() == "mariadb"  ? QStringLiteral("my")
                                                      : QStringLiteral("lite");
    const SqlDialect d = dialectOf(target);
    int checked = 0;
    for (const auto& [text, line] : textsFor(readCorpus(), target)) {
        bool okBefore = false, okAfter = false;
        const QString before = run(text, d, &okBefore);
        ASSERT_TRUE(okBefore) << "line " << line << ": " << cn.LastError().toStdString() << "\n" << text.toStdString();
        const QString formatted = FormatSQL(text, d);
        const QString after = run(formatted, d, &okAfter);
        EXPECT_TRUE(okAfter) << "line " << line << ": " << cn.LastError().toStdString() << "\n"
                             << formatted.toStdString();
        EXPECT_EQ(after, before) << "line " << line << "\n" << formatted.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

INSTANTIATE_TEST_SUITE_P(Targets, FormatterCorpusOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
