#include "server/internal/Statements.h"

#include "server/internal/WaitPath.h"

#include <mysql.h>

bool Send(st_mysql* handle, std::string_view sql) {
    int ret = 1;
    const auto length = static_cast<unsigned long>(sql.size());
    Drive(
        handle, [&] { return mysql_real_query_start(&ret, handle, sql.data(), length); },
        [&](int events) { return mysql_real_query_cont(&ret, handle, events); });
    return ret == 0;
}

namespace {
constexpr unsigned RowsPerBreath = 256;
} // namespace

char** FetchRow(st_mysql_res* res, const std::function<void()>* beforeWait) {
    MYSQL* handle = res->handle;
    // A stored result has every row in memory already: nothing to wait for.
    if (!handle) return mysql_fetch_row(res);
    // Rows that are there already never make the library wait, and a fast server keeps them coming:
    // the window is looked after every so many rows all the same.
    static unsigned rowsSinceBreath = 0;
    if (++rowsSinceBreath == RowsPerBreath) {
        rowsSinceBreath = 0;
        Breathe(handle);
    }
    MYSQL_ROW row = nullptr;
    int status = mysql_fetch_row_start(&row, res);
    if (status != 0 && beforeWait) (*beforeWait)();
    while (status != 0)
        status = mysql_fetch_row_cont(&row, res, WaitRound(handle, status));
    return row;
}

bool ReadMoreResults(st_mysql* handle, const std::function<bool(st_mysql_res*)>& take) {
    while (mysql_more_results(handle)) {
        int status = -1;
        Drive(
            handle, [&] { return mysql_next_result_start(&status, handle); },
            [&](int events) { return mysql_next_result_cont(&status, handle, events); });
        if (status > 0) return false;
        if (status < 0) break;
        if (MYSQL_RES* res = mysql_use_result(handle)) {
            const bool taken = take(res);
            mysql_free_result(res);
            if (!taken) return false;
        }
        // A connection lost while the rows came in: the statement's outcome is unknown.
        if (mysql_errno(handle) != 0) return false;
    }
    return true;
}

bool DrainResults(st_mysql* handle) {
    return ReadMoreResults(handle, [](MYSQL_RES* res) {
        while (FetchRow(res)) {
        }
        return true;
    });
}

st_mysql_res* StoreResult(st_mysql* handle) {
    MYSQL_RES* res = nullptr;
    Drive(
        handle, [&] { return mysql_store_result_start(&res, handle); },
        [&](int events) { return mysql_store_result_cont(&res, handle, events); });
    return res;
}

bool SelectDatabase(st_mysql* handle, const std::string& name) {
    // The library answers 0 for success and non-zero (even positive) for failure.
    int ret = 1;
    Drive(
        handle, [&] { return mysql_select_db_start(&ret, handle, name.c_str()); },
        [&](int events) { return mysql_select_db_cont(&ret, handle, events); });
    return ret == 0;
}

namespace {

// A listing is an ordinary statement and its stored outcome (the library's listing calls have no
// non-blocking form).
st_mysql_res* Listing(st_mysql* handle, std::string_view sql) {
    return Send(handle, sql) ? StoreResult(handle) : nullptr;
}

} // namespace

// The pattern '%' matches every name. (The server's LIKE '' is not a reliable "everything": MariaDB
// drops information_schema from the databases for it.)
st_mysql_res* ListDatabases(st_mysql* handle) {
    return Listing(handle, "SHOW DATABASES LIKE '%'");
}

st_mysql_res* ListTables(st_mysql* handle) {
    return Listing(handle, "SHOW TABLES LIKE '%'");
}

st_mysql_res* ListProcesses(st_mysql* handle) {
    return Listing(handle, "SHOW PROCESSLIST");
}
