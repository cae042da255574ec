#pragma once
// A host reached through an SSH tunnel: the system's OpenSSH client forwards a loopback port to
// the host's server as the SSH server sees it, so ~/.ssh/config, known_hosts, ProxyJump and the
// agent work as they do in a terminal.

#include <string>

struct TSshSettings {
    std::string Host; // the SSH server (a name of ~/.ssh/config too); empty: no tunnel
    int Port = 0;     // 0: ssh's own choice (22, or the config's)
    std::string User; // empty: ssh's own choice
    std::string Key;  // a private key file; empty: ssh's own choice
    bool operator==(const TSshSettings&) const = default;
};
