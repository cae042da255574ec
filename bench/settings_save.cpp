// The exit save of a long host list, against writing the same bytes with one plain write, fsync
// and rename in the same run (medians). Two saves are timed: a list whose hosts are all new, and
// the usual exit of a run that loaded the list and changed one host.
//   settings_save [hosts] [runs]

#include "BenchSupport.h"
#include "settings/HostList.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::unique_ptr<TMySql>> MakeHosts(int count) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    for (int i = 0; i < count; ++i) {
        auto h = std::make_unique<TMySql>();
        h->Name = "server " + std::to_string(i) + " of the cluster";
        h->Host = "db" + std::to_string(i) + ".example.org";
        h->User = "admin";
        h->Password = "secret \"" + std::to_string(i * 7919) + "\" \\ pass";
        h->Port = 3306 + i % 4;
        hosts.push_back(std::move(h));
    }
    return hosts;
}

// The floor any save has to pay: the same bytes, written and made durable once.
double PlainWriteMs(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = target + ".plain";
    const double t0 = bench::NowMs();
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) != bytes.size() ||
        ::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.constData(), target.constData()) != 0) {
        std::fprintf(stderr, "plain write failed\n");
        std::exit(1);
    }
    return bench::NowMs() - t0;
}

// Milliseconds of one save; a failed save ends the benchmark.
double TimedSave(THostList& list, std::vector<std::unique_ptr<TMySql>> hosts,
                 const TFormPlacement& placement) {
    const double t0 = bench::NowMs();
    const std::string error = list.Save(std::move(hosts), placement);
    const double ms = bench::NowMs() - t0;
    if (!error.empty()) {
        std::fprintf(stderr, "save failed: %s\n", error.c_str());
        std::exit(1);
    }
    return ms;
}

void Report(const char* what, double ms, double reference) {
    std::printf("%-32s %8.2f ms   plain write+fsync+rename %6.2f ms   ratio %5.1fx\n", what, ms, reference,
                ms / reference);
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
    QTemporaryDir dir;
    const QString path = dir.path() + "/Tarnvale/Korvana.reg";
    const TFormPlacement placement{60, 40, 772, 556, wsNormal};

    std::vector<double> fresh;
    for (int r = 0; r < runs; ++r) {
        QFile::remove(path);
        TRegistryStore store(path);
        THostList list(store);
        list.Load([](std::unique_ptr<TMySql>) {});
        fresh.push_back(TimedSave(list, MakeHosts(count), placement));
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QByteArray bytes = file.readAll();
    file.close();

    std::vector<double> exits;
    for (int r = 0; r < runs; ++r) {
        TRegistryStore store(path);
        THostList list(store);
        std::vector<std::unique_ptr<TMySql>> hosts;
        list.Load([&](std::unique_ptr<TMySql> h) { hosts.push_back(std::move(h)); });
        hosts[static_cast<std::size_t>(r) % hosts.size()]->Port += 1;
        exits.push_back(TimedSave(list, std::move(hosts), placement));
    }

    std::vector<double> plain;
    for (int r = 0; r < runs; ++r)
        plain.push_back(PlainWriteMs(dir.path() + "/plain.reg", bytes));
    const double reference = bench::Median(plain);

    std::printf(
        "settings_save: %d hosts, %lld bytes, median of %d runs (goal: under 100 ms for 1,000 hosts)\n",
        count, static_cast<long long>(bytes.size()), runs);
    Report("save of a list of new hosts", bench::Median(fresh), reference);
    Report("exit save, one host changed", bench::Median(exits), reference);
    return 0;
}
