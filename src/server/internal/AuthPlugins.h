#pragma once
// Which authentication methods a connection may use: only those that never put the password on
// the wire in clear text, whatever the server asks for.

typedef struct st_mysql MYSQL;

// Restricts the handle, before it connects, to the hashing and key-exchange methods. A server that
// insists on a clear-text method (clear password, the question-and-answer dialog of PAM logins)
// is refused by the library before the password leaves this process.
void AllowOnlyHashedPasswords(MYSQL* handle);
