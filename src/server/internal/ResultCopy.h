#pragma once
// Reading names out of a stored library result (no network I/O).

#include "server/ResultBlock.h"

#include <string>
#include <vector>

struct st_mysql_res;

// The column names of `res` in order; null has none.
std::vector<std::string> FieldNamesOf(st_mysql_res* res);

// What the server says of each column of `res`, in order; null has none.
std::vector<TColumnInfo> ColumnsOf(st_mysql_res* res);

// The first value of every row of a listing, in order (NULL as empty); the listing is freed.
// Null lists nothing.
std::vector<std::string> FirstColumnOf(st_mysql_res* listing);
