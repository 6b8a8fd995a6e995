// The type matrix: for every type of type_matrix_rows.h, on every database, each value as Morvenda
// shows and writes it equals what the database's own client prints (sqlite3, psql, mariadb,
// mdb-export): the grid's text, the CSV, text and HTML exports, the XML export read back (same
// values and types), the CSV export read back (same text), and the grid's sort order.
//
// Targets are connection strings: an engine other than ODBC runs the same matrix by one more line
// in TargetLines.
#include "db/ado_types.h"
#include "db/db_access.h"
#include "db/recordset_xml.h"
#include "results/export_delimited.h"
#include "results/export_file.h"
#include "results/export_html.h"
#include "results/export_value_text.h"
#include "results/import_csv.h"
#include "results/result_model.h"
#include "results/type_matrix_rows.h"
#include "support/native_client.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>
#include <gtest/gtest.h>

using namespace mv;
using mvtest::NativeValue;
using mvtest::matrix::Compare;

namespace {

struct MatrixTarget {
    QString connectionString;
    QString skipReason;
};

// The targets: a database and the keys added to its connection string. Another engine runs the
// same rows by one more line naming its own keys, e.g. {"sqlite-native", "sqlite", ";Engine=..."}.
struct MatrixTargetLine {
    const char* name;
    const char* database; // "sqlite", "postgresql", "mariadb", "access"
    const char* extraKeys;
};
const MatrixTargetLine TargetLines[] = {
    {"sqlite", "sqlite", ""},
    {"postgresql", "postgresql", ""},
    {"mariadb", "mariadb", ""},
    {"mariadb_odbc", "mariadb", ";Engine=ODBC"},
    {"access", "access", ""},
};

MatrixTarget matrixTarget(const std::string& name, const mvtest::TempFolder& folder) {
    for (const MatrixTargetLine& line : TargetLines) {
        if (name != line.name) continue;
        const std::string database = line.database;
        MatrixTarget t;
        if (database == "sqlite") {
            t.connectionString = QStringLiteral("Driver=SQLite3;Database=") + folder.file("matrix.db");
        } else if (database == "access") {
            const QString file = mvtest::fixtureFile(QStringLiteral("nwind.mdb"), &t.skipReason);
            if (!file.isEmpty()) t.connectionString = QStringLiteral("Driver=MDBTools;DBQ=") + file;
        } else {
            const mvtest::TestDatabase db = mvtest::testDatabase(database, folder);
            t.connectionString = db.connectionString;
            t.skipReason = db.skipReason;
        }
        if (!t.connectionString.isEmpty()) t.connectionString += QString::fromUtf8(line.extraKeys);
        return t;
    }
    return {{}, QStringLiteral("no matrix target %1").arg(QString::fromStdString(name))};
}

const std::vector<std::string>& matrixTargetNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const MatrixTargetLine& line : TargetLines)
            out.push_back(line.name);
        return out;
    }();
    return names;
}

// ---- how a text of Morvenda's compares with the client's ----

std::optional<double> parseReal(QString t) {
    t = t.trimmed();
    const QString lower = t.toLower();
    if (lower == QLatin1String("nan")) return std::nan("");
    if (lower == QLatin1String("infinity") || lower == QLatin1String("inf")) return HUGE_VAL;
    if (lower == QLatin1String("-infinity") || lower == QLatin1String("-inf")) return -HUGE_VAL;
    bool ok = false;
    const double d = t.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

bool sameReal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

std::optional<bool> parseBool(const QString& t) {
    const QString l = t.trimmed().toLower();
    if (l == QLatin1String("true") || l == QLatin1String("t") || l == QLatin1String("1")) return true;
    if (l == QLatin1String("false") || l == QLatin1String("f") || l == QLatin1String("0")) return false;
    return std::nullopt;
}

// "2024-02-29 13:45:30.125+00" or "...+02" as UTC milliseconds and micro digits.
std::optional<QDateTime> parseInstant(const QString& t) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d)[ T](\\d\\d:\\d\\d:\\d\\d)(\\.\\d+)?([+-]\\d\\d(?::?\\d\\d)?|Z)?$"));
    const QRegularExpressionMatch m = re.match(t.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    QString zone = m.captured(4);
    if (zone.isEmpty() || zone == QLatin1String("Z")) zone = QStringLiteral("+00:00");
    if (zone.size() == 3) zone += QStringLiteral(":00");
    QDateTime d = QDateTime::fromString(m.captured(1) + u'T' + m.captured(2) + m.captured(3).left(4) + zone,
                                        Qt::ISODateWithMs);
    if (!d.isValid()) return std::nullopt;
    return d.toUTC();
}

