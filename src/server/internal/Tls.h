#pragma once
// The client library's TLS options for a handle, from a host's settings.

#include "server/TlsSettings.h"

#include <optional>
#include <string>

struct st_mysql;

// False when the library refuses an option.
bool ApplyTls(st_mysql* handle, const TTlsSettings& tls);
// While it lives, a connect in a mode that checks no certificate does not load the system's CA
// store: the library loads it (some 20 ms) whenever it has no CA file of its own, to check nothing
// with it. Points OpenSSL's default CA file at none for the connect.
class TUncheckedTlsConnect {
public:
    explicit TUncheckedTlsConnect(const TTlsSettings& tls);
    ~TUncheckedTlsConnect();
    TUncheckedTlsConnect(const TUncheckedTlsConnect&) = delete;
    TUncheckedTlsConnect& operator=(const TUncheckedTlsConnect&) = delete;

private:
    bool FSet = false;
    std::optional<std::string> FBefore;
};

// "TLSv1.3, TLS_AES_256_GCM_SHA384" for an encrypted connection, empty for a plain one.
std::string TlsDescription(st_mysql* handle);
