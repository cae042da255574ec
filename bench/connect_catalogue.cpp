// How long Connect takes with its catalogue, on servers of growing size, against one query of
// information_schema.COLUMNS from a bare client in the same run; and Connect with TLS beside
// Connect without it on the same server. The tables are made here and dropped again at the end.
//
//   connect_catalogue [runs]

#include "BenchSupport.h"

#include <mysql.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* Stem = "korvana_bench_cat";

void Run(TMySql& m, const std::string& sql) {
    TResult* r = m.Execute(sql);
    if (r->AffectedRows == -1 && !r->ErrorText().empty()) {
        std::fprintf(stderr, "statement failed: %s\n  %s\n", sql.c_str(), r->ErrorText().c_str());
        std::exit(1);
    }
}

std::string Database(int i) {
    return std::string(Stem) + "_" + std::to_string(i);
}

// Tables [from, to) in `database`, of a few everyday column kinds.
void AddTables(TMySql& m, const std::string& database, int from, int to) {
    Run(m, "CREATE DATABASE IF NOT EXISTS " + database);
    for (int i = from; i < to; ++i)
        Run(m, "CREATE TABLE " + database + ".t" + std::to_string(i) +
                   " (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(40) NOT NULL DEFAULT '',"
                   " amount DECIMAL(10,2) DEFAULT 0.00, created DATETIME DEFAULT CURRENT_TIMESTAMP,"
                   " note TEXT, KEY (name))");
}

void DropAll(TMySql& m) {
    TResult* r = m.Execute(std::string("SHOW DATABASES LIKE '") + Stem + "\\_%'");
    std::vector<std::string> names;
    for (int i = 0; i < r->Rows.Count(); ++i)
        names.emplace_back(r->Rows.Items(i).Values(0));
    for (const auto& n : names)
        Run(m, "DROP DATABASE " + QuoteIdentifier(n));
}

int TableCount(const TMySql& m) {
    int n = 0;
    for (int i = 0; i < m.Databases()->Count(); ++i)
        n += m.Databases()->Items(i)->Tables.Count();
    return n;
}

// Connect with the catalogue, as the program does it; `tables` gets how many it read.
double ConnectMs(const bench::Login& l, int& tables, TTlsMode tls = TTlsMode::Preferred) {
    TMySql m;
    m.Tls.Mode = tls;
    bench::UseLogin(m, l);
    const double ms = bench::ConnectMs(m);
    tables = TableCount(m);
    return ms;
}

// The reference: the plain library calls for one information_schema.COLUMNS query, every row
// fetched, on a connection already open.
double ColumnsQueryMs(MYSQL* h) {
    const double t0 = bench::NowMs();
    const std::string sql = "SELECT * FROM information_schema.COLUMNS";
    if (mysql_real_query(h, sql.data(), sql.size()) != 0) {
        std::fprintf(stderr, "reference query failed: %s\n", mysql_error(h));
        std::exit(1);
    }
    MYSQL_RES* res = mysql_store_result(h);
    while (mysql_fetch_row(res)) {
    }
    mysql_free_result(res);
    return bench::NowMs() - t0;
}

// The catalogue read two statements a table, on an open connection.
double TableByTableMs(TMySql& m) {
    const double t0 = bench::NowMs();
    auto slow = ReadCatalogueTableByTable(m.Handle());
    return bench::NowMs() - t0;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    const bench::Login login = bench::SandboxLogin();
    auto admin = bench::Connect(login);
    DropAll(*admin);

    MYSQL* bare = mysql_init(nullptr);
    if (!mysql_real_connect(bare, login.Host.c_str(), login.User.c_str(), login.Password.c_str(), nullptr,
                            static_cast<unsigned>(login.Port), nullptr, 0)) {
        std::fprintf(stderr, "bare client cannot connect: %s\n", mysql_error(bare));
        return 1;
    }

    std::printf("connect_catalogue: Connect with its catalogue vs one information_schema.COLUMNS query "
                "(bare client), medians of %d runs\n",
                runs);
    std::printf("%-26s %8s %12s %12s %8s\n", "server", "tables", "connect ms", "COLUMNS ms", "ratio");
    const auto measure = [&](const char* label) {
        std::vector<double> ours, reference;
        int tables = 0;
        for (int i = 0; i < runs; ++i) {
            reference.push_back(ColumnsQueryMs(bare));
            ours.push_back(ConnectMs(login, tables));
        }
        const double a = bench::Median(ours), b = bench::Median(reference);
        std::printf("%-26s %8d %12.1f %12.1f %8.2f\n", label, tables, a, b, a / b);
        std::fflush(stdout);
    };

    measure("no user tables");
    {
        // The TLS handshake's cost: Connect encrypted beside Connect in clear, in turns, on this
        // same server (scripts/bench starts it with certificates).
        TMySql probe;
        bench::UseLogin(probe, login);
        probe.Tls.Mode = TTlsMode::Required;
        if (!probe.Connect()) {
            std::printf("%-26s (the server offers no TLS: %s)\n", "  with TLS", probe.ErrorText().c_str());
        } else {
            std::vector<double> plain, tls;
            int tables = 0;
            for (int i = 0; i < runs; ++i) {
                plain.push_back(ConnectMs(login, tables, TTlsMode::Disabled));
                tls.push_back(ConnectMs(login, tables, TTlsMode::Required));
            }
            std::printf("%-26s %8d %12.1f %12s %8s   (%s; without TLS %.1f ms, +%.1f ms)\n", "  with TLS",
                        tables, bench::Median(tls), "", "", probe.Encryption().c_str(), bench::Median(plain),
                        bench::Median(tls) - bench::Median(plain));
        }
    }
    std::fprintf(stderr, "creating 1,000 tables...\n");
    AddTables(*admin, Database(0), 0, 1000);
    measure("1,000 tables, 1 database");
    {
        auto m = bench::Connect(login);
        std::vector<double> slow;
        for (int i = 0; i < 3; ++i)
            slow.push_back(TableByTableMs(*m));
        std::printf("%-26s %8s %12.1f   (two statements a table, for the record; median of 3)\n",
                    "  table by table, 1,000", "", bench::Median(slow));
    }
    std::fprintf(stderr, "creating 4,000 more tables...\n");
    AddTables(*admin, Database(0), 1000, 5000);
    measure("5,000 tables, 1 database");
    DropAll(*admin);
    std::fprintf(stderr, "creating 100 databases of 20 tables...\n");
    for (int d = 1; d <= 100; ++d)
        AddTables(*admin, Database(d), 0, 20);
    measure("100 databases x 20 tables");
    DropAll(*admin);
    mysql_close(bare);
    std::printf("goals: ratio at most 1.5 at every size; under 150 ms at 1,000 tables\n");
    return 0;
}