// A date, time or time stamp as "date|time|fraction": midnight where only a date is given for a
// time stamp, fractions without trailing zeros.
QString moment(const QString& t) {
    static const QRegularExpression re(
        QStringLiteral("^(-?\\d{4,}-\\d\\d-\\d\\d)?[ T]?(\\d\\d:\\d\\d:\\d\\d)?(?:\\.(\\d+))?$"));
    const QRegularExpressionMatch m = re.match(t.trimmed());
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(2).isEmpty())) return QStringLiteral("?") + t;
    QString fraction = m.captured(3);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString time = m.captured(2);
    if (time.isEmpty() && fraction.isEmpty()) time = QStringLiteral("00:00:00");
    return m.captured(1) + u'|' + time + u'|' + fraction;
}

// "$12,345,678.91" and "-$0.01" as plain numbers.
QString amount(QString t) {
    t.remove(u'$').remove(u',').remove(u' ');
    return t;
}

QString guid(QString t) {
    return t.remove(u'{').remove(u'}').toLower();
}

::testing::AssertionResult matches(const QString& ours, const NativeValue& native, Compare mode) {
    auto fail = [&] {
        return ::testing::AssertionFailure()
               << "Morvenda \"" << ours.left(200).toStdString() << "\" against the client's "
               << (native ? QStringLiteral("\"%1\"").arg(native->left(200)).toStdString() : std::string("NULL"));
    };
    if (!native) return ours.isEmpty() ? ::testing::AssertionSuccess() : fail();
    switch (mode) {
    case Compare::Exact:
        return ours == *native ? ::testing::AssertionSuccess() : fail();
    case Compare::Real:
    case Compare::Single: {
        const auto a = parseReal(ours), b = parseReal(*native);
        if (!a || !b) return fail();
        if (mode == Compare::Single)
            return sameReal(double(float(*a)), double(float(*b))) ? ::testing::AssertionSuccess() : fail();
        return sameReal(*a, *b) ? ::testing::AssertionSuccess() : fail();
    }
    case Compare::Bool: {
        const auto a = parseBool(ours), b = parseBool(*native);
        return a && b && *a == *b ? ::testing::AssertionSuccess() : fail();
    }
    case Compare::Hex:
        return ours.compare(*native, Qt::CaseInsensitive) == 0 ? ::testing::AssertionSuccess() : fail();
    case Compare::When:
        return moment(ours) == moment(*native) ? ::testing::AssertionSuccess() : fail();
    case Compare::Money:
        return amount(ours) == amount(*native) ? ::testing::AssertionSuccess() : fail();
    case Compare::Guid:
        return guid(ours) == guid(*native) ? ::testing::AssertionSuccess() : fail();
    case Compare::Instant: {
        const auto a = parseInstant(ours), b = parseInstant(*native);
        return a && b && *a == *b ? ::testing::AssertionSuccess() : fail();
    }
    }
    return fail();
}

// ---- the exports, read back with nothing but their own format rules ----

// The German locale: a decimal comma and day-first dates, so nothing passes by accident.
const QLocale ExportLocale(QLocale::German, QLocale::Germany);

// An export's value text back in the grid's neutral form: decimal point, ISO dates.
QString neutral(const QString& text, int adoType) {
    if (ado::isNumericType(adoType) || adoType == ado::adCurrency) return QString(text).replace(u',', u'.');
    if (!ado::isDateType(adoType)) return text;
    static const QRegularExpression date(
        QStringLiteral("^(\\d\\d)\\.(\\d\\d)\\.(-?\\d+)(?: (\\d\\d:\\d\\d:\\d\\d)(?:,(\\d+))?)?$"));
    static const QRegularExpression time(QStringLiteral("^(\\d\\d:\\d\\d:\\d\\d)(?:,(\\d+))?$"));
    if (const auto m = date.match(text); m.hasMatch()) {
        QString out = m.captured(3).rightJustified(4, u'0') + u'-' + m.captured(2) + u'-' + m.captured(1);
        if (m.hasCaptured(4)) out += u' ' + m.captured(4);
        if (m.hasCaptured(5)) out += u'.' + m.captured(5);
        return out;
    }
    if (const auto m = time.match(text); m.hasMatch())
        return m.captured(1) + (m.hasCaptured(2) ? u'.' + m.captured(2) : QString());
    return text;
}

