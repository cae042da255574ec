// A server of 200 databases x 100 tables of 10 columns (20,000 tables):
//  - Connect with its catalogue against one information_schema.COLUMNS query from a bare client;
//  - the tree: from the catalogue in hand to the expanded host painted in the main window, and
//    the memory of catalogue and tree against the bytes of the COLUMNS answer;
//  - the tree filter, per keystroke, with five such hosts connected (100,000 tables in the tree),
//    against scanning the same 100,000 names for the text.
// The databases are made here (kept between runs while their count is right; KORVANA_BENCH_DROP=1
// drops them at the end).
//
//   large_catalogue [runs]

#include "BenchWindow.h"

#include "workbench/tree/NavigationTree.h"

#include <QApplication>
#include <QLineEdit>
#include <QTreeWidget>

#include <mysql.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* Stem = "korvana_bench_large";
constexpr int Databases = 200, Tables = 100, Columns = 10;

void Check(MYSQL* h, const std::string& sql) {
    if (mysql_real_query(h, sql.data(), sql.size()) != 0) {
        std::fprintf(stderr, "statement failed: %s\n  %.200s\n", mysql_error(h), sql.c_str());
        std::exit(1);
    }
    do {
        if (MYSQL_RES* r = mysql_store_result(h)) mysql_free_result(r);
        if (mysql_errno(h) != 0) {
            std::fprintf(stderr, "statement failed: %s\n", mysql_error(h));
            std::exit(1);
        }
    } while (mysql_next_result(h) == 0);
}

MYSQL* Bare(const bench::Login& l, unsigned long flags = 0) {
    MYSQL* h = mysql_init(nullptr);
    if (!mysql_real_connect(h, l.Host.c_str(), l.User.c_str(), l.Password.c_str(), nullptr,
                            static_cast<unsigned>(l.Port), nullptr, flags)) {
        std::fprintf(stderr, "bare client cannot connect: %s\n", mysql_error(h));
        std::exit(1);
    }
    return h;
}

long TableCount(MYSQL* h) {
    const std::string sql =
        std::string("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA LIKE '") + Stem +
        "\\_%'";
    mysql_real_query(h, sql.data(), sql.size());
    MYSQL_RES* r = mysql_store_result(h);
    MYSQL_ROW row = r ? mysql_fetch_row(r) : nullptr;
    const long n = row && row[0] ? std::atol(row[0]) : 0;
    if (r) mysql_free_result(r);
    return n;
}

void Drop(MYSQL* h) {
    for (int d = 0; d < Databases; ++d)
        Check(h, std::string("DROP DATABASE IF EXISTS ") + Stem + "_" + std::to_string(d));
}

void Make(MYSQL* h) {
    Drop(h);
    std::string columns = "id INT AUTO_INCREMENT PRIMARY KEY";
    for (int c = 1; c < Columns; ++c)
        columns += ", c" + std::to_string(c) +
                   (c % 3 == 0   ? " DATETIME"
                    : c % 3 == 1 ? " VARCHAR(40)"
                                 : " DECIMAL(10,2)");
    for (int d = 0; d < Databases; ++d) {
        const std::string db = std::string(Stem) + "_" + std::to_string(d);
        std::string batch = "CREATE DATABASE " + db;
        for (int t = 0; t < Tables; ++t)
            batch += ";CREATE TABLE " + db + ".t" + std::to_string(t) + " (" + columns + ")";
        Check(h, batch);
        if (d % 20 == 19) std::fprintf(stderr, "  %d databases made\n", d + 1);
    }
}

// The reference: every row of one information_schema.COLUMNS query; its bytes go to `bytes`.
double ColumnsQueryMs(MYSQL* h, std::size_t& bytes) {
    const double t0 = bench::NowMs();
    Check(h, "SELECT 1"); // a round trip, as Connect starts with one
    const std::string sql = "SELECT * FROM information_schema.COLUMNS";
    mysql_real_query(h, sql.data(), sql.size());
    MYSQL_RES* res = mysql_store_result(h);
    bytes = 0;
    const unsigned n = mysql_num_fields(res);
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        const unsigned long* lengths = mysql_fetch_lengths(res);
        for (unsigned i = 0; i < n; ++i)
            bytes += row[i] ? lengths[i] : 0;
    }
    mysql_free_result(res);
    return bench::NowMs() - t0;
}

std::unique_ptr<TMySql> Host(const bench::Login& l, const char* name) {
    auto m = std::make_unique<TMySql>();
    m->Name = name;
    bench::UseLogin(*m, l);
    return m;
}

