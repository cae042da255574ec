#pragma once
// The host list and the main window's placement, kept between runs in the per-user registry:
// placement values under "Software\Tarnvale\Korvana", one key per host under "...\Hosts" named by
// the host's friendly name, holding "host", "user", "password" (REG_SZ) and "port" (REG_DWORD).
//
// Read once from TfrmMain::FormCreate, written once from TfrmMain::FormDestroy; nothing in between.
// Neither function needs a window: the placement travels as a plain value.
//
//   FormCreate:  auto loaded = LoadHostList([&](std::unique_ptr<TMySql> host) { append a node });
//                apply loaded.Placement; if (!loaded.Error.empty()) show it in an error box.
//   FormDestroy: std::string error = SaveHostList(hosts in tree order, current bounds and state);
//                if (!error.empty()) show it in an error box.

#include "MySql.h"
#include "Registry.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Window states as stored in "state".
enum TStoredWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// What the load read of the placement. A value is set only when it was read: on a first start none
// is (the platform's own position and size stand); when a read fails midway, the values read before
// it are set and should be applied all the same. Applied as read, without a check against the screen.
struct TLoadedPlacement {
    std::optional<int> Width;
    std::optional<int> Height;
    std::optional<int> Left;
    std::optional<int> Top;
    std::optional<int> State; // a TStoredWindowState; a stored value outside 0..2 reads as wsNormal
};

struct THostListLoad {
    TLoadedPlacement Placement;
    // Empty when everything was read. Otherwise the message for the error box ("Failed to get data
    // for 'port'", "Invalid data type for 'state'", ...): the load stopped there; hosts handed on
    // before it stay, the host being read was dropped, and a placement failure means no hosts.
    std::string Error;
};

// The main window's bounds (outer frame, screen pixels) and state at the time of the save.
struct TFormPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int State = wsNormal;
};

// Called once per stored host, in the registry's enumeration order (case-insensitive alphabetical),
// with a new, unconnected connection object that now belongs to the callee. The callee appends its
// host node before the next host is read.
using THostSink = std::function<void(std::unique_ptr<TMySql>)>;

THostListLoad LoadHostList(const THostSink& onHost, TRegistryStore& store = TRegistryStore::Default());

// Writes every host (in tree order; of two hosts sharing a key the later one wins), releases them
// (closing open connections), removes the keys of hosts no longer in the list, then writes the
// placement. Takes the hosts over: they are gone when this returns, also after a failure.
// Returns empty, or the message for the error box ("Failed to set data for 'host'", ...) when a
// value could not be written; the rest of the save is then skipped. A host whose key cannot be
// made is skipped without a message. Nothing is written when there are no hosts and none was ever
// stored, not even the placement.
std::string SaveHostList(std::vector<std::unique_ptr<TMySql>> hosts, const TFormPlacement& placement,
                         TRegistryStore& store = TRegistryStore::Default());

// The key a friendly name is stored under. A registry key name cannot be empty or hold a backslash
// (it would split into nested keys, which the next load cannot read), nor a line break: such
// characters become "/" (backslash) or " " (control characters), and the empty name becomes
// "(unnamed)". The host then comes back under that name at the next start instead of being lost.
std::string HostKeyName(const std::string& name);
