#pragma once
// The desktop's keyring (the Secret Service of GNOME and KDE, through libsecret), where a host's
// password is kept instead of the settings file when the host asks for it. Entries are found by the
// program and the host's key name; the host name, port and user are stored beside them so that the
// keyring's own tools show what an entry is for. Each call waits for the keyring's answer (an
// unlock prompt included). A password never goes into a message.

#include <string>

struct TKeyringEntry {
    std::string Name; // the host's key in the settings store
    std::string Host;
    std::string User;
    int Port = 0;
};

class TKeyring {
public:
    virtual ~TKeyring() = default;
    // Each returns empty on success, else why it failed ("no Secret Service answers: ...").
    virtual std::string Store(const TKeyringEntry& entry, const std::string& password) = 0;
    // `found` is false when the keyring holds no password for the name.
    virtual std::string Lookup(const std::string& name, std::string& password, bool& found) = 0;
    // Removing what is not there succeeds.
    virtual std::string Remove(const std::string& name) = 0;
};

// The session's Secret Service.
TKeyring& DesktopKeyring();
