#include "Statements.h"

#include <mysql.h>

bool Send(st_mysql* handle, std::string_view sql) {
    return mysql_real_query(handle, sql.data(), static_cast<unsigned long>(sql.size())) == 0;
}

bool DrainResults(st_mysql* handle) {
    while (mysql_more_results(handle)) {
        const int status = mysql_next_result(handle);
        if (status > 0) return false;
        if (status < 0) break;
        if (MYSQL_RES* res = mysql_use_result(handle)) {
            while (mysql_fetch_row(res)) {
            }
            mysql_free_result(res);
        }
        // A connection lost while the rows came in: the statement's outcome is unknown.
        if (mysql_errno(handle) != 0) return false;
    }
    return true;
}

st_mysql_res* StoreResult(st_mysql* handle) {
    return mysql_store_result(handle);
}

bool SelectDatabase(st_mysql* handle, const std::string& name) {
    // The library answers 0 for success and non-zero (even positive) for failure.
    return mysql_select_db(handle, name.c_str()) == 0;
}

// No pattern: the server's LIKE '' is not a reliable "everything" (MariaDB drops
// information_schema from the databases for it).
st_mysql_res* ListDatabases(st_mysql* handle) {
    return mysql_list_dbs(handle, nullptr);
}

st_mysql_res* ListTables(st_mysql* handle) {
    return mysql_list_tables(handle, nullptr);
}
