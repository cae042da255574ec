// Run SQL file through the real window on a mariadb-dump of a large table, against the mariadb
// command-line client reading the same dump (`mariadb db < dump.sql`) on the same server in the
// same run, runs taken in turns: the median time of each and their ratio, and beside them the peak
// memory of each (for the window, the growth of the process's peak resident size during the run)
// against the dump's size and its longest statement; then the peak memory of running one statement
// of 48 MB.
//   run_sql_file [rows] [runs]

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "sql/ScriptReader.h"

#include "workbench/window/main.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* LoadDatabase = "korvana_bench_load";

// The dump of the big table, as a user makes it; ends the process when the tool fails.
void Dump(const bench::Login& login, const QString& path) {
    QProcess dump;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MYSQL_PWD"), QString::fromStdString(login.Password));
    dump.setProcessEnvironment(env);
    dump.setStandardOutputFile(path);
    dump.start(QStringLiteral("mariadb-dump"),
               {QStringLiteral("--no-defaults"), QStringLiteral("--protocol=tcp"),
                QStringLiteral("--host=") + QString::fromStdString(login.Host),
                QStringLiteral("--port=") + QString::number(login.Port),
                QStringLiteral("--user=") + QString::fromStdString(login.User),
                QStringLiteral("korvana_bench"), QStringLiteral("big")});
    if (!dump.waitForFinished(-1) || dump.exitCode() != 0) {
        std::fprintf(stderr, "mariadb-dump failed: %s\n", dump.readAllStandardError().constData());
        std::exit(1);
    }
}

// The longest statement of the file, as Run SQL file reads it.
qint64 LongestStatement(const QString& path) {
    TScriptReader reader(std::make_unique<QFile>(path));
    std::size_t longest = 0;
    while (reader.Next())
        longest = std::max(longest, reader.Statement().size());
    return static_cast<qint64>(longest);
}

long RowsLoaded(TMySql& m) {
    TResult* r = m.Execute(std::string("SELECT COUNT(*) FROM ") + LoadDatabase + ".big");
    return r->Rows.Count() == 1 ? std::atol(std::string(r->Rows.Items(0).Values(0)).c_str()) : -1;
}

double Mb(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    const bench::Login login = bench::SandboxLogin();
    auto admin = bench::Connect(login);
    bench::EnsureBigTable(*admin, rows);
    admin->Execute(std::string("CREATE DATABASE IF NOT EXISTS ") + LoadDatabase);

    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dump.sql"));
    Dump(login, path);
    const qint64 dumpBytes = QFileInfo(path).size();
    const qint64 longest = LongestStatement(path);

    bench::TBenchWindow bw(login, "");
    TfrmMain& w = bw.Window();
    bw.Host().Execute(std::string("USE ") + LoadDatabase);
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();

    std::vector<double> ours, client;
    std::size_t ourPeak = 0, clientPeak = 0;
    for (int i = 0; i < runs; ++i) {
        std::size_t peak = 0;
        client.push_back(bench::ClientScriptMilliseconds(login, LoadDatabase, path.toStdString(), peak));
        clientPeak = std::max(clientPeak, peak);
        if (RowsLoaded(*admin) != rows) {
            std::fprintf(stderr, "the client loaded %ld rows, not %ld\n", RowsLoaded(*admin), rows);
            return 1;
        }
        admin->Execute(std::string("DROP TABLE ") + LoadDatabase + ".big");

        malloc_trim(0);
        const std::size_t before = bench::ResidentBytes();
        bench::ResetPeak();
        bw.Dialogs().AnswerFile(path);
        const double t0 = bench::NowMs();
        Ui(w).mnuRunSqlFile->trigger();
        ours.push_back(bench::NowMs() - t0);
        ourPeak = std::max(ourPeak, bench::PeakResidentBytes() - before);
        const std::string status = w.StatusText().toStdString();
        if (RowsLoaded(*admin) != rows || status.find("Error") != std::string::npos) {
            std::fprintf(stderr, "Run SQL file loaded %ld rows, not %ld: %s\n", RowsLoaded(*admin), rows,
                         status.c_str());
            return 1;
        }
        admin->Execute(std::string("DROP TABLE ") + LoadDatabase + ".big");
    }

    // One statement of 48 MB, most of the server's max_allowed_packet of the sandbox: what it costs
    // beyond its own size.
    const QString longPath = dir.filePath(QStringLiteral("long.sql"));
    const qint64 longBytes = qint64{48} << 20;
    {
        QFile f(longPath);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write("CREATE TABLE long_value (v LONGTEXT);\nINSERT INTO long_value VALUES ('");
        const QByteArray line = QByteArray(1023, 'x') + '\n';
        for (qint64 written = 0; written < longBytes; written += line.size())
            f.write(line);
        f.write("');\n");
    }
    malloc_trim(0);
    const std::size_t before = bench::ResidentBytes();
    bench::ResetPeak();
    bw.Dialogs().AnswerFile(longPath);
    Ui(w).mnuRunSqlFile->trigger();
    const std::size_t longPeak = bench::PeakResidentBytes() - before;
    const std::string longStatus = w.StatusText().toStdString();
    admin->Execute(std::string("DROP DATABASE ") + LoadDatabase);

    const double t = bench::Median(ours), c = bench::Median(client);
    std::printf(
        "run_sql_file: mariadb-dump of %ld rows, %.1f MB, longest statement %.2f MB (median of %d runs)\n",
        rows, Mb(double(dumpBytes)), Mb(double(longest)), runs);
    std::printf("  Run SQL file          %8.1f ms   peak memory +%.1f MB (growth of the process)\n", t,
                Mb(double(ourPeak)));
    std::printf("  mariadb < dump.sql    %8.1f ms   peak memory  %.1f MB (the whole client)   (reference)\n",
                c, Mb(double(clientPeak)));
    std::printf("  time ratio            %8.2f      (goal <= 1.2)\n", t / c);
    std::printf(
        "  one statement of %.0f MB: peak memory +%.1f MB, %.1f MB beyond the statement (goal < 64): %s\n",
        Mb(double(longBytes)), Mb(double(longPeak)), Mb(double(longPeak) - double(longBytes)),
        longStatus.c_str());
    return 0;
}