void Paint(QWidget& w) {
    QApplication::processEvents();
    w.repaint();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const bench::Login login = bench::SandboxLogin();
    MYSQL* admin = Bare(login, CLIENT_MULTI_STATEMENTS);
    if (TableCount(admin) != long(Databases) * Tables) {
        std::fprintf(stderr, "making %d databases of %d tables...\n", Databases, Tables);
        Make(admin);
    }
    MYSQL* bare = Bare(login);

    std::printf("large_catalogue: %d databases x %d tables x %d columns, medians of %d runs\n", Databases,
                Tables, Columns, runs);
    std::vector<double> connect, reference;
    std::size_t columnsBytes = 0;
    int tables = 0;
    for (int i = 0; i < runs; ++i) {
        reference.push_back(ColumnsQueryMs(bare, columnsBytes));
        auto m = Host(login, "probe");
        connect.push_back(bench::ConnectMs(*m));
        tables = 0;
        for (int d = 0; d < m->Databases()->Count(); ++d)
            tables += m->Databases()->Items(d)->Tables.Count();
    }
    const double c = bench::Median(connect), r = bench::Median(reference);
    std::printf("Connect (%d tables read)          %9.1f ms\n", tables, c);
    std::printf("COLUMNS query, bare client        %9.1f ms   ratio %.2f (goal: at most 1.5)\n", r, c / r);
    std::fflush(stdout);

    // The window, with the first host connected and shown as the program shows it.
    bench::TBenchWindow bw(login, "");
    TfrmMain& w = bw.Window();
    TNavigationTree* tree = Ui(w).Tree;
    Paint(w);
    std::vector<double> shown;
    std::vector<std::size_t> grown;
    for (int i = 0; i < 4; ++i) {
        const std::size_t before = bench::ResidentBytes();
        TTreeNode* node = tree->AddHostNode(Host(login, "more"));
        if (!node->Host()->Connect()) {
            std::fprintf(stderr, "connect failed: %s\n", node->Host()->ErrorText().c_str());
            return 1;
        }
        // From the catalogue in hand to the host open on screen.
        const double t0 = bench::NowMs();
        tree->PopulateHost(node);
        node->setExpanded(true);
        tree->setCurrentItem(node);
        tree->scrollToItem(node);
        Paint(w);
        shown.push_back(bench::NowMs() - t0);
        grown.push_back(bench::ResidentBytes() - before);
    }
    std::vector<double> grownMb;
    for (std::size_t g : grown)
        grownMb.push_back(double(g) / 1e6);
    std::printf("tree: expanded host painted      %9.1f ms   (goal: within 200 ms of the catalogue)\n",
                bench::Median(shown));
    std::printf("memory: catalogue + tree a host  %9.1f MB   COLUMNS answer %.1f MB (%.2f x)\n",
                bench::Median(grownMb), double(columnsBytes) / 1e6,
                bench::Median(grownMb) * 1e6 / double(columnsBytes));
    std::fflush(stdout);

    // The filter over every host's tables: typing, then deleting, a name piece by piece.
    QStringList names;
    for (TTreeNode* host : tree->HostNodes())
        for (int d = 0; d < host->childCount(); ++d)
            for (int t = 0; t < host->child(d)->childCount(); ++t)
                names << host->child(d)->child(t)->text(0);
    QLineEdit* filter = Ui(w).txtTreeFilter;
    const QString typed = QStringLiteral("T47");
    std::vector<double> keys, scans;
    for (int round = 0; round < runs; ++round) {
        QStringList steps;
        for (int k = 1; k <= typed.size(); ++k)
            steps << typed.left(k);
        for (int k = typed.size() - 1; k >= 0; --k)
            steps << typed.left(k);
        for (const QString& text : steps) {
            const double t0 = bench::NowMs();
            filter->setText(text);
            Paint(w);
            keys.push_back(bench::NowMs() - t0);
            const double s0 = bench::NowMs();
            int hits = 0;
            for (const QString& n : names)
                hits += n.contains(text, Qt::CaseInsensitive);
            scans.push_back(bench::NowMs() - s0 + (hits < 0 ? 1 : 0));
        }
    }
    std::printf("filter: a keystroke, %lld tables %9.1f ms   (max %.1f; goal: under 16 ms)\n",
                static_cast<long long>(names.size()), bench::Median(keys),
                *std::max_element(keys.begin(), keys.end()));
    std::printf("        scanning the names alone  %9.1f ms\n", bench::Median(scans));

    mysql_close(bare);
    if (qEnvironmentVariableIntValue("KORVANA_BENCH_DROP")) Drop(admin);
    mysql_close(admin);
    return 0;
}
