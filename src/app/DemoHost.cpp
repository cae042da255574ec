// Used by scripts/run: adds a host for the demo server to the settings when the host list is
// empty, so a first start shows something to connect to. Never touches a list that has hosts.
//
//   korvana-demo-host <name> <host> <port> <user> <password>

#include "Registry.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s <name> <host> <port> <user> <password>\n", argv[0]);
        return 2;
    }
    const std::string name = argv[1];
    const std::string settings = "\\Software\\Tarnvale\\Korvana";
    try {
        TRegistryStore& store = TRegistryStore::Default();
        TRegistry reg(store);
        if (reg.OpenKey(settings + "\\Hosts", false) && !reg.GetKeyNames().empty()) {
            std::printf("host list not empty: left as it is (%s)\n",
                        store.FileName().toLocal8Bit().constData());
            return 0;
        }
        if (!reg.OpenKey(settings + "\\Hosts\\" + name, true)) {
            std::fprintf(stderr, "cannot create the host key in %s\n",
                         store.FileName().toLocal8Bit().constData());
            return 1;
        }
        reg.WriteString("host", argv[2]);
        reg.WriteString("user", argv[4]);
        reg.WriteString("password", argv[5]);
        reg.WriteInteger("port", std::stoi(argv[3]));
        // The program reads the placement whenever its settings key exists, so a key made here
        // needs the placement too: the designed size, somewhere near the top left.
        if (!reg.OpenKey(settings, false)) return 1;
        if (!reg.ValueExists("width")) {
            reg.WriteInteger("width", 772);
            reg.WriteInteger("height", 556);
            reg.WriteInteger("left", 60);
            reg.WriteInteger("top", 40);
            reg.WriteInteger("state", 0);
        }
        std::printf("added host '%s' to %s\n", name.c_str(), store.FileName().toLocal8Bit().constData());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
