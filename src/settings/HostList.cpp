#include "settings/HostList.h"

#include <QFileInfo>

#include <algorithm>
#include <map>

namespace {

const std::string SettingsKey = "\\Software\\Tarnvale\\Korvana";
const std::string HostsKey = "\\Software\\Tarnvale\\Korvana\\Hosts";

// The registry path of one host's key.
std::string HostPath(const std::string& key) {
    std::string path = HostsKey;
    path += '\\';
    path += key;
    return path;
}

// Orders names as the registry compares key names, for finding a host by its key.
struct TKeyLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareKeyNames(a, b) < 0; }
};

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

THostList::THostList(TRegistryStore& store, TKeyring& keyring) : FStore(store), FKeyring(keyring) {}

const THostList::THostValues* THostList::LoadedOf(const std::string& key) const {
    if (key.empty()) return nullptr;
    for (const THostValues& v : FLoaded)
        if (v.Key == key) return &v;
    return nullptr;
}

std::string THostList::ReadPassword(TMySql& host) {
    if (!host.PasswordInKeyring || !host.Password.empty()) return {};
    // Not stored yet (made or switched in this run): nothing to read.
    const THostValues* origin = LoadedOf(host.StoredKey);
    if (!origin || !origin->Keyring) return {};
    bool found = false;
    std::string password;
    std::string error = FKeyring.Lookup(origin->Key, password, found);
    if (error.empty() && found) host.Password = std::move(password);
    return error;
}

THostList::TFileSecret THostList::KeyringStep(const THostValues& host, const THostValues* origin) {
    const bool had = origin && origin->Keyring;
    std::string password = host.Password;
    // A password kept in the keyring and neither read nor typed in this run is not known here.
    if (had && password.empty()) {
        bool found = false;
        if (std::string trouble = FKeyring.Lookup(origin->Key, password, found); !trouble.empty()) {
            // It stays where it is, and the host keeps looking for it there.
            if (FKeyringTrouble.empty()) FKeyringTrouble = std::move(trouble);
            return {{}, true};
        }
    }
    std::string trouble;
    if (host.Keyring) {
        trouble = FKeyring.Store({host.Key, host.Host, host.User, host.Port}, password);
        if (trouble.empty()) {
            if (had && origin->Key != host.Key) FKeyring.Remove(origin->Key);
            return {{}, true};
        }
    } else if (had) {
        trouble = FKeyring.Remove(origin->Key);
    }
    if (!trouble.empty() && FKeyringTrouble.empty()) FKeyringTrouble = std::move(trouble);
    // Kept in the file as before the keyring was asked for, so nothing is lost.
    return {password, host.Keyring};
}

THostListLoad THostList::Load(const THostSink& onHost) {
    THostListLoad out;
    FLoaded.clear();
    out.Error = FStore.ReadError();
    if (!out.Error.empty()) return out;
    TRegistry reg(FStore);
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
            // Not a designed value: an unreadable one must not cost the host list.
            try {
                if (reg.ValueExists("lineNumbers")) p.LineNumbers = reg.ReadInteger("lineNumbers") != 0;
            } catch (const ERegistryException&) {
                p.LineNumbers.reset();
            }
            try {
                if (reg.ValueExists("result memory"))
                    p.ResultMemoryMB = static_cast<std::uint32_t>(reg.ReadInteger("result memory"));
            } catch (const ERegistryException&) {
                p.ResultMemoryMB.reset();
            }
            reg.CloseKey();
        }
        if (!reg.OpenKey(HostsKey, false)) return out;
        for (const std::string& name : reg.GetKeyNames()) {
            auto host = std::make_unique<TMySql>();
            // Gone since it was listed (cannot happen with one user); the reads below then fail
            // as they would on an empty key.
            reg.OpenKey(HostPath(name), false);
            host->Name = name;
            host->StoredKey = name;
            host->Host = reg.ReadString("host");
            host->User = reg.ReadString("user");
            host->Password = reg.ReadString("password");
            host->Port = reg.ReadInteger("port");
            // Missing in a store of an older build: the defaults.
            host->Tls.Mode = TlsModeFromName(reg.ReadString("tls mode"));
            host->Tls.Ca = reg.ReadString("tls ca");
            host->Tls.Cert = reg.ReadString("tls cert");
            host->Tls.Key = reg.ReadString("tls key");
            host->Ssh.Host = reg.ReadString("ssh host");
            host->Ssh.Port = reg.ValueExists("ssh port") ? reg.ReadInteger("ssh port") : 0;
            host->Ssh.User = reg.ReadString("ssh user");
            host->Ssh.Key = reg.ReadString("ssh key");
            host->PasswordInKeyring = reg.ValueExists("keyring") && reg.ReadInteger("keyring") != 0;
            FLoaded.push_back({name, host->Host, host->User, host->Password, host->Port, host->Tls, host->Ssh,
                               host->PasswordInKeyring, name});
            onHost(std::move(host));
            reg.CloseKey();
        }
    } catch (const ERegistryException& e) {
        out.Error = e.what();
    }
    return out;
}

