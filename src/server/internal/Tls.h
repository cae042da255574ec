#pragma once
// The client library's TLS options for a handle, from a host's settings.

#include "server/TlsSettings.h"

#include <string>

struct st_mysql;

// False when the library refuses an option.
bool ApplyTls(st_mysql* handle, const TTlsSettings& tls);
// "TLSv1.3, TLS_AES_256_GCM_SHA384" for an encrypted connection, empty for a plain one.
std::string TlsDescription(st_mysql* handle);
