// Find next in the query editor's document: a 10 MB statement on one line (a dump's INSERT), the
// match near its end or nowhere, so the search reads the whole line. Plain text in any letter case
// and as typed, and regular expressions, each against one QString::indexOf of the same text over
// the same line already in memory, measured in the same run.
//   find_text [runs] [megabytes]

#include "BenchSupport.h"
#include "LongStatement.h"
#include "editor/ColorMemo.h"
#include "editor/TextFinder.h"

#include <QApplication>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double MedianMs(int runs, const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = bench::NowMs();
        run();
        times.push_back(bench::NowMs() - start);
    }
    return bench::Median(times);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 10;

    int rows = 0;
    const QString line = LongStatement(qsizetype(megabytes * 1e6), &rows);
    TColorMemo memo;
    memo.SetText(line);
    const QTextDocument& doc = *memo.document();

    const QString last = QStringLiteral("'Customer %1'").arg(rows);
    struct TCase {
        const char* Name;
        QString What;
        TFindOptions Options;
        QString Reference; // what indexOf looks for
        Qt::CaseSensitivity Case;
    };
    const TCase cases[] = {
        {"plain, any case, last row", last, {}, last, Qt::CaseInsensitive},
        {"plain, match case, last row", last, {true, false, false}, last, Qt::CaseSensitive},
        {"plain, whole word, nowhere",
         QStringLiteral("zebra"),
         {false, true, false},
         QStringLiteral("zebra"),
         Qt::CaseInsensitive},
        {"regex, last row",
         QStringLiteral("'Customer %1'").arg(rows),
         {false, false, true},
         last,
         Qt::CaseInsensitive},
        {"regex with classes, nowhere",
         QStringLiteral("zebra\\s*\\d+"),
         {false, false, true},
         QStringLiteral("zebra"),
         Qt::CaseInsensitive},
    };

    std::printf("find next from the start of a %.1f MB statement on one line (median of %d)\n", megabytes,
                runs);
    double worst = 0;
    for (const TCase& c : cases) {
        const TTextFinder finder(c.What, c.Options);
        TTextMatch found;
        const double find = MedianMs(runs, [&] { found = finder.Next(doc, 0); });
        qsizetype at = -1;
        const double reference = MedianMs(runs, [&] { at = line.indexOf(c.Reference, 0, c.Case); });
        if ((found.Found() ? found.Start : -1) != (at >= 0 ? int(at) : -1)) {
            std::fprintf(stderr, "%s: found at %d, indexOf at %lld\n", c.Name, found.Start, (long long)at);
            return 1;
        }
        std::printf("  %-30s %8.2f ms   one indexOf over the line: %6.2f ms   ratio %.1f\n", c.Name, find,
                    reference, find / std::max(reference, 1e-3));
        worst = std::max(worst, find);
    }
    std::printf("slowest: %.2f ms (goal: under 50 ms)\n", worst);
    return 0;
}
