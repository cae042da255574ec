#pragma once
// The words a server reserves: those it will not read as a bare table or column name.

#include <string>
#include <vector>

struct st_mysql;

// Asks the connected server which of the keywords it lists (information_schema.KEYWORDS) it
// reserves: upper case, sorted. Empty when the server does not list them or the question fails, so
// the caller keeps its own list. Leaves no database selected that was not, and no result pending.
std::vector<std::string> ReadReservedWords(st_mysql* handle);
