// Copying selected rows to the clipboard: building the tab-separated text and the HTML table of
// 100,000 rows of 8 columns held in memory (all of them selected, as after Ctrl+A), against a
// plain concatenation of the same cells with a tab or line end after each, in the same run.
//   copy_rows [rows] [runs]

#include "BenchSupport.h"
#include "sql/CopyText.h"
#include "sql/QtText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::NowMs;

// About 100 bytes of cell text a row, like the benchmark server's big table, with a few values
// that need enclosing or escaping, some NULLs and a short binary column.
std::shared_ptr<const TResultBlock> MakeBlock(std::size_t rows) {
    std::vector<TColumnInfo> columns;
    const char* names[] = {"id", "name", "city", "email", "amount", "created", "note", "hash"};
    const TColumnKind kinds[] = {TColumnKind::Integer, TColumnKind::Text,    TColumnKind::Text,
                                 TColumnKind::Text,    TColumnKind::Decimal, TColumnKind::Temporal,
                                 TColumnKind::Text,    TColumnKind::Binary};
    for (int i = 0; i < 8; ++i) {
        TColumnInfo c(names[i]);
        c.Kind = kinds[i];
        columns.push_back(c);
    }
    TResultBlock::Builder b{std::span<const TColumnInfo>(columns)};
    std::vector<std::string> v(8);
    for (std::size_t r = 0; r < rows; ++r) {
        v[0] = std::to_string(r + 1);
        v[1] = "Customer " + std::to_string(r * 7919 % 100000);
        v[2] = r % 3 == 0 ? "Zürich" : "Bern";
        v[3] = "user" + std::to_string(r) + "@example.org";
        v[4] = std::to_string(r % 10000) + ".25";
        v[5] = "2024-05-17 10:" + std::to_string(10 + r % 50) + ":00";
        v[6] = r % 10 == 0 ? "says \"hi\"\tand <more> & more" : "regular note text";
        v[7] = std::string("\x01\x02\x03\x04", 4);
        const char* values[8];
        unsigned long lengths[8];
        for (int i = 0; i < 8; ++i) {
            values[i] = (i == 2 && r % 17 == 0) ? nullptr : v[i].data();
            lengths[i] = static_cast<unsigned long>(v[i].size());
        }
        b.AddRow(values, lengths);
    }
    return b.Finish();
}

std::string Concatenate(const TResultBlock& block) {
    std::string out;
    for (std::size_t r = 0; r < block.RowCount(); ++r)
        for (std::size_t c = 0; c < block.FieldCount(); ++c) {
            out += block.Cell(r, c);
            out += c + 1 < block.FieldCount() ? '\t' : '\n';
        }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t rows = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    const auto block = MakeBlock(rows);
    const TExportGrid whole = WholeBlock(block);
    std::vector<std::size_t> places(rows);
    for (std::size_t i = 0; i < rows; ++i)
        places[i] = i;

    std::vector<double> reference, formats, clipboard;
    std::size_t plainBytes = 0, textBytes = 0, htmlBytes = 0;
    for (int i = 0; i < runs; ++i) {
        double t0 = NowMs();
        const std::string plain = Concatenate(*block);
        reference.push_back(NowMs() - t0);
        plainBytes = plain.size();

        t0 = NowMs();
        const TCopiedRows copied = CopyRows(SelectedRows(whole, places), false);
        formats.push_back(NowMs() - t0);
        textBytes = copied.Text.size();
        htmlBytes = copied.Html.size();

        // What the command does on top: the selection, the size check, the two texts as QString.
        t0 = NowMs();
        const TExportGrid selected = SelectedRows(whole, places);
        const std::uint64_t estimate = CopyTextBytes(selected);
        const TCopiedRows again = CopyRows(selected, false);
        const QString text = QtText(again.Text), html = QtText(again.Html);
        clipboard.push_back(NowMs() - t0);
        if (estimate == 0 || text.isEmpty() || html.isEmpty()) return 1;
    }

    const double r = Median(reference), f = Median(formats), c = Median(clipboard);
    std::printf(
        "copy_rows: %zu rows x 8 columns, text %.1f MB, HTML %.1f MB, plain %.1f MB (median of %d runs)\n",
        rows, double(textBytes) / 1e6, double(htmlBytes) / 1e6, double(plainBytes) / 1e6, runs);
    std::printf("  plain concatenation of the cells     %8.1f ms  (reference)\n", r);
    std::printf("  text + HTML                          %8.1f ms  ratio %.2f\n", f, f / r);
    std::printf("  text + HTML as QString, size check   %8.1f ms  ratio %.2f (goal < 1000 ms)\n", c, c / r);
    return 0;
}
