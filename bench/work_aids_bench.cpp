// morvenda-workbench: the speed of the editor's completion list, of reading the completion catalog
// and of searching the query history, with the program's own widgets and code (offscreen).
//
//   morvenda-workbench completion [tables] [columns]   list latency on a catalog of that size
//   morvenda-workbench catalog "<connection string>" [runs]   reading the catalog over a connection
//   morvenda-workbench history [entries]              search latency in a history of that size
//
// Every figure is the median (and the slowest) of several runs, in milliseconds. The connection
// string of "catalog" is a driver string as the program hands it to its catalog connection.
#include "console_user_port.h"

#include "db/completion_catalog.h"
#include "db/db_access.h"
#include "app/user_port.h"
#include "db/db_connect.h"
#include "documents/sql_completion_widget.h"
#include "documents/sql_editor_widget.h"
#include "session/query_history.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct Figures {
    double median = 0;
    double slowest = 0;
};

Figures summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void print(const char* what, const Figures& f) {
    std::printf("%-48s median %8.2f ms   slowest %8.2f ms\n", what, f.median, f.slowest);
}

// ---- completion ----

mv::CatalogPtr syntheticCatalog(int tables, int columns) {
    auto c = std::make_shared<mv::CompletionCatalog>();
    const char* const words[] = {"order", "customer", "invoice", "product", "stock", "payment", "shipment", "audit"};
    c->schemas = {"public", "archive"};
    for (int t = 0; t < tables; ++t) {
        mv::CatalogTable table;
        table.schema = t % 10 == 0 ? QStringLiteral("archive") : QStringLiteral("public");
        table.name = QStringLiteral("%1_%2").arg(QLatin1String(words[t % 8])).arg(t, 5, 10, QLatin1Char('0'));
        for (int col = 0; col < columns; ++col)
            table.columns << QStringLiteral("%1_field_%2").arg(QLatin1String(words[(t + col) % 8])).arg(col);
        c->tables.append(table);
    }
    c->index();
    return c;
}

// The time from the key press to the list being up, for the text with the caret at its end.
double listLatency(mv::SqlEditorWidget& editor, mv::SqlCompletionWidget& completion, const QString& text,
                   bool typeLastKey) {
    editor.SendScintilla(QsciScintillaBase::SCI_AUTOCCANCEL);
    QString prefix = typeLastKey ? text.left(text.size() - 1) : text;
    editor.setText(prefix);
    editor.SetCaret(editor.lines() - 1, int(prefix.size() - prefix.lastIndexOf(u'\n') - 1), true);
    QElapsedTimer timer;
    timer.start();
    if (typeLastKey)
        QTest::keyClick(&editor, text.back().toLatin1());
    else
        QTest::keyClick(&editor, Qt::Key_Space, Qt::ControlModifier);
    QApplication::processEvents();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!completion.listShown()) return -1;
    return ms;
}

