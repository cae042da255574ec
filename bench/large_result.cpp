// A result far larger than its memory budget, through the Query command: 20,000,000 rows of 8
// columns (about 2 GB of cell text, made by the server from a number table) with a budget of
// 256 MB. The process's peak resident memory; the whole transfer against the mariadb client
// (--quick --batch, to /dev/null) on the same query; scrolling to the last row and painting it;
// and export of every row to a delimited file against the server writing the same rows with
// SELECT ... INTO OUTFILE. Each figure beside its reference in the same run.
//   large_result [rows] [budget MB] [runs]

#include "BenchSupport.h"
#include "BenchWindow.h"

#include "server/MySql.h"
#include "server/ResultBlock.h"
#include "sql/ExportWriter.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/window/main.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// About 100 bytes of text a row, like the table of the other benchmarks, made as it is sent.
std::string Select(long rows) {
    return "SELECT seq AS id, seq % 1000 AS k, CONCAT('customer-', seq) AS name, "
           "CONCAT('user', seq, '@example.org') AS email, ROUND(MOD(seq * 1.37, 10000), 2) AS amount, "
           "'2026-01-01 00:00:00' + INTERVAL seq SECOND AS created, "
           "ELT(seq % 3 + 1, 'open', 'paid', 'closed') AS status, REPEAT('x', seq % 40) AS note "
           "FROM korvana_bench.seq_1_to_" +
           std::to_string(rows);
}

// The client's whole transfer with --quick, so that it holds one row at a time.
double QuickClientMilliseconds(const bench::Login& l, const std::string& sql) {
    // ClientFirstRowMilliseconds reads the whole output before it returns; the wall time of
    // that is the transfer.
    const double t0 = bench::NowMs();
    bench::ClientFirstRowMilliseconds(l, sql);
    return bench::NowMs() - t0;
}

} // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 20000000;
    const long budgetMb = argc > 2 ? std::atol(argv[2]) : 256;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    const bench::Login login = bench::SandboxLogin();
    auto server = bench::Connect(login);
    server->Execute("CREATE DATABASE IF NOT EXISTS korvana_bench");
    const std::string sql = Select(rows);

    QApplication app(argc, argv);
    QTemporaryDir dir;
    bench::TBenchWindow bw(login, sql);
    TfrmMain& w = bw.Window();
    TTreeNode* node = bw.HostNode();
    // The budget as "result memory" would set it; the file in a folder of the benchmark's own.
    TResultBlock::SetSpill(QFile::encodeName(dir.path()).toStdString(), std::uint64_t(budgetMb) << 20);

    TResult* priv = server->Execute("SELECT @@secure_file_priv");
    std::string outDir = priv->Rows.Count() == 1 ? std::string(priv->Rows.Items(0).Values(0)) : std::string();
    if (outDir.empty()) outDir = QFile::encodeName(dir.path()).toStdString();

    std::vector<double> ours, client, scroll, exported, outfile;
    std::size_t peak = 0, spilled = 0, cells = 0;
    for (int i = 0; i < runs; ++i) {
        client.push_back(QuickClientMilliseconds(login, sql));

        w.Results().popmnuClearResultClick();
        node->Host()->Execute("SELECT 1");
        malloc_trim(0);
        for (int j = 0; j < 5; ++j)
            QApplication::processEvents();
        bench::ResetPeak();
        const double t0 = bench::NowMs();
        w.Queries().btnQueryClick();
        ours.push_back(bench::NowMs() - t0);
        TResultView* view = Ui(w).lstOut;
        const TResultModel& model = *view->Model();
        if (model.rowCount() != rows || model.columnCount() != 8) {
            std::fprintf(stderr, "expected %ld rows x 8, the grid holds %d x %d: %s\n", rows,
                         model.rowCount(), model.columnCount(), w.StatusText().toLocal8Bit().constData());
            return 1;
        }
        spilled = model.Block()->SpilledBytes();
        cells = model.Block()->CellBytes();

        const double s0 = bench::NowMs();
        view->scrollToBottom();
        view->viewport()->repaint();
        scroll.push_back(bench::NowMs() - s0);
        view->scrollToTop();
        view->viewport()->repaint();

        // The connection lets go of its share; the grid holds the result.
        node->Host()->Execute("SELECT 1");
        const QString path = dir.filePath(QStringLiteral("export.csv"));
        const double e0 = bench::NowMs();
        if (!ExportToFile(path, ShownGrid(*view), TExportOptions())) {
            std::fprintf(stderr, "the export failed\n");
            return 1;
        }
        exported.push_back(bench::NowMs() - e0);
        QFile::remove(path);
        peak = std::max(peak, bench::PeakResidentBytes());

        const std::string out =
            outDir + "/korvana-large-" + std::to_string(::getpid()) + "-" + std::to_string(i);
        const double o0 = bench::NowMs();
        TResult* r = server->Execute(sql + " INTO OUTFILE '" + out +
                                     "' FIELDS TERMINATED BY ';' LINES TERMINATED BY '\\r\\n'");
        outfile.push_back(bench::NowMs() - o0);
        if (r->AffectedRows != rows) {
            std::fprintf(stderr, "INTO OUTFILE failed: %s\n", r->ErrorText().c_str());
            return 1;
        }
        QFile::remove(QString::fromStdString(out));
    }

    const double o = bench::Median(ours), c = bench::Median(client);
    const double e = bench::Median(exported), f = bench::Median(outfile);
    std::printf(
        "large_result: %ld rows x 8 columns, %.0f MB of cell text, budget %ld MB (median of %d runs)\n", rows,
        double(cells) / 1e6, budgetMb, runs);
    std::printf("  peak resident memory  %8.0f MB   (goal < 600; %.0f MB went to the file)\n",
                double(peak) / 1e6, double(spilled) / 1e6);
    std::printf("  Query to all rows     %8.0f ms\n", o);
    std::printf("  mariadb --quick       %8.0f ms   (reference, to /dev/null)\n", c);
    std::printf("  time ratio            %8.2f\n", o / c);
    std::printf("  scroll to last row    %8.1f ms\n", bench::Median(scroll));
    std::printf("  export to CSV         %8.0f ms\n", e);
    std::printf("  server INTO OUTFILE   %8.0f ms   (reference)\n", f);
    std::printf("  export ratio          %8.2f\n", e / f);
    return 0;
}
