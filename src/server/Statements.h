#pragma once
// Sending a statement on a connection handle, and clearing what the server sends after its result.

#include <string_view>

struct st_mysql;

// Sends `sql` whole, with its length; true when the server accepted it.
bool Send(st_mysql* handle, std::string_view sql);

// Reads and releases every further result of the statement just run (a procedure sends one for
// each statement of it that returns rows, then its own status), so the connection is ready for the
// next statement. False when one of them is an error; the library's last error tells which.
bool DrainResults(st_mysql* handle);