std::string THostList::Save(std::vector<std::unique_ptr<TMySql>> hosts, const TFormPlacement& placement,
                            std::optional<bool> lineNumbers) {
    // The list as it stands, one entry a key; of two hosts sharing a key the later one's values.
    std::vector<THostValues> now;
    std::map<std::string, std::size_t, TKeyLess> nowByKey;
    for (const auto& host : hosts) {
        THostValues values{HostKeyName(host->Name),
                           host->Host,
                           host->User,
                           host->Password,
                           host->Port,
                           host->Tls,
                           host->Ssh,
                           host->PasswordInKeyring,
                           host->StoredKey};
        const auto [at, added] = nowByKey.emplace(values.Key, now.size());
        if (added) {
            now.push_back(std::move(values));
        } else {
            values.Key = now[at->second].Key;
            now[at->second] = std::move(values);
        }
    }
    hosts.clear(); // closes open connections; only the copied values are used below

    std::map<std::string, const THostValues*, TKeyLess> loadedByKey;
    for (const THostValues& host : FLoaded)
        loadedByKey.emplace(host.Key, &host);
    std::vector<const THostValues*> written; // created, renamed or changed in this run
    for (const THostValues& host : now) {
        const auto loaded = loadedByKey.find(host.Key);
        if (loaded == loadedByKey.end() || loaded->second->Host != host.Host ||
            loaded->second->User != host.User || loaded->second->Password != host.Password ||
            loaded->second->Port != host.Port || loaded->second->Tls != host.Tls ||
            loaded->second->Ssh != host.Ssh || loaded->second->Keyring != host.Keyring)
            written.push_back(&host);
    }
    // The keyring first: what it cannot take goes into the file.
    FKeyringTrouble.clear();
    std::map<const THostValues*, TFileSecret> secrets;
    for (const THostValues* host : written)
        secrets[host] = KeyringStep(*host, LoadedOf(host->Origin));
    std::vector<std::string> removed; // deleted or renamed away in this run
    for (const THostValues& host : FLoaded)
        if (!nowByKey.contains(host.Key)) removed.push_back(host.Key);
    // A deleted host's keyring entry goes with it; a renamed one's moved with its step above.
    for (const THostValues& host : FLoaded) {
        const bool stillHeld =
            std::any_of(now.begin(), now.end(), [&](const THostValues& n) { return n.Origin == host.Key; });
        if (host.Keyring && !stillHeld) FKeyring.Remove(host.Key);
    }

    // A first run that made no host leaves no trace, not even the placement.
    if (written.empty() && removed.empty() && !QFileInfo::exists(FStore.FileName())) return {};

    try {
        FStore.Update([&] {
            TRegistry reg(FStore);
            for (const THostValues* host : written) {
                // A key that cannot be made is skipped, as the registry would skip it.
                if (!reg.OpenKey(HostPath(host->Key), true)) continue;
                reg.WriteString("host", host->Host);
                reg.WriteString("user", host->User);
                const TFileSecret& secret = secrets[host];
                reg.WriteString("password", secret.Password);
                reg.WriteInteger("port", host->Port);
                // Only what was set, so a store without them stays as an older build wrote it.
                const auto writeSet = [&reg](const char* name, std::string_view value, bool set) {
                    if (set || reg.ValueExists(name)) reg.WriteString(name, std::string(value));
                };
                writeSet("tls mode", TlsModeName(host->Tls.Mode), host->Tls.Mode != TTlsMode::Preferred);
                writeSet("tls ca", host->Tls.Ca, !host->Tls.Ca.empty());
                writeSet("tls cert", host->Tls.Cert, !host->Tls.Cert.empty());
                writeSet("tls key", host->Tls.Key, !host->Tls.Key.empty());
                writeSet("ssh host", host->Ssh.Host, !host->Ssh.Host.empty());
                if (host->Ssh.Port != 0 || reg.ValueExists("ssh port"))
                    reg.WriteInteger("ssh port", host->Ssh.Port);
                writeSet("ssh user", host->Ssh.User, !host->Ssh.User.empty());
                writeSet("ssh key", host->Ssh.Key, !host->Ssh.Key.empty());
                if (secret.Keyring || reg.ValueExists("keyring"))
                    reg.WriteInteger("keyring", secret.Keyring ? 1 : 0);
            }
            for (const std::string& key : removed)
                reg.DeleteKey(HostPath(key));
            if (reg.OpenKey(SettingsKey, false)) {
                reg.WriteInteger("width", placement.Width);
                reg.WriteInteger("height", placement.Height);
                reg.WriteInteger("left", placement.Left);
                reg.WriteInteger("top", placement.Top);
                reg.WriteInteger("state", placement.State);
                if (lineNumbers) reg.WriteInteger("lineNumbers", *lineNumbers ? 1 : 0);
            }
        });
    } catch (const ERegistryException& e) {
        return e.what();
    }
    FLoaded = std::move(now);
    return {};
}