int benchCompletion(int tables, int columns) {
    mv::SqlEditorWidget editor;
    editor.resize(900, 600);
    editor.show();
    mv::SqlCompletionWidget completion(&editor);
    QElapsedTimer build;
    build.start();
    completion.setCatalog(syntheticCatalog(tables, columns));
    std::printf("catalog: %d tables x %d columns, built in %.1f ms\n", tables, columns,
                double(build.nsecsElapsed()) / 1e6);
    completion.setDialect({mv::KindPostgreSql, QStringLiteral("PostgreSQL"), QStringLiteral("\"")});
    struct Case {
        const char* name;
        const char* text;
        bool typed; // opened by the typed last key, else by Ctrl+Space
    } cases[] = {
        {"Ctrl+Space, nothing typed (every name)", "SELECT * FROM ", false},
        {"third letter typed: \"ord\" (1,250 tables)", "SELECT * FROM ord", true},
        {"Ctrl+Space on \"invoice_0999\" (10 tables)", "SELECT * FROM invoice_0999", false},
        {"\".\" after an alias (20 columns)", "SELECT o. FROM order_04000 o", true},
        {"third letter, columns of two joined tables",
         "SELECT sto FROM stock_00004 s JOIN order_00008 o ON o.order_field_0 = s.stock_field_0", true},
    };
    int failures = 0;
    for (const Case& c : cases) {
        QString text = QString::fromUtf8(c.text);
        // The alias case puts the caret behind "o.".
        std::vector<double> runs;
        for (int i = 0; i < 15; ++i) {
            double ms;
            if (text.contains(QLatin1String("o. FROM"))) {
                editor.SendScintilla(QsciScintillaBase::SCI_AUTOCCANCEL);
                editor.setText(QStringLiteral("SELECT o FROM order_04000 o"));
                editor.SetCaret(0, 8, true);
                QElapsedTimer timer;
                timer.start();
                QTest::keyClick(&editor, '.');
                QApplication::processEvents();
                ms = completion.listShown() ? double(timer.nsecsElapsed()) / 1e6 : -1;
            } else if (text.contains(QLatin1String("SELECT sto"))) {
                editor.SendScintilla(QsciScintillaBase::SCI_AUTOCCANCEL);
                editor.setText(QString(text).replace(QLatin1String("SELECT sto"), QLatin1String("SELECT st")));
                editor.SetCaret(0, 9, true);
                QElapsedTimer timer;
                timer.start();
                QTest::keyClick(&editor, 'o');
                QApplication::processEvents();
                ms = completion.listShown() ? double(timer.nsecsElapsed()) / 1e6 : -1;
            } else {
                ms = listLatency(editor, completion, text, c.typed);
            }
            if (ms < 0) {
                std::printf("%s: the list did not open\n", c.name);
                ++failures;
                break;
            }
            runs.push_back(ms);
        }
        if (!runs.empty()) print(c.name, summarise(runs));
        // Of which: finding the names (the same text, without the list box).
        std::vector<double> finding;
        const QString whole = editor.text();
        const mv::SqlEditorWidget::TextPos caret = editor.caretPos();
        const qsizetype at = whole.left(0).size() + [&] {
            qsizetype offset = 0;
            for (int line = 0; line < caret.line; ++line) offset = whole.indexOf(u'\n', offset) + 1;
            return offset + caret.column;
        }();
        for (int i = 0; i < 15; ++i) {
            QElapsedTimer timer;
            timer.start();
            const mv::Completion found = mv::completeAt(whole, at, completion.catalog().get(), completion.dialect());
            finding.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        print("    of which finding the names", summarise(finding));
        std::printf("    %lld names fit, the list shows at most %d\n",
                    static_cast<long long>(completion.shownLabels().size()), mv::SqlCompletionWidget::MaxShown);
    }
    return failures ? ExitFailed : 0;
}

// ---- catalog ----

int benchCatalog(const QString& connectionString, int runs) {
    std::vector<double> ms;
    int tables = 0, columns = 0;
    for (int i = 0; i < runs; ++i) {
        std::unique_ptr<mv::DbConnection> cn = mv::createDbConnection();
        try {
            cn->open(connectionString);
            const QString dbms = cn->info().dbmsName;
            const int kind = dbms.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) ? mv::KindPostgreSql
                             : dbms.contains(QLatin1String("MariaDB"), Qt::CaseInsensitive) ||
                                     dbms.contains(QLatin1String("MySQL"), Qt::CaseInsensitive)
                                 ? mv::KindMySql
                                 : mv::KindOdbc;
            QElapsedTimer timer;
            timer.start();
            const mv::CompletionCatalog c = mv::readCompletionCatalog(*cn, kind);
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
            tables = int(c.tables.size());
            columns = 0;
            for (const mv::CatalogTable& t : c.tables) columns += int(t.columns.size());
            cn->disconnect();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "catalog: %s\n", e.what());
            return ExitFailed;
        }
    }
    std::printf("catalog read: %d tables, %d columns\n", tables, columns);
    print("reading the completion catalog", summarise(ms));
    return 0;
}

