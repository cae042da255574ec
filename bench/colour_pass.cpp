// One colour pass of the query editor (its four SQL rules, tabs and the caret line on) over a
// window of 60 visible lines, scrolled to the middle of a document of 1,000 and of 1,000,000
// lines. The pass scans only the painted stretch, so the two should cost the same: the figure to
// watch is the ratio between them. Also times the compilation of the rules (165 SQL words), and
// typing: one character typed into a 10 MB single-line INSERT shown in 80 columns, then the pass,
// against the same in the middle of a 1,000-line script.

#include "FakeEditWindow.h"
#include "SampleSql.h"
#include "editor/ColorPass.h"
#include "sql/SqlRules.h"

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

// Types one character at the caret of `window` per iteration (the fake's copy of the text untimed)
// and times the pass's notice of the change and the pass that follows it.
void TypeAndPass(benchmark::State& state, TFakeEditWindow& window) {
    TColorPass pass(window);
    AddSqlRules(pass.ColorRules);
    pass.RedrawColors(false); // rules compiled, buffers grown, the line's markers learnt
    long read = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::u16string text = window.Text();
        text.insert(std::size_t(window.Sel), 1, u'x');
        window.SetText(std::move(text));
        state.ResumeTiming();
        pass.TextChanged(window.Sel, 0, 1);
        ++window.Sel;
        pass.RedrawColors(false);
        read += pass.CharsRead();
        benchmark::DoNotOptimize(window.Drawn);
    }
    state.counters["chars_read_per_pass"] = double(read) / double(state.iterations());
}

// A 10 MB INSERT on one line, its rows as given, with the caret and an 80-column view in the middle.
void TypeInLongLine(benchmark::State& state, std::u16string_view row) {
    std::u16string line = u"insert into t values ";
    while (line.size() < 10'000'000)
        line += row;
    line += u"(2,'x');";
    TFakeEditWindow window;
    window.SetText(std::move(line));
    window.Record = false;
    window.Tabs = true;
    window.Always = true;
    window.Bottom = VisibleLines * TFakeEditWindow::Height;
    window.Sel = 5'000'000;
    window.ShownSlices[0] = {window.Sel - 40, window.Sel + 40};
    TypeAndPass(state, window);
}

// The rows hold a '/*' that no '*/' closes, a '#' and a tab.
void BM_TypingLongLine(benchmark::State& state) {
    TypeInLongLine(state, u"(1,'abc /* no comment',\t\"#\",NULL,12.5),");
}
BENCHMARK(BM_TypingLongLine)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(40)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Every row holds a closed comment: 250,000 of them before the caret.
void BM_TypingLongLineComments(benchmark::State& state) {
    TypeInLongLine(state, u"(1,'abc /* a comment */',\t\"#\",NULL,12.5),");
}
BENCHMARK(BM_TypingLongLineComments)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(40)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_TypingScript(benchmark::State& state) {
    const std::unique_ptr<TFakeEditWindow> window = BenchWindow(1000);
    TypeAndPass(state, *window);
}
BENCHMARK(BM_TypingScript)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(40)
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
    const auto longLine = reporter.Microseconds.find("BM_TypingLongLine");
    const auto script = reporter.Microseconds.find("BM_TypingScript");
    const auto comments = reporter.Microseconds.find("BM_TypingLongLineComments");
    if (longLine != reporter.Microseconds.end() && script != reporter.Microseconds.end() &&
        comments != reporter.Microseconds.end()) {
        std::printf("typing, pass after one key: %.1f us in a 10 MB line shown in 80 columns, %.1f us in a "
                    "1,000-line script; ratio %.3f (goal: under 16 ms, ratio under 1.5)\n",
                    longLine->second, script->second, longLine->second / script->second);
        std::printf("typing, the 10 MB line with a comment in every row: %.1f us; ratio to the script %.3f\n",
                    comments->second, comments->second / script->second);
    }
    if (auto c = reporter.Microseconds.find("BM_CompileSqlRules"); c != reporter.Microseconds.end())
        std::printf("CompileRules, four SQL rules with the 165-word list: %.1f us per compilation\n",
                    c->second);
    benchmark::Shutdown();
    return 0;
}
