#include "server/internal/Tls.h"

#include <mysql.h>

#include <array>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::array<std::pair<TTlsMode, std::string_view>, 5> Names = {{
    {TTlsMode::Preferred, "preferred"},
    {TTlsMode::Required, "required"},
    {TTlsMode::VerifyCa, "verify-ca"},
    {TTlsMode::VerifyIdentity, "verify-identity"},
    {TTlsMode::Disabled, "disabled"},
}};

const char* OrNull(const std::string& s) {
    return s.empty() ? nullptr : s.c_str();
}

} // namespace

std::string_view TlsModeName(TTlsMode mode) {
    for (const auto& [m, name] : Names)
        if (m == mode) return name;
    return Names.front().second;
}

TTlsMode TlsModeFromName(std::string_view name) {
    for (const auto& [m, n] : Names)
        if (n == name) return m;
    return TTlsMode::Preferred;
}

bool ApplyTls(MYSQL* handle, const TTlsSettings& tls) {
    if (tls.Mode == TTlsMode::Disabled) return true;
    const bool verify = tls.Mode == TTlsMode::VerifyCa || tls.Mode == TTlsMode::VerifyIdentity;
    // The library checks the chain whenever it has a CA, so the CA goes only to the modes that ask
    // for the check: "required" encrypts without it, as the command-line clients' mode does.
    if (mysql_ssl_set(handle, OrNull(tls.Key), OrNull(tls.Cert), verify ? OrNull(tls.Ca) : nullptr, nullptr,
                      nullptr) != 0)
        return false;
    // The call above asks for TLS where the server offers it, plain otherwise: "preferred". Turning
    // the enforcement off again would turn TLS off altogether, so it is only ever turned on.
    if (tls.Mode != TTlsMode::Preferred) {
        const my_bool enforce = 1;
        if (mysql_optionsv(handle, MYSQL_OPT_SSL_ENFORCE, &enforce) != 0) return false;
    }
    const my_bool identity = tls.Mode == TTlsMode::VerifyIdentity ? 1 : 0;
    return mysql_optionsv(handle, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &identity) == 0;
}

TUncheckedTlsConnect::TUncheckedTlsConnect(const TTlsSettings& tls) {
    if (tls.Mode != TTlsMode::Preferred && tls.Mode != TTlsMode::Required) return;
    // The program's one thread connects; nothing else reads the variable meanwhile. A file the user
    // named is put back afterwards: these connections check nothing with it.
    if (const char* before = std::getenv("SSL_CERT_FILE")) FBefore = before;
    FSet = setenv("SSL_CERT_FILE", "/dev/null", 1) == 0;
}

TUncheckedTlsConnect::~TUncheckedTlsConnect() {
    if (!FSet) return;
    if (FBefore)
        setenv("SSL_CERT_FILE", FBefore->c_str(), 1);
    else
        unsetenv("SSL_CERT_FILE");
}

std::string TlsDescription(MYSQL* handle) {
    const char* cipher = handle ? mysql_get_ssl_cipher(handle) : nullptr;
    if (!cipher) return {};
    const char* version = nullptr;
    if (mariadb_get_infov(handle, MARIADB_CONNECTION_TLS_VERSION, &version) != 0 || !version) return cipher;
    return std::string(version) + ", " + cipher;
}
