#pragma once
// How a host's connection is encrypted: the mode asked for and the files it uses.

#include <string>
#include <string_view>

enum class TTlsMode {
    Preferred,      // TLS when the server offers it, plain otherwise
    Required,       // TLS or no connection; the certificate is not checked
    VerifyCa,       // TLS, and the server's certificate must chain to the CA file
    VerifyIdentity, // as VerifyCa, and the certificate must name the host
    Disabled,       // never TLS
};

struct TTlsSettings {
    TTlsMode Mode = TTlsMode::Preferred;
    std::string Ca;   // the CA bundle the verifying modes check the server's certificate against
    std::string Cert; // a client certificate and its key, for servers that ask for one
    std::string Key;
    bool operator==(const TTlsSettings&) const = default;
};

// The stored name of a mode: "preferred", "required", "verify-ca", "verify-identity", "disabled".
std::string_view TlsModeName(TTlsMode mode);
// The mode a stored name stands for; a missing or unknown name is Preferred, the default.
TTlsMode TlsModeFromName(std::string_view name);
