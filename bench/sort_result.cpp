// How fast the grid sorts a large result by one column: the model's sort by an integer column and
// by a text column, each against std::sort of the same keys taken out beforehand (the least any
// sort of those values costs), in the same run.

#include "BenchSupport.h"
#include "workbench/grid/ResultModel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

TColumnInfo Column(const char* name, TColumnKind kind) {
    TColumnInfo c(name);
    c.Kind = kind;
    return c;
}

// `rows` rows of a signed integer (a few equal keys, negatives too) and a name-like text of 8 to 24
// letters, in random order.
std::shared_ptr<const TResultBlock> MakeBlock(long rows) {
    const TColumnInfo columns[] = {Column("id", TColumnKind::Integer), Column("name", TColumnKind::Text)};
    TResultBlock::Builder b(columns);
    std::mt19937_64 random(25);
    std::uniform_int_distribution<long long> number(-1000000000LL, 1000000000LL);
    std::uniform_int_distribution<int> length(8, 24), letter('a', 'z');
    std::string id, name;
    for (long i = 0; i < rows; ++i) {
        id = std::to_string(number(random));
        name.resize(static_cast<std::size_t>(length(random)));
        for (char& c : name)
            c = static_cast<char>(letter(random));
        const char* values[] = {id.c_str(), name.c_str()};
        const unsigned long lengths[] = {id.size(), name.size()};
        b.AddRow(values, lengths);
    }
    return b.Finish();
}

} // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const auto block = MakeBlock(rows);
    TResultModel model;
    model.SetBlock(block);

    std::vector<long long> numbers;
    std::vector<std::string_view> texts;
    for (long r = 0; r < rows; ++r) {
        numbers.push_back(std::atoll(std::string(block->Cell(std::size_t(r), 0)).c_str()));
        texts.push_back(block->Cell(std::size_t(r), 1));
    }

    std::vector<double> ourInteger, ourText, refInteger, refText;
    for (int i = 0; i < runs; ++i) {
        for (int col : {0, 1}) {
            model.sort(-1);
            const double t0 = bench::NowMs();
            model.sort(col, Qt::AscendingOrder);
            (col == 0 ? ourInteger : ourText).push_back(bench::NowMs() - t0);
        }
        std::vector<long long> n = numbers;
        double t0 = bench::NowMs();
        std::sort(n.begin(), n.end());
        refInteger.push_back(bench::NowMs() - t0);
        std::vector<std::string_view> t = texts;
        t0 = bench::NowMs();
        std::sort(t.begin(), t.end());
        refText.push_back(bench::NowMs() - t0);

        // The model's order really is the sorted one.
        if (std::string_view(block->Cell(model.BlockRow(0), 1)) != t.front() ||
            std::string_view(block->Cell(model.BlockRow(int(rows) - 1), 1)) != t.back()) {
            std::fprintf(stderr, "the text order is wrong\n");
            return 1;
        }
    }

    const double oi = bench::Median(ourInteger), ri = bench::Median(refInteger);
    const double ot = bench::Median(ourText), rt = bench::Median(refText);
    std::printf("sort_result: %ld rows, sorted by one column (median of %d runs)\n", rows, runs);
    std::printf("  integer column: model sort %8.1f ms (goal < 500)\n", oi);
    std::printf("                  std::sort  %8.1f ms of the int64 keys (reference), ratio %.2f\n", ri,
                oi / ri);
    std::printf("  text column:    model sort %8.1f ms (goal < 1500)\n", ot);
    std::printf("                  std::sort  %8.1f ms of the string_view keys (reference), ratio %.2f\n", rt,
                ot / rt);
    return 0;
}
