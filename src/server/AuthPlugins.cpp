#include "server/internal/AuthPlugins.h"

#include <mysql.h>

void AllowOnlyHashedPasswords(MYSQL* handle) {
    // sha256_password and caching_sha2_password encrypt the password with the server's RSA key
    // when the connection itself is not encrypted; the other two never send it at all.
    static const char allowed[] =
        "mysql_native_password,client_ed25519,caching_sha2_password,sha256_password";
    mysql_optionsv(handle, MARIADB_OPT_RESTRICTED_AUTH, allowed);
    const my_bool clearText = 0;
    mysql_optionsv(handle, MYSQL_ENABLE_CLEARTEXT_PLUGIN, &clearText);
}
