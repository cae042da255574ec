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
