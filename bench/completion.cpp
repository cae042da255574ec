// Opening the editor's completion list on a catalogue of 10,000 tables of 20 columns each, through
// the real window and a real key press: after "c." (the columns of an alias's table) and after the
// third letter of a table's name (the database's tables, prefix matches first). Each is timed from
// the key press until the list is filled and placed, beside the time of one plain prefix scan over
// the same names in the same run. The catalogue is made once in `korvana_bench_cpl` and kept.
//   completion [runs]

#include "BenchSupport.h"
#include "BenchWindow.h"

#include "editor/ColorMemo.h"
#include "workbench/controllers/CompletionController.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/window/CompletionList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* Database = "korvana_bench_cpl";
constexpr int Tables = 10000;
constexpr int Columns = 20;

// Twenty everyday stems, so three letters pick a twentieth of the tables, as in a real schema.
constexpr const char* Stems[] = {"customers", "orders",  "items",    "products", "invoices",
                                 "payments",  "users",   "accounts", "events",   "sessions",
                                 "shipments", "stock",   "prices",   "regions",  "suppliers",
                                 "returns",   "reviews", "carts",    "coupons",  "addresses"};

std::string TableName(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "_%05d", i);
    return std::string(Stems[i % std::size(Stems)]) + number;
}

void EnsureCatalogue(TMySql& m) {
    TResult* r =
        m.Execute(std::string("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '") +
                  Database + "'");
    if (r->Rows.Count() == 1 && std::atoi(std::string(r->Rows.Items(0).Values(0)).c_str()) == Tables) return;
    std::fprintf(stderr, "making %d tables of %d columns in %s (once)...\n", Tables, Columns, Database);
    m.Execute(std::string("DROP DATABASE IF EXISTS ") + Database);
    m.Execute(std::string("CREATE DATABASE ") + Database);
    std::string columns = "id INT PRIMARY KEY";
    for (int c = 1; c < Columns; ++c)
        columns += ", " + std::string(c % 2 ? "name_" : "amount_") + std::to_string(c) +
                   (c % 2 ? " VARCHAR(40)" : " DECIMAL(10,2)");
    // The server makes them in one statement: ten thousand round trips would take longer.
    std::string stems;
    for (const char* s : Stems)
        stems += std::string(stems.empty() ? "'" : ",'") + s + "'";
    const std::string sql = std::string("BEGIN NOT ATOMIC FOR i IN 0..") + std::to_string(Tables - 1) +
                            " DO EXECUTE IMMEDIATE CONCAT('CREATE TABLE " + Database +
                            ".', ELT(i MOD 20 + 1, " + stems + "), '_', LPAD(i, 5, '0'), ' (" + columns +
                            ") ENGINE=MEMORY'); END FOR; END";
    r = m.Execute(sql);
    if (!r->ErrorText().empty()) {
        std::fprintf(stderr, "making the tables failed: %s\n", r->ErrorText().c_str());
        std::exit(1);
    }
}

