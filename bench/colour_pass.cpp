// One colour pass of the query editor (its four SQL rules, tabs and the caret line on) over a
// window of 60 visible lines, scrolled to the middle of a document of 1,000 and of 1,000,000
// lines. The pass scans only the painted stretch, so the two should cost the same: the figure to
// watch is the ratio between them. Also times the compilation of the rules (165 SQL words).

#include "ColorPass.h"
#include "FakeEditWindow.h"
#include "SampleSql.h"
#include "SqlRules.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int VisibleLines = 60;

// The test's fake window over an SQL document of `lines` lines, scrolled to its middle, with the
// caret inside the view; it only counts what is drawn.
std::unique_ptr<TFakeEditWindow> BenchWindow(int lines) {
    std::u16string text;
    for (int l = 0; l < lines; ++l) {
        if (l) text += u"\r\n";
        for (const char* c = SampleSqlLines[l % std::size(SampleSqlLines)]; *c; ++c)
            text += char16_t(*c);
    }
    auto window = std::make_unique<TFakeEditWindow>();
    window->SetText(std::move(text));
    window->Record = false;
    window->Tabs = true;
    window->Always = true;
    window->First = lines / 2;
    window->Bottom = VisibleLines * TFakeEditWindow::Height;
    window->Sel = window->LineIndex(window->First + 20) + 12;
    return window;
}

void BM_ColourPass(benchmark::State& state) {
    const std::unique_ptr<TFakeEditWindow> fake = BenchWindow(int(state.range(0)));
    TFakeEditWindow& window = *fake;
    TColorPass pass(window);
    AddSqlRules(pass.ColorRules);
    pass.RedrawColors(false); // buffers grown, rules compiled once
    for (auto _ : state) {
        pass.RedrawColors(false);
        benchmark::DoNotOptimize(window.Drawn);
    }
    state.counters["chars_drawn_per_pass"] = double(window.Drawn) / double(state.iterations() + 1);
}
// Medians of five runs: the machine is shared, single runs wander.
BENCHMARK(BM_ColourPass)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A compiling CompileRules followed by the skipping one that comes after it on the next pass.
void BM_CompileSqlRules(benchmark::State& state) {
    TDrawRules rules;
    AddSqlRules(rules);
    for (auto _ : state) {
        rules.CompileRules();
        rules.CompileRules();
        benchmark::DoNotOptimize(rules[0].KeyCount());
    }
}
BENCHMARK(BM_CompileSqlRules)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Keeps each benchmark's time per iteration (the median when repeated), so the two document sizes can be
// compared at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Microseconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration ||
                (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
                Microseconds[run.run_name.function_name +
                             (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] =
                    run.GetAdjustedRealTime(); // in the run's unit (us)
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto small = reporter.Microseconds.find("BM_ColourPass/1000");
    const auto large = reporter.Microseconds.find("BM_ColourPass/1000000");
    if (small != reporter.Microseconds.end() && large != reporter.Microseconds.end()) {
        std::printf(
            "\ncolour pass, 60 visible lines: %.1f us per pass at 1,000 lines, %.1f us at 1,000,000 lines\n",
            small->second, large->second);
        std::printf("ratio 1,000,000 / 1,000 lines: %.3f (goal: under 1.2; goal per pass: under 100 us)\n",
                    large->second / small->second);
    }
    if (auto c = reporter.Microseconds.find("BM_CompileSqlRules"); c != reporter.Microseconds.end())
        std::printf("CompileRules, four SQL rules with the 165-word list: %.1f us per compilation\n",
                    c->second);
    benchmark::Shutdown();
    return 0;
}
