#include "settings/Keyring.h"

#include <libsecret/secret.h>

namespace {

const SecretSchema& Schema() {
    static const SecretSchema schema = {"org.tarnvale.Korvana.Host",
                                        SECRET_SCHEMA_NONE,
                                        {{"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"name", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER},
                                         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return schema;
}

constexpr const char* Application = "korvana";

// The reason of a failed call, and the error freed.
std::string Reason(GError* error) {
    if (!error) return {};
    std::string text = error->message ? error->message : "the keyring failed";
    g_error_free(error);
    return "the desktop keyring did not answer: " + text;
}

class TSecretService : public TKeyring {
public:
    std::string Store(const TKeyringEntry& e, const std::string& password) override {
        GError* error = nullptr;
        const std::string label = "Korvana: " + e.Name;
        secret_password_store_sync(&Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                   nullptr, &error, "application", Application, "name", e.Name.c_str(),
                                   "host", e.Host.c_str(), "port", e.Port, "user", e.User.c_str(), nullptr);
        return Reason(error);
    }

    std::string Lookup(const std::string& name, std::string& password, bool& found) override {
        GError* error = nullptr;
        gchar* secret = secret_password_lookup_sync(&Schema(), nullptr, &error, "application", Application,
                                                    "name", name.c_str(), nullptr);
        found = secret != nullptr;
        password = secret ? secret : "";
        if (secret) secret_password_free(secret);
        return Reason(error);
    }

    std::string Remove(const std::string& name) override {
        GError* error = nullptr;
        secret_password_clear_sync(&Schema(), nullptr, &error, "application", Application, "name",
                                   name.c_str(), nullptr);
        return Reason(error);
    }
};

} // namespace

TKeyring& DesktopKeyring() {
    static TSecretService service;
    return service;
}