void Key(QWidget* w, Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

// Puts `text` in the editor with the caret at its end, then times the key `typed` until the list
// stands filled; the list must open.
double Open(TfrmMain& window, const QString& text, Qt::Key key, const QString& typed, std::size_t& shown) {
    TColorMemo* memo = Ui(window).mmoIn;
    Key(memo, Qt::Key_Escape, QString());
    memo->SetText(text);
    memo->SetSelStart(static_cast<int>(text.size()));
    const double start = bench::NowMs();
    Key(memo, key, typed);
    const double ms = bench::NowMs() - start;
    const TCompletionList* list = window.Completion().List();
    if (!list->isVisible()) {
        std::fprintf(stderr, "the list did not open after \"%s%s\"\n", qPrintable(text), qPrintable(typed));
        std::exit(1);
    }
    shown = list->Candidates().size();
    return ms;
}

double PrefixScanMs(const std::vector<std::string>& names, std::string_view prefix, std::size_t& found) {
    const double start = bench::NowMs();
    found = 0;
    for (const std::string& n : names)
        found += std::string_view(n).starts_with(prefix);
    return bench::NowMs() - start;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 51;
    const bench::Login login = bench::SandboxLogin();
    EnsureCatalogue(*bench::Connect(login));

    bench::TBenchWindow w(login, "");
    TfrmMain& window = w.Window();
    window.resize(1000, 700);
    window.show();
    // The catalogue's database in use, as Select database makes it.
    for (int i = 0; i < w.HostNode()->childCount(); ++i)
        if (w.HostNode()->child(i)->text(0) == QLatin1String(Database))
            Ui(window).Tree->setCurrentItem(w.HostNode()->child(i));
    Ui(window).btnSelectDb->click();
    Ui(window).Tree->setCurrentItem(w.HostNode());
    QApplication::processEvents();

    std::vector<std::string> tableNames, columnNames;
    for (int i = 0; i < Tables; ++i)
        tableNames.push_back(TableName(i));
    for (int i = 0; i < Tables; ++i)
        for (int c = 0; c < Columns; ++c)
            columnNames.push_back(c == 0 ? "id" : (c % 2 ? "name_" : "amount_") + std::to_string(c));

    std::vector<double> dot, letters, tableScan, columnScan;
    std::size_t dotShown = 0, lettersShown = 0, tableFound = 0, columnFound = 0;
    const QString alias = QStringLiteral("SELECT c FROM ") + QString::fromStdString(TableName(4242)) +
                          QStringLiteral(" c WHERE c");
    for (int r = 0; r < runs; ++r) {
        dot.push_back(Open(window, alias, Qt::Key_Period, QStringLiteral("."), dotShown));
        letters.push_back(
            Open(window, QStringLiteral("SELECT * FROM cu"), Qt::Key_S, QStringLiteral("s"), lettersShown));
        tableScan.push_back(PrefixScanMs(tableNames, "cus", tableFound));
        columnScan.push_back(PrefixScanMs(columnNames, "name_1", columnFound));
    }
    // The same three letters at the end of a 10 MB script: the text is set once, the letter typed
    // and taken back each run.
    std::vector<double> bigScript;
    std::size_t bigShown = 0;
    {
        QString script;
        while (script.size() < 10'000'000)
            script += QStringLiteral("INSERT INTO orders (id, note) VALUES (42, 'a note of some length');\n");
        script += QStringLiteral("SELECT * FROM cu");
        TColorMemo* memo = Ui(window).mmoIn;
        memo->SetText(script);
        for (int r = 0; r < runs; ++r) {
            memo->SetSelStart(static_cast<int>(memo->Text().size()));
            const double start = bench::NowMs();
            Key(memo, Qt::Key_S, QStringLiteral("s"));
            bigScript.push_back(bench::NowMs() - start);
            bigShown =
                window.Completion().List()->isVisible() ? window.Completion().List()->Candidates().size() : 0;
            Key(memo, Qt::Key_Escape, QString());
            Key(memo, Qt::Key_Backspace, QString());
        }
    }
    std::printf(
        "opening the completion list, %d tables x %d columns, key press to list filled (median of %d)\n",
        Tables, Columns, runs);
    std::printf("  after \"c.\" (an alias's columns, %zu shown):        %8.3f ms\n", dotShown,
                bench::Median(dot));
    std::printf("  after \"cus\" (tables by prefix, %zu shown):        %8.3f ms\n", lettersShown,
                bench::Median(letters));
    std::printf("  after \"cus\" at the end of a 10 MB script (%zu shown): %8.3f ms\n", bigShown,
                bench::Median(bigScript));
    std::printf("  reference: one prefix scan of the %d table names:   %8.3f ms (%zu found)\n", Tables,
                bench::Median(tableScan), tableFound);
    std::printf("  reference: one prefix scan of the %d column names: %8.3f ms (%zu found)\n",
                Tables * Columns, bench::Median(columnScan), columnFound);
    return 0;
}
