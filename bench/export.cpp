// Result export of a large result shown in the grid: the delimiter-separated file written from the
// grid against the sandbox server writing the same rows with SELECT ... INTO OUTFILE in the same
// run, with the options under which LOAD DATA reads either file back (same separator, values
// enclosed in double quotes, no escapes, NULL as the bare word, same line end); the memory the export adds
// beyond the result the grid holds; and the time of the SQL format.
//   export [rows] [runs]

#include "BenchSupport.h"
#include "BenchWindow.h"

#include "server/MySql.h"
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
#include <memory>
#include <vector>

namespace {

struct TTimed {
    double Ms = 0;
    std::size_t ExtraBytes = 0;
    qint64 FileBytes = 0;
};

TTimed ExportOnce(const TExportGrid& grid, const TExportOptions& options, const QString& path) {
    malloc_trim(0);
    const std::size_t before = bench::ResidentBytes();
    bench::ResetPeak();
    const double t0 = bench::NowMs();
    if (!ExportToFile(path, grid, options)) {
        std::fprintf(stderr, "export to %s failed\n", path.toLocal8Bit().constData());
        std::exit(1);
    }
    TTimed t;
    t.Ms = bench::NowMs() - t0;
    const std::size_t peak = bench::PeakResidentBytes();
    t.ExtraBytes = peak > before ? peak - before : 0;
    t.FileBytes = QFileInfo(path).size();
    QFile::remove(path);
    return t;
}

} // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    const bench::Login login = bench::SandboxLogin();
    auto server = bench::Connect(login);
    bench::EnsureBigTable(*server, rows);
    const std::string select = std::string("SELECT * FROM ") + bench::BigTable;

    QApplication app(argc, argv);
    bench::TBenchWindow bw(login, select);
    TfrmMain& w = bw.Window();
    TTreeNode* node = bw.HostNode();
    QTemporaryDir dir; // our files, and the server's when it may write anywhere
    w.Queries().btnQueryClick();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    const TResultModel& model = *Ui(w).lstOut->Model();
    if (model.rowCount() != rows || model.columnCount() != 8) {
        std::fprintf(stderr, "expected %ld rows x 8, the grid holds %d x %d: %s\n", rows, model.rowCount(),
                     model.columnCount(), w.StatusText().toLocal8Bit().constData());
        return 1;
    }
    // The connection lets go of its copy; only the grid holds the result now.
    node->Host()->Execute("SELECT 1");
    const TExportGrid grid = ShownGrid(*Ui(w).lstOut);

    TExportOptions delimited;
    TExportOptions sql;
    sql.Format = TExportOptions::SqlInsert;
    sql.TableName = "big";

    // The server writes where it may; a fresh name each time, as INTO OUTFILE never overwrites.
    TResult* priv = server->Execute("SELECT @@secure_file_priv");
    std::string outDir = priv->Rows.Count() == 1 ? std::string(priv->Rows.Items(0).Values(0)) : std::string();
    if (outDir.empty()) outDir = QFile::encodeName(dir.path()).toStdString();
    auto serverOnce = [&](int n) {
        const std::string path =
            outDir + "/korvana-outfile-" + std::to_string(::getpid()) + "-" + std::to_string(n);
        const double t0 = bench::NowMs();
        TResult* r = server->Execute(select + " INTO OUTFILE '" + path +
                                     "' FIELDS TERMINATED BY ';' OPTIONALLY ENCLOSED BY '\"' ESCAPED BY ''"
                                     " LINES TERMINATED BY '\\r\\n'");
        const double ms = bench::NowMs() - t0;
        if (r->AffectedRows != rows) {
            std::fprintf(stderr, "INTO OUTFILE failed: %s\n", r->ErrorText().c_str());
            std::exit(1);
        }
        const qint64 size = QFileInfo(QString::fromStdString(path)).size();
        QFile::remove(QString::fromStdString(path));
        return std::pair<double, qint64>(ms, size);
    };

    // Warm both sides once.
    serverOnce(-1);
    ExportOnce(grid, delimited, dir.filePath(QStringLiteral("warm.csv")));

    std::vector<double> ours, theirs, sqlTimes;
    std::size_t extra = 0, sqlExtra = 0;
    qint64 ourBytes = 0, theirBytes = 0, sqlBytes = 0;
    for (int i = 0; i < runs; ++i) {
        const auto [ms, size] = serverOnce(i);
        theirs.push_back(ms);
        theirBytes = size;
        const TTimed d = ExportOnce(grid, delimited, dir.filePath(QStringLiteral("export.csv")));
        ours.push_back(d.Ms);
        extra = std::max(extra, d.ExtraBytes);
        ourBytes = d.FileBytes;
        const TTimed s = ExportOnce(grid, sql, dir.filePath(QStringLiteral("export.sql")));
        sqlTimes.push_back(s.Ms);
        sqlExtra = std::max(sqlExtra, s.ExtraBytes);
        sqlBytes = s.FileBytes;
    }

    const double o = bench::Median(ours), t = bench::Median(theirs);
    std::printf("export: %ld rows x 8 columns shown in the grid, %.1f MB of cell text (median of %d runs)\n",
                rows, double(grid.Block->CellBytes()) / 1e6, runs);
    std::printf("  delimited file from the grid %8.1f ms  (%.1f MB)\n", o, double(ourBytes) / 1e6);
    std::printf("  server INTO OUTFILE          %8.1f ms  (%.1f MB, reference)\n", t,
                double(theirBytes) / 1e6);
    std::printf("  time ratio                   %8.2f     (goal <= 1.0)\n", o / t);
    std::printf("  extra memory while exporting %8.1f MB  (worst run; goal < 64)\n", double(extra) / 1e6);
    std::printf(
        "  SQL INSERT file from the grid%8.1f ms  (%.1f MB, %.2f x the server's time, %.1f MB extra)\n",
        bench::Median(sqlTimes), double(sqlBytes) / 1e6, bench::Median(sqlTimes) / t, double(sqlExtra) / 1e6);
    return 0;
}
