// Used by scripts/run: adds a host for the demo server to the settings when the host list is
// empty, so a first start shows something to connect to. Never touches a list that has hosts.
//
//   KORVANA_DEMO_PASSWORD=<password> korvana-demo-host <name> <host> <port> <user>
// The password comes from the environment: a command line is visible to every user of the machine.

#include "settings/HostList.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* password = std::getenv("KORVANA_DEMO_PASSWORD");
    if (argc != 5 || !password) {
        std::fprintf(stderr, "usage: KORVANA_DEMO_PASSWORD=<password> %s <name> <host> <port> <user>\n",
                     argv[0]);
        return 2;
    }
    char* end = nullptr;
    const long port = std::strtol(argv[3], &end, 10);
    if (*argv[3] == '\0' || *end != '\0' || port < 0 || port > 65535) {
        std::fprintf(stderr, "not a port number: %s\n", argv[3]);
        return 2;
    }
    TRegistryStore& store = TRegistryStore::Default();
    const std::string file = store.FileName().toLocal8Bit().toStdString();

    THostList list(store);
    std::vector<std::unique_ptr<TMySql>> hosts;
    const THostListLoad loaded =
        list.Load([&](std::unique_ptr<TMySql> host) { hosts.push_back(std::move(host)); });
    if (!loaded.Error.empty()) {
        // Hosts may be stored beyond the point where the load stopped: leave them alone.
        std::fprintf(stderr, "settings in %s not read (%s): left as they are\n", file.c_str(),
                     loaded.Error.c_str());
        return 0;
    }
    if (!hosts.empty()) {
        std::printf("host list not empty: left as it is (%s)\n", file.c_str());
        return 0;
    }

    auto demo = std::make_unique<TMySql>();
    demo->Name = argv[1];
    demo->Host = argv[2];
    demo->Port = static_cast<int>(port);
    demo->User = argv[4];
    demo->Password = password;
    hosts.push_back(std::move(demo));
    // The program reads the placement whenever its settings key exists, so a key made here needs
    // the placement too: the one stored, else the designed size somewhere near the top left.
    const TLoadedPlacement& p = loaded.Placement;
    const TFormPlacement placement = p.State ? TFormPlacement{*p.Left, *p.Top, *p.Width, *p.Height, *p.State}
                                             : TFormPlacement{60, 40, 772, 556, wsNormal};
    const std::string error = list.Save(std::move(hosts), placement);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("added host '%s' to %s\n", argv[1], file.c_str());
    return 0;
}