QString written(const std::function<void(ExportSink&)>& write) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportSink sink(buffer);
    write(sink);
    return QString::fromUtf8(buffer.data());
}

// CSV records after the header: quoted values with doubled quotes, line breaks inside quotes.
QStringList csvValues(const QString& csv) {
    QStringList values;
    QString field;
    bool quoted = false;
    int line = 0;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv[i];
        if (quoted) {
            if (c == u'"' && i + 1 < csv.size() && csv[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'\r' && i + 1 < csv.size() && csv[i + 1] == u'\n') {
            if (line++ > 0) values << field;
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return values;
}

QStringList textValues(const QString& text) {
    QStringList values = text.mid(text.indexOf(QLatin1String("\r\n")) + 2).split(u'~');
    values.removeLast(); // every row ends with the terminator
    return values;
}

QStringList htmlValues(const QString& html) {
    static const QRegularExpression cell(QStringLiteral("<td style=\"border:1px solid Black;\">(?!<strong>)(.*?)</td>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QStringList values;
    for (const auto& m : cell.globalMatch(html)) {
        QString v = m.captured(1);
        v.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        values << v;
    }
    return values;
}

// ---- the test ----

class TypeMatrix : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        m_target = matrixTarget(GetParam(), m_folder);
        if (!m_target.skipReason.isEmpty() || m_target.connectionString.isEmpty()) {
            // A missing server fails under CI; the Access fixtures may be absent anywhere.
            if (mvtest::underCI() && GetParam() != "access") FAIL() << m_target.skipReason.toStdString();
            GTEST_SKIP() << m_target.skipReason.toStdString();
        }
        m_dialect = mvtest::nativeDialect(m_target.connectionString);
        m_conn = createDbConnection();
        m_conn->open(m_target.connectionString);
    }
    void TearDown() override {
        if (m_conn) m_conn->disconnect();
    }

    // Runs a statement; a failure is reported with the statement and ends nothing else.
    std::optional<ExecResult> run(DbConnection& conn, const QString& sql) {
        try {
            return conn.execute(sql);
        } catch (const DbError& e) {
            ADD_FAILURE() << sql.left(300).toStdString() << ": " << e.description().toStdString();
            return std::nullopt;
        }
    }

    // Every check of one column: `rs` read by Morvenda, `native` the client's values in the same
    // row order, `sorted` the client's values ordered by the database (empty: no sort check).
    void checkColumn(const Recordset& rs, const QList<NativeValue>& native, Compare mode,
                     const QList<NativeValue>& sorted = {}) {
        ASSERT_EQ(rs.recordCount(), native.size());
        const int type = rs.field(0).type;
        ResultModel model;
        model.setRecordset(rs);
        for (int r = 0; r < rs.recordCount(); ++r) {
            EXPECT_EQ(rs.isNull(r, 0), !native[r].has_value()) << "row " << r;
            EXPECT_TRUE(matches(model.cellText(r, 0), native[r], mode)) << "grid, row " << r;
        }

        const ValueText text(ExportLocale);
        const QString csv = written([&](ExportSink& s) { writeCsv(s, rs, {}, text); });
        const QString txt = written([&](ExportSink& s) { writeText(s, rs, {}, text); });
        const QString html = written([&](ExportSink& s) { writeHtml(s, rs, {}, text); });
        const QStringList csvCells = csvValues(csv), txtCells = textValues(txt), htmlCells = htmlValues(html);
        ASSERT_EQ(csvCells.size(), native.size()) << csv.left(400).toStdString();
        ASSERT_EQ(txtCells.size(), native.size());
        ASSERT_EQ(htmlCells.size(), native.size());
        for (int r = 0; r < native.size(); ++r) {
            if (mode == Compare::Hex) {
                // Binary values are never written as data: a placeholder stands in their place.
                EXPECT_EQ(csvCells[r], "???");
                continue;
            }
            // The text export replaces line breaks by ^^, as its format asks.
            NativeValue inText = native[r];
            if (inText) inText->replace(QLatin1String("\r\n"), QLatin1String("^^")).replace(u'\n', QLatin1String("^^"));
            EXPECT_TRUE(matches(neutral(csvCells[r], type), native[r], mode)) << "CSV, row " << r;
            EXPECT_TRUE(matches(neutral(txtCells[r], type), inText, mode)) << "text, row " << r;
            EXPECT_TRUE(matches(neutral(htmlCells[r], type), native[r], mode)) << "HTML, row " << r;
        }

        // The CSV bytes are those of each cell's text quoted and joined, in locales with a comma
        // or a point for decimals and numeric or named months.
        for (const QLocale& locale : {ExportLocale, QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::French, QLocale::France)}) {
            const ValueText cells(locale);
            QString expected = u'"' + rs.field(0).name + QStringLiteral("\"\r\n");
            for (int r = 0; r < rs.recordCount(); ++r) {
                if (isPlaceholderType(type)) {
                    expected += QStringLiteral("???\r\n");
                    continue;
                }
                QString v = cells.text(rs, r, 0);
                v.replace(u'"', QStringLiteral("\"\""));
                expected += u'"' + v + QStringLiteral("\"\r\n");
            }
            EXPECT_EQ(written([&](ExportSink& s) { writeCsv(s, rs, {}, cells); }), expected)
                << locale.name().toStdString();
        }

        // XML: the same fields and values back.
        QBuffer xml;
        xml.open(QIODevice::ReadWrite);
        saveXml(rs, &xml);
        xml.seek(0);
        const Recordset back = loadXml(&xml, QStringLiteral("matrix.xml"));
        EXPECT_EQ(back.fields(), rs.fields());
        ASSERT_EQ(back.recordCount(), rs.recordCount());
        for (int r = 0; r < rs.recordCount(); ++r) {
            EXPECT_EQ(back.isNull(r, 0), rs.isNull(r, 0)) << "XML, row " << r;
            EXPECT_EQ(back.text(r, 0), rs.text(r, 0)) << "XML, row " << r;
            const QVariant value = rs.value(r, 0);
            const bool nan = (value.metaType().id() == QMetaType::Double || value.metaType().id() == QMetaType::Float) &&
                             std::isnan(value.toDouble());
            if (nan)
                EXPECT_TRUE(std::isnan(back.value(r, 0).toDouble())) << "XML, row " << r;
            else
                EXPECT_EQ(back.value(r, 0), value) << "XML, row " << r;
        }

        // CSV read back: the text that was written ("NULL" where it was empty).
        const Recordset fromCsv = readCsvRecordset(csv, QStringLiteral(";"), QStringLiteral("matrix.csv"));
        ASSERT_EQ(fromCsv.recordCount(), rs.recordCount());
        for (int r = 0; r < rs.recordCount(); ++r)
            EXPECT_EQ(fromCsv.text(r, 0), csvCells[r].isEmpty() ? QStringLiteral("NULL") : csvCells[r])
                << "CSV import, row " << r;

        if (!sorted.isEmpty()) checkSort(model, sorted, mode);
    }

    // The grid sorted by the column shows the values in the database's order, the NULLs together.
    void checkSort(ResultModel& model, const QList<NativeValue>& sorted, Compare mode) {
        model.setSortKeys({GridSortKey{model.columns().value(0).key, false}});
        model.waitForArrangement();
        QList<QString> values;
        int nulls = 0, nullRuns = 0;
        bool lastNull = false;
        for (int row = 0; row < model.rowCount(); ++row) {
            const int record = model.data(model.index(row, 0), ResultModel::RecordRole).toInt();
            if (record < 0) continue;
            const bool isNull = model.recordset().isNull(record, 0);
            if (isNull && !lastNull) ++nullRuns;
            lastNull = isNull;
            if (isNull)
                ++nulls;
            else
                values << model.cellText(record, 0);
        }
        EXPECT_LE(nullRuns, 1) << "NULLs sort together";
        QList<NativeValue> expected;
        for (const NativeValue& v : sorted)
            if (v) expected << v;
        ASSERT_EQ(values.size(), expected.size());
        for (int i = 0; i < values.size(); ++i)
            EXPECT_TRUE(matches(values[i], expected[i], mode)) << "sorted, position " << i;
    }

    mvtest::TempFolder m_folder;
    MatrixTarget m_target;
    QString m_dialect;
    std::unique_ptr<DbConnection> m_conn;
};

TEST_P(TypeMatrix, EveryValueAsTheDatabaseHoldsIt) {
    if (m_dialect == QLatin1String("access")) {
        for (const auto& c : mvtest::matrix::accessColumns()) {
            SCOPED_TRACE(std::string(c.file) + " " + c.table + "." + c.column);
            QString why;
            const QString file = mvtest::fixtureFile(QString::fromUtf8(c.file), &why);
            if (file.isEmpty()) GTEST_SKIP() << why.toStdString();
            auto conn = createDbConnection();
            conn->open(QStringLiteral("Driver=MDBTools;DBQ=") + file);
            const mvtest::NativeResult whole = mvtest::mdbExport(file, QString::fromUtf8(c.table));
            if (QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty())
                GTEST_SKIP() << "mdb-export (Debian package mdbtools) is not installed";
            ASSERT_TRUE(whole.ok()) << whole.error.toStdString();
            const auto r = run(*conn, QStringLiteral("SELECT [%1] FROM [%2]")
                                          .arg(QString::fromUtf8(c.column), QString::fromUtf8(c.table)));
            const auto all = run(*conn, QStringLiteral("SELECT * FROM [%1]").arg(QString::fromUtf8(c.table)));
            if (!r || !all || !r->rows || !all->rows) continue;
            int index = -1;
            for (int f = 0; f < all->rows->fieldCount(); ++f)
                if (all->rows->field(f).name == QString::fromUtf8(c.column)) index = f;
            ASSERT_GE(index, 0);
            QList<NativeValue> native;
            for (const mvtest::NativeRow& row : whole.rows)
                native << row.value(index);
            checkColumn(*r->rows, native, c.compare);
        }
        return;
    }
    int number = 0;
    for (const auto& row : mvtest::matrix::rows()) {
        ++number;
        if (m_dialect != QLatin1String(row.dialect)) continue;
        SCOPED_TRACE(std::string(row.dialect) + " " + row.type);
        const QString table = QStringLiteral("mvx%1_%2").arg(QCoreApplication::applicationPid()).arg(number);
        if (!run(*m_conn, QStringLiteral("CREATE TABLE %1 (id INTEGER NOT NULL, v %2)").arg(table, QString::fromUtf8(row.type))))
            continue;
        struct Drop {
            DbConnection& conn;
            QString table;
            ~Drop() {
                try {
                    conn.execute(QStringLiteral("DROP TABLE ") + table);
                } catch (const DbError&) {
                }
            }
        } drop{*m_conn, table};
        int id = 0;
        for (const char* literal : row.literals)
            run(*m_conn, QStringLiteral("INSERT INTO %1 VALUES (%2, %3)").arg(table).arg(++id).arg(QString::fromUtf8(literal)));

        const auto ours = run(*m_conn, QStringLiteral("SELECT v FROM %1 ORDER BY id").arg(table));
        if (!ours || !ours->rows) continue;
        const QString expression =
            *row.nativeExpression ? QString::fromUtf8(row.nativeExpression).arg(QStringLiteral("v")) : QStringLiteral("v");
        const auto nativeColumn = [&](const QString& order) {
            QList<NativeValue> out;
            const mvtest::NativeResult n =
                mvtest::nativeQuery(m_target.connectionString, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(expression, table, order));
            EXPECT_TRUE(n.ok()) << n.error.toStdString();
            for (const mvtest::NativeRow& r : n.rows)
                out << r.value(0);
            return out;
        };
        checkColumn(*ours->rows, nativeColumn(QStringLiteral("id")), row.compare,
                    row.sortsLikeTheDatabase ? nativeColumn(QStringLiteral("v, id")) : QList<NativeValue>());
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, TypeMatrix, ::testing::ValuesIn(matrixTargetNames()), mvtest::DatabaseNamePrinter());

} // namespace
