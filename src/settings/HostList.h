#pragma once
// The host list and the main window's placement, kept between runs in the per-user registry:
// placement values under "Software\Tarnvale\Korvana", one key per host under "...\Hosts" named by
// the host's friendly name, holding "host", "user", "password" (REG_SZ) and "port" (REG_DWORD), and
// where they were set, the encryption's "tls mode", "tls ca", "tls cert" and "tls key" (REG_SZ), the
// SSH tunnel's "ssh host", "ssh user", "ssh key" (REG_SZ) and "ssh port" (REG_DWORD), and
// "keyring" (REG_DWORD 1: the password is in the desktop's keyring and "password" is empty).
//
// Read once when the main window is made, written once when it is destroyed; nothing in between.
// The save applies only what changed in this run (hosts created, changed, renamed or deleted, and
// the placement) to the file as it is on disk then, in one replacement under a lock: a host that
// was not loaded, or that another copy of the program stored meanwhile, stays as it is.
//
//   making the window:     THostList list; auto loaded = list.Load(append a node for each host);
//                          apply FitOnScreens(loaded.Placement); show loaded.Error if not empty.
//   destroying the window: std::string error = list.Save(hosts in tree order, bounds and state);
//                          show error if not empty.

#include "platform/Registry.h"
#include "server/MySql.h"
#include "settings/Keyring.h"
#include "settings/Placement.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct THostListLoad {
    TLoadedPlacement Placement;
    // Empty when everything was read. Otherwise the message for the error box ("Failed to get data
    // for 'port'", "Invalid data type for 'state'", "Cannot open file ..."): the load stopped
    // there; hosts handed on before it stay, the host being read was dropped, and a placement
    // failure means no hosts.
    std::string Error;
};

// Called once per stored host, in the registry's enumeration order (case-insensitive alphabetical),
// with a new, unconnected connection object that now belongs to the callee. The callee appends its
// host node before the next host is read.
using THostSink = std::function<void(std::unique_ptr<TMySql>)>;

// One run's host list: what was loaded at the start, against which the save at the end finds this
// run's changes.
class THostList {
public:
    explicit THostList(TRegistryStore& store = TRegistryStore::Default(),
                       TKeyring& keyring = DesktopKeyring());

    THostListLoad Load(const THostSink& onHost);

    // Brings this run's changes to the file: hosts (in tree order; of two hosts sharing a key the
    // later one wins) that are new or differ from what was loaded are written, the keys of loaded
    // hosts no longer in the list are removed, and the placement is written when the settings key
    // exists. Takes the hosts over and releases them (closing open connections) before it writes.
    // Returns empty, or the message for the error box; the file then stays as it was. Nothing is
    // written when there are no hosts and none was ever stored, not even the placement.
    // `lineNumbers`, when set, is written with the placement.
    std::string Save(std::vector<std::unique_ptr<TMySql>> hosts, const TFormPlacement& placement,
                     std::optional<bool> lineNumbers = std::nullopt);
    // After Save: empty, or what went wrong with the keyring, once, however many hosts it
    // concerned; those hosts' passwords were kept in the settings file instead, so none is lost.
    const std::string& KeyringTrouble() const { return FKeyringTrouble; }

    // Reads `host`'s password from the keyring into Password when it is kept there and not read yet.
    // Empty on success (also when the keyring holds none), else the reason.
    std::string ReadPassword(TMySql& host);

private:
    struct THostValues {
        std::string Key;
        std::string Host;
        std::string User;
        std::string Password;
        int Port = 0;
        TTlsSettings Tls;
        TSshSettings Ssh;
        bool Keyring = false;
        std::string Origin; // the key it was loaded under; empty for a host made in this run
    };
    const THostValues* LoadedOf(const std::string& key) const;
    // What the file gets for a host's password: the password (empty when the keyring holds it) and
    // the "keyring" flag.
    struct TFileSecret {
        std::string Password;
        bool Keyring = false;
    };
    // The keyring's part of saving `host` (as it is now, once loaded as `origin`, or new).
    TFileSecret KeyringStep(const THostValues& host, const THostValues* origin);

    TRegistryStore& FStore;
    TKeyring& FKeyring;
    std::string FKeyringTrouble;
    std::vector<THostValues> FLoaded; // as they were handed on, in load order
};

// The key a friendly name is stored under. A registry key name cannot be empty or hold a backslash
// (it would split into nested keys, which the next load cannot read), nor a line break: such
// characters become "/" (backslash) or " " (control characters), and the empty name becomes
// "(unnamed)". The host then comes back under that name at the next start instead of being lost.
std::string HostKeyName(const std::string& name);
