// Throughput of SplitStatements over a 100 MB script, against memchr for ";" over the same bytes
// in the same run.
//   split_statements [megabytes] [runs]

#include "BenchSupport.h"
#include "sql/SplitStatements.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::NowMs;

// A script as people write them: statements over several lines, "#" and "/* */" comments, and
// long INSERTs of literal rows.
std::string MakeScript(std::size_t bytes) {
    const char* pieces[] = {
        "# load the orders of the day\r\n",
        "INSERT INTO orders (id, customer, amount, note) VALUES (1017, 'Ada Lovelace', 19.95, 'first order'),"
        " (1018, 'Charles Babbage', 250.00, NULL), (1019, 'Grace Hopper', 7.50, 'gift wrap');\r\n",
        "/* totals per customer, checked by hand */\r\n"
        "SELECT customer, SUM(amount) AS total\r\n  FROM orders\r\n GROUP BY customer\r\n ORDER BY total "
        "DESC;\r\n",
        "UPDATE orders SET note = 'paid' WHERE id BETWEEN 1000 AND 1019 AND amount / 2 > 1;\r\n",
        "DELETE FROM sessions WHERE started < NOW() - INTERVAL 30 DAY; # housekeeping\r\n",
    };
    std::string s;
    s.reserve(bytes + 512);
    for (std::size_t i = 0; s.size() < bytes; ++i)
        s += pieces[i % (sizeof pieces / sizeof *pieces)];
    return s;
}

std::size_t CountSemicolons(const std::string& s) {
    std::size_t n = 0;
    const char* p = s.data();
    const char* end = p + s.size();
    while (const void* hit = std::memchr(p, ';', static_cast<std::size_t>(end - p))) {
        ++n;
        p = static_cast<const char*>(hit) + 1;
    }
    return n;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    const std::string script = MakeScript(megabytes * 1000 * 1000);
    const double mb = double(script.size()) / 1e6;

    std::vector<double> reference, views, reused, copies;
    std::size_t semicolons = 0, statements = 0;
    for (int i = 0; i < runs; ++i) {
        double t0 = NowMs();
        semicolons = CountSemicolons(script);
        reference.push_back(NowMs() - t0);

        std::vector<std::string_view> v;
        t0 = NowMs();
        SplitStatements(v, script);
        views.push_back(NowMs() - t0);
        statements = v.size();

        std::vector<std::string_view> again;
        again.reserve(statements);
        t0 = NowMs();
        SplitStatements(again, script);
        reused.push_back(NowMs() - t0);

        std::vector<std::string> c;
        t0 = NowMs();
        SplitStatements(c, script);
        copies.push_back(NowMs() - t0);
        if (c.size() != statements) return 1;
    }

    const double r = Median(reference), v = Median(views), u = Median(reused), c = Median(copies);
    std::printf("split_statements: %.1f MB script, %zu statements, %zu ';' (median of %d runs)\n", mb,
                statements, semicolons, runs);
    std::printf("  memchr ';'                              %8.1f ms  %7.0f MB/s  (reference)\n", r,
                mb / r * 1e3);
    std::printf("  SplitStatements (views)                 %8.1f ms  %7.0f MB/s  ratio %.2f (goal >= 0.3)\n",
                v, mb / v * 1e3, r / v);
    std::printf("  SplitStatements (views, list reserved)  %8.1f ms  %7.0f MB/s  ratio %.2f\n", u,
                mb / u * 1e3, r / u);
    std::printf("  SplitStatements (copies)                %8.1f ms  %7.0f MB/s  ratio %.2f\n", c,
                mb / c * 1e3, r / c);
    return 0;
}
