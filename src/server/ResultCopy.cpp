#include "server/internal/ResultCopy.h"

#include <mysql.h>

std::vector<std::string> FieldNamesOf(MYSQL_RES* res) {
    std::vector<std::string> names;
    if (!res) return names;
    mysql_field_seek(res, 0);
    while (MYSQL_FIELD* f = mysql_fetch_field(res))
        names.emplace_back(f->name ? f->name : "");
    return names;
}

std::vector<TColumnInfo> ColumnsOf(MYSQL_RES* res) {
    std::vector<TColumnInfo> columns;
    if (!res) return columns;
    mysql_field_seek(res, 0);
    while (MYSQL_FIELD* f = mysql_fetch_field(res)) {
        TColumnInfo c;
        c.Name = f->name ? f->name : "";
        c.Table = f->org_table ? f->org_table : "";
        c.Database = f->db ? f->db : "";
        c.Type = static_cast<int>(f->type);
        c.Flags = f->flags;
        c.CharsetNr = f->charsetnr;
        c.Decimals = f->decimals;
        c.Kind = ColumnKindOf(c.Type, c.CharsetNr);
        columns.push_back(std::move(c));
    }
    return columns;
}

std::vector<std::string> FirstColumnOf(MYSQL_RES* listing) {
    std::vector<std::string> names;
    if (!listing) return names;
    while (MYSQL_ROW row = mysql_fetch_row(listing))
        names.emplace_back(row[0] ? row[0] : "");
    mysql_free_result(listing);
    return names;
}