// ---- history ----

int benchHistory(int entries) {
    QTemporaryDir dir;
    mv::QueryHistory history(dir.filePath(QStringLiteral("MorvendaHistory.sqlite")), entries);
    if (!history.open()) return ExitFailed;
    const char* const tables[] = {"customers", "orders", "order_items", "invoices", "products", "stock_moves",
                                  "payments", "audit_log"};
    const char* const shapes[] = {
        "SELECT * FROM %1 WHERE id = %2",
        "SELECT c.name, sum(o.total) FROM %1 o JOIN customers c ON c.id = o.customer_id WHERE o.id > %2 GROUP BY c.name",
        "UPDATE %1 SET status = 'shipped' WHERE id = %2",
        "DELETE FROM %1 WHERE created < now() - interval '%2 days'",
        "INSERT INTO %1 (id, note) VALUES (%2, 'imported from batch')",
    };
    QElapsedTimer fill;
    fill.start();
    {
        // Added one by one, as the program adds the statements of a script.
        for (int i = 0; i < entries; ++i) {
            mv::HistoryEntry e;
            e.started = QDateTime::currentDateTime().addSecs(i - entries);
            e.connection = QStringLiteral("Driver={PostgreSQL Unicode};Server=db;Database=shop;Uid=anna;Pwd=******");
            e.sql = QString::fromLatin1(shapes[i % 5]).arg(QLatin1String(tables[(i / 5) % 8])).arg(i);
            e.durationMs = i % 900;
            e.rows = i % 77;
            e.ok = i % 50 != 0;
            if (!e.ok) e.error = QStringLiteral("ERROR: deadlock detected");
            if (!history.add(e)) return ExitFailed;
        }
    }
    std::printf("history: %d entries added in %.1f s (one by one, as the program adds them)\n", entries,
                double(fill.elapsed()) / 1000.0);
    struct Case {
        const char* name;
        const char* typed;
    } cases[] = {
        {"no text (newest 500)", ""},          {"\"s\" (matches nearly all)", "s"},
        {"\"sel\"", "sel"},                    {"\"order_it\"", "order_it"},
        {"\"upd shipped\"", "upd shipped"},    {"\"deadlock\" (2% of entries)", "deadlock"},
        {"\"99999\" (one entry)", "99999"},    {"\"nowhere\" (no entry)", "nowhere"},
    };
    for (const Case& c : cases) {
        std::vector<double> runs;
        qsizetype found = 0;
        for (int i = 0; i < 15; ++i) {
            QElapsedTimer timer;
            timer.start();
            found = history.search(QString::fromUtf8(c.typed), 500).size();
            runs.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        print(c.name, summarise(runs));
        std::printf("    %lld shown\n", static_cast<long long>(found));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    mvbench::ConsoleUserPort port;
    mv::setUserPort(&port);
    const QStringList args = app.arguments().mid(1);
    const int rc = [&] {
        if (args.isEmpty()) {
            std::fputs("usage: morvenda-workbench completion [tables] [columns]\n"
                       "       morvenda-workbench catalog \"<connection string>\" [runs]\n"
                       "       morvenda-workbench history [entries]\n",
                       stderr);
            return ExitUsage;
        }
        if (args[0] == QLatin1String("completion"))
            return benchCompletion(args.value(1, QStringLiteral("10000")).toInt(),
                                   args.value(2, QStringLiteral("20")).toInt());
        if (args[0] == QLatin1String("catalog") && args.size() >= 2)
            return benchCatalog(args[1], args.value(2, QStringLiteral("5")).toInt());
        if (args[0] == QLatin1String("history")) return benchHistory(args.value(1, QStringLiteral("100000")).toInt());
        return ExitUsage;
    }();
    mv::setUserPort(nullptr);
    return rc;
}
