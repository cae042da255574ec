#include "HostList.h"

#include <algorithm>

namespace {

const std::string SettingsKey = "Software\\Tarnvale\\Korvana";
const std::string HostsKey = "Software\\Tarnvale\\Korvana\\Hosts";

} // namespace

std::string HostKeyName(const std::string& name) {
    if (name.empty()) return "(unnamed)";
    std::string key = name;
    for (char& c : key) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            c = '/';
        else if (u < 0x20 || u == 0x7f)
            c = ' ';
    }
    return key;
}

THostListLoad LoadHostList(const THostSink& onHost, TRegistryStore& store) {
    THostListLoad out;
    TRegistry reg(store);
    try {
        if (reg.OpenKey(SettingsKey, false)) {
            TLoadedPlacement& p = out.Placement;
            p.Width = reg.ReadInteger("width");
            p.Height = reg.ReadInteger("height");
            p.Left = reg.ReadInteger("left");
            p.Top = reg.ReadInteger("top");
            const int state = reg.ReadInteger("state");
            // Anything else is no window state; it would make the window unusable.
            p.State = state >= wsNormal && state <= wsMaximized ? state : wsNormal;
            reg.CloseKey();
        }
        if (!reg.OpenKey(HostsKey, false)) return out;
        for (const std::string& name : reg.GetKeyNames()) {
            auto host = std::make_unique<TMySql>();
            reg.CloseKey();
            // Gone since it was listed (cannot happen with one user); the reads below then fail
            // as they would on an empty key.
            reg.OpenKey(HostsKey + '\\' + name, false);
            host->Name = name;
            host->Host = reg.ReadString("host");
            host->User = reg.ReadString("user");
            host->Password = reg.ReadString("password");
            host->Port = reg.ReadInteger("port");
            onHost(std::move(host));
            reg.CloseKey();
        }
    } catch (const ERegistryException& e) {
        out.Error = e.what();
    }
    return out;
}

std::string SaveHostList(std::vector<std::unique_ptr<TMySql>> hosts, const TFormPlacement& placement,
                         TRegistryStore& store) {
    TRegistry reg(store);
    try {
        std::vector<std::string> written;
        for (const auto& host : hosts) {
            const std::string key = HostKeyName(host->Name);
            reg.CloseKey();
            if (reg.OpenKey(HostsKey + '\\' + key, true)) {
                reg.WriteString("host", host->Host);
                reg.WriteString("user", host->User);
                reg.WriteString("password", host->Password);
                reg.WriteInteger("port", host->Port);
                reg.CloseKey();
            }
            written.push_back(key);
        }

        hosts.clear(); // closes open connections; nothing below touches them

        std::vector<std::string> stored;
        if (reg.OpenKey(HostsKey, false)) {
            stored = reg.GetKeyNames();
            reg.CloseKey();
        }
        for (const std::string& name : stored) {
            auto match = std::find_if(written.begin(), written.end(),
                                      [&](const std::string& w) { return SameKeyName(w, name); });
            if (match != written.end())
                written.erase(match);
            else
                reg.DeleteKey(HostsKey + '\\' + name);
        }

        if (reg.OpenKey(SettingsKey, false)) {
            reg.WriteInteger("width", placement.Width);
            reg.WriteInteger("height", placement.Height);
            reg.WriteInteger("left", placement.Left);
            reg.WriteInteger("top", placement.Top);
            reg.WriteInteger("state", placement.State);
            reg.CloseKey();
        }
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return {};
}
