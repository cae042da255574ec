#pragma once
// Shared pieces of the benchmarks: reaching the sandbox server, a large table to read, the
// command-line client as the reference, and process memory readings.

#include "server/MySql.h"

#include <memory>
#include <string>

namespace bench {

struct Login {
    std::string Host = "127.0.0.1";
    int Port = 0;
    std::string User = "korvana";
    std::string Password = "korvana-sandbox";
};

// From KORVANA_BENCH_PORT (and _HOST/_USER/_PASSWORD), else the test sandbox of this build.
Login SandboxLogin();
// Connected, or the process ends with a message saying how to start the sandbox.
std::unique_ptr<TMySql> Connect(const Login& l);
// `m` given the login, not connected.
void UseLogin(TMySql& m, const Login& l);
// How long m.Connect() takes, in milliseconds; a failure ends the process with its message.
double ConnectMs(TMySql& m);

// Makes `korvana_bench.big` hold `rows` rows of 8 columns, about 100 bytes of cell text a row;
// an existing table with the right row count is kept.
void EnsureBigTable(TMySql& m, long rows);
inline const char* BigTable = "korvana_bench.big";

// Wall time in milliseconds of the `mariadb` client running `sql` with --batch to /dev/null.
double ClientMilliseconds(const Login& l, const std::string& sql);
// Milliseconds from starting `mariadb --quick --batch` on `sql` (its connect included) to its
// first row of data read from its output (the line after the column names); the rest of the output
// is read and dropped before it returns.
double ClientFirstRowMilliseconds(const Login& l, const std::string& sql);
// The same for the client reading the script in `path` on `database`, as `mariadb database <
// path`; the client's peak resident size in bytes goes to `peakBytes`.
double ClientScriptMilliseconds(const Login& l, const std::string& database, const std::string& path,
                                std::size_t& peakBytes);

// Resident set size now, and the peak since the last ResetPeak, in bytes (from /proc/self).
std::size_t ResidentBytes();
std::size_t PeakResidentBytes();
void ResetPeak();

double NowMs();
double Median(std::vector<double> v);

} // namespace bench
