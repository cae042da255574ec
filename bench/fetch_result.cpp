// How fast and how compactly Execute copies a large result, against the mariadb command-line
// client (--batch, to /dev/null) on the same query in the same run.

#include "BenchSupport.h"

#include <cstdio>
#include <malloc.h>
#include <vector>

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const bench::Login login = bench::SandboxLogin();
    auto m = bench::Connect(login);
    bench::EnsureBigTable(*m, rows);
    const std::string sql = std::string("SELECT * FROM ") + bench::BigTable;

    // Warm the server's buffer pool once, so both sides read from memory.
    bench::ClientMilliseconds(login, sql);

    std::vector<double> ours, client;
    double peakRatio = 0, retainedRatio = 0, rssRatio = 0;
    std::size_t raw = 0;
    for (int i = 0; i < runs; ++i) {
        client.push_back(bench::ClientMilliseconds(login, sql));

        m->Execute("SELECT 1"); // frees the previous large result
        malloc_trim(0);
        const std::size_t before = bench::ResidentBytes();
        bench::ResetPeak();
        const double t0 = bench::NowMs();
        TResult* r = m->Execute(sql);
        ours.push_back(bench::NowMs() - t0);
        const std::size_t peak = bench::PeakResidentBytes();
        malloc_trim(0);
        const std::size_t after = bench::ResidentBytes();

        if (r->Rows.Count() != rows) {
            std::fprintf(stderr, "expected %ld rows, got %d: %s\n", rows, r->Rows.Count(),
                         r->ErrorText().c_str());
            return 1;
        }
        raw = r->Block()->CellBytes();
        peakRatio = double(peak - before) / double(raw);
        retainedRatio = double(r->Block()->MemoryUsed()) / double(raw);
        rssRatio = double(after - before) / double(raw);
    }

    const double t = bench::Median(ours), c = bench::Median(client);
    std::printf("fetch_result: %ld rows x 8 columns, %.1f MB of cell text (median of %d runs)\n", rows,
                double(raw) / 1e6, runs);
    std::printf("  Execute               %8.1f ms\n", t);
    std::printf("  mariadb --batch       %8.1f ms   (reference)\n", c);
    std::printf("  time ratio            %8.2f      (goal <= 1.2)\n", t / c);
    std::printf("  retained memory       %8.2f x raw cell bytes (block accounting; goal <= 1.4)\n",
                retainedRatio);
    std::printf("  retained memory (RSS) %8.2f x raw cell bytes\n", rssRatio);
    std::printf("  peak memory (RSS)     %8.2f x raw cell bytes (goal <= 2.5)\n", peakRatio);
    return 0;
}
