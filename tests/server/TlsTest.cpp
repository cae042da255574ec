// Encrypted connections against a real TLS server (tests/support/tls-server) and the plain sandbox:
// each mode connects where it should, is encrypted where it should be, as the server itself tells
// (Ssl_cipher), and fails with the library's message where the certificate or the server does not
// fit; a login that requires a client certificate gets in only with one.

#include "Sandbox.h"
#include "server/MySql.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) throw std::runtime_error(std::string(name) + " is not set: run the test through ctest");
    return v;
}

struct TTarget {
    bool Tls; // the TLS server, or the plain sandbox
    const char* Address = "127.0.0.1";
    const char* User = "korvana";
};

std::unique_ptr<TMySql> Host(const TTarget& t, TTlsSettings tls) {
    const std::string certs = Env("KORVANA_TLS_CERTS");
    auto m = std::make_unique<TMySql>();
    m->Host = t.Address;
    m->Port = t.Tls ? std::atoi(Env("KORVANA_TLS_PORT").c_str()) : Sandbox().Port;
    m->User = t.User;
    m->Password = "korvana-sandbox";
    for (std::string* file : {&tls.Ca, &tls.Cert, &tls.Key})
        if (!file->empty()) *file = certs + "/" + *file;
    m->Tls = std::move(tls);
    return m;
}

TTlsSettings Tls(TTlsMode mode, const char* ca = "", const char* cert = "", const char* key = "") {
    return {mode, ca, cert, key};
}

std::string Cipher(TMySql& m) {
    TResult* r = m.Execute("SHOW SESSION STATUS LIKE 'Ssl_cipher'");
    return r->Rows.Count() == 1 ? std::string(r->Rows.Items(0).Values(1)) : "(no answer)";
}

TEST(Tls, EachModeConnectsEncryptedWhereItShouldAndFailsWhereItShould) {
    using M = TTlsMode;
    struct Case {
        const char* what;
        TTarget target;
        TTlsSettings tls;
        bool connects;
        bool encrypted;
    };
    const TTarget tls{true}, plain{false}, otherName{true, "127.0.0.2"},
        x509{true, "127.0.0.1", "korvana_x509"};
    const Case cases[] = {
        {"preferred, TLS server", tls, Tls(M::Preferred), true, true},
        {"preferred, plain server: in clear", plain, Tls(M::Preferred), true, false},
        {"required, TLS server", tls, Tls(M::Required), true, true},
        {"required, plain server", plain, Tls(M::Required), false, false},
        {"required ignores the CA", tls, Tls(M::Required, "other-ca.pem"), true, true},
        {"verify-ca, the right CA", tls, Tls(M::VerifyCa, "ca.pem"), true, true},
        {"verify-ca, another CA", tls, Tls(M::VerifyCa, "other-ca.pem"), false, false},
        {"verify-ca, a name the certificate lacks", otherName, Tls(M::VerifyCa, "ca.pem"), true, true},
        {"verify-identity, the certificate's name", tls, Tls(M::VerifyIdentity, "ca.pem"), true, true},
        {"verify-identity, another name", otherName, Tls(M::VerifyIdentity, "ca.pem"), false, false},
        {"disabled, a server that requires TLS", tls, Tls(M::Disabled), false, false},
        {"disabled, plain server", plain, Tls(M::Disabled), true, false},
        {"client certificate required, none shown", x509, Tls(M::Required), false, false},
        {"client certificate required and shown", x509, Tls(M::Required, "", "client.pem", "client-key.pem"),
         true, true},
    };
    // A CA file of the user's own is left as it was, and a mode that checks nothing does not need it.
    setenv("SSL_CERT_FILE", "/nonexistent/user-ca.pem", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto m = Host(c.target, c.tls);
        const bool connected = m->Connect();
        EXPECT_STREQ(std::getenv("SSL_CERT_FILE"), "/nonexistent/user-ca.pem");
        EXPECT_EQ(connected, c.connects) << m->ErrorText();
        if (!connected) {
            EXPECT_FALSE(m->ErrorText().empty());
            EXPECT_FALSE(m->IsAlive());
            continue;
        }
        EXPECT_EQ(!m->Encryption().empty(), c.encrypted) << m->Encryption();
        EXPECT_EQ(!Cipher(*m).empty(), c.encrypted);
        if (c.encrypted) {
            EXPECT_NE(m->Encryption().find(Cipher(*m)), std::string::npos) << m->Encryption();
        }
    }
}

TEST(Tls, AVerifyingModeWithoutACaFileIsRefusedNotLeftUnchecked) {
    for (const TTlsMode mode : {TTlsMode::VerifyCa, TTlsMode::VerifyIdentity}) {
        auto m = Host({true}, Tls(mode));
        EXPECT_FALSE(m->Connect());
        EXPECT_EQ(m->ErrorText(), "The server's certificate cannot be checked: no CA file is set");
    }
}

TEST(Tls, ModesKeepTheirStoredNames) {
    for (const auto& [mode, name] : {std::pair{TTlsMode::Preferred, "preferred"},
                                     {TTlsMode::Required, "required"},
                                     {TTlsMode::VerifyCa, "verify-ca"},
                                     {TTlsMode::VerifyIdentity, "verify-identity"},
                                     {TTlsMode::Disabled, "disabled"}}) {
        EXPECT_EQ(TlsModeName(mode), name);
        EXPECT_EQ(TlsModeFromName(name), mode);
    }
    EXPECT_EQ(TlsModeFromName(""), TTlsMode::Preferred);
    EXPECT_EQ(TlsModeFromName("VERIFY-CA"), TTlsMode::Preferred) << "stored names are exact";
}

} // namespace
