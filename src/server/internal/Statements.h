#pragma once
// The calls that wait on the server for a statement and its stored outcome. The catalogue read and
// the commands go through these, so how the program waits on the server is decided in one place:
// each waits through the handle's waiter (ServerWait.h). The handle must come from TMySql, which
// prepares it for that.

#include <functional>
#include <string>
#include <string_view>

struct st_mysql;
struct st_mysql_res;

// Sends `sql` whole, with its length; true when the server accepted it.
bool Send(st_mysql* handle, std::string_view sql);

// The next row of `res`, waiting for it when the result is streamed; null at the end or on failure.
// `beforeWait` (may be null) is called when the row is not there yet, before the wait begins.
char** FetchRow(st_mysql_res* res, const std::function<void()>* beforeWait = nullptr);

// Reads and releases every further result of the statement just run (a procedure sends one for
// each statement of it that returns rows, then its own status), so the connection is ready for the
// next statement. False when one of them is an error; the library's last error tells which.
bool DrainResults(st_mysql* handle);
// The same, handing each further result that has fields to `take`, which reads its rows (the caller
// frees it). False as for DrainResults, or when `take` says its transfer failed.
bool ReadMoreResults(st_mysql* handle, const std::function<bool(st_mysql_res*)>& take);

// The whole outcome of the statement just sent, read at once; null when it has none or failed.
st_mysql_res* StoreResult(st_mysql* handle);

// Makes `name` the connection's current database; true on success.
bool SelectDatabase(st_mysql* handle, const std::string& name);

// The server's list of databases, of the current database's tables, or of its processes (stored;
// null on failure).
st_mysql_res* ListDatabases(st_mysql* handle);
st_mysql_res* ListTables(st_mysql* handle);
st_mysql_res* ListProcesses(st_mysql* handle);
