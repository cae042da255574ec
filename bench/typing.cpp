// One character typed into the query editor (the real control with the editor's SQL colouring, on
// the offscreen platform), timed from the key event until the colours are drawn over the repainted
// text. Typed in the middle of a 100,000-line script and in the middle of a 10 MB statement on one
// line, each against the same in a 1,000-line script measured in the same run.
//   typing [keystrokes]

#include "BenchSupport.h"
#include "LongStatement.h"
#include "SampleSql.h"
#include "editor/ColorMemo.h"
#include "sql/SqlCode.h"
#include "sql/SqlRules.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

QString Script(int lines) {
    QString s;
    for (int l = 0; l < lines; ++l) {
        if (l) s += QLatin1Char('\n');
        s += QLatin1String(SampleSqlLines[l % std::size(SampleSqlLines)]);
    }
    return s;
}

// Counts the viewport's paints, so a measurement waits for the one that draws the typed character.
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

struct TFigure {
    double Median = 0;
    double Worst = 0;
    double FirstMs = 0; // setting the text and showing it once, for the record
};

// Sets the text, puts the caret at `caret` (a document position) and types `keystrokes` characters
// there, each timed from the key press to the end of the paint that follows it.
// Without colours the control is the bare edit window: what the toolkit itself costs.
TFigure Measure(const QString& text, int caretLine, int caretColumn, int keystrokes, bool colours = true) {
    QWidget host;
    host.resize(900, 600);
    TColorMemo memo(&host);
    memo.setGeometry(0, 0, 900, 600);
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    memo.setFont(font);
    // Set up as the main window sets up its query editor.
    memo.SetWantTabs(true);
    memo.SetRedrawAlways(true);
    memo.SetColorLimMax(0);
    memo.SetHotSpot(THotSpot{});
    memo.SetColor(clWindow);
    AddSqlRules(memo.ColorRules());
    memo.SetLineNumbers(true);
    memo.SetBracketMatching(true, &MarkSqlCode);
    if (!colours) memo.ColorRules().Clear();
    host.show();
    TPaintCounter counter;
    memo.viewport()->installEventFilter(&counter);

    TFigure f;
    const double t0 = bench::NowMs();
    memo.SetText(text);
    QTextCursor c(memo.document()->findBlockByNumber(caretLine));
    c.setPosition(c.block().position() + caretColumn);
    memo.setTextCursor(c);
    memo.setFocus();
    memo.ensureCursorVisible();
    QApplication::processEvents();
    f.FirstMs = bench::NowMs() - t0;

    std::vector<double> times;
    for (int k = 0; k < keystrokes; ++k) {
        const int paints = counter.Paints;
        const double start = bench::NowMs();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&memo, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&memo, &release);
        while (counter.Paints == paints)
            QApplication::processEvents(QEventLoop::AllEvents);
        times.push_back(bench::NowMs() - start);
        if (f.Worst < times.back()) f.Worst = times.back();
        // One slow keystroke shows enough; a second of waiting per key is not needed to tell.
        if (times.size() >= 3 && bench::NowMs() - t0 > 60000) break;
    }
    f.Median = bench::Median(times);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int keystrokes = argc > 1 ? std::max(3, std::atoi(argv[1])) : 21;
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 10;

    std::printf("one character typed into the query editor, key event to colours drawn (median of %d)\n",
                keystrokes);
    const TFigure small = Measure(Script(1000), 500, 20, keystrokes);
    std::printf(
        "  1,000-line script, middle line:         %9.2f ms (worst %.2f; text set and shown in %.0f ms)\n",
        small.Median, small.Worst, small.FirstMs);
    std::fflush(stdout);

    const TFigure big = Measure(Script(100000), 50000, 20, keystrokes);
    std::printf(
        "  100,000-line script, middle line:       %9.2f ms (worst %.2f; text set and shown in %.0f ms)\n",
        big.Median, big.Worst, big.FirstMs);
    std::fflush(stdout);

    const QString line = LongStatement(qsizetype(megabytes * 1e6));
    for (const bool colours : {false, true}) {
        bench::ResetPeak();
        const std::size_t before = bench::ResidentBytes();
        const TFigure f = Measure(line, 0, int(line.size() / 2), keystrokes, colours);
        const double peakMb = double(bench::PeakResidentBytes() - before) / 1e6;
        std::printf("  %.1f MB statement on one line, middle, %s: %9.2f ms (worst %.2f; text set and shown "
                    "in %.0f ms; "
                    "peak memory +%.0f MB)\n",
                    megabytes, colours ? "with colours" : "bare edit window (no colour rules)", f.Median,
                    f.Worst, f.FirstMs, peakMb);
        std::fflush(stdout);
        if (colours)
            std::printf("ratio %.1f MB line / 1,000 lines: %.2f (goal: under 1.5)\n", megabytes,
                        f.Median / small.Median);
    }
    std::printf("ratio 100,000 lines / 1,000 lines: %.2f (goal: under 1.5)\n", big.Median / small.Median);
    std::printf("goal per keystroke: under 16 ms each\n");
    return 0;
}
