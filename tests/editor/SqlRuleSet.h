#pragma once
// The four rules the query editor carries: SQL words blue, '#' comments and block comments teal,
// operator characters red. Shared by the tests and the colour pass benchmark.

#include "ColorRules.h"

#include <string>

inline const TStringList& SqlWords() {
    static const TStringList words = [] {
        const char* list[] = {
            "count", "average", "max", "min", "sum", "Action", "add", "all", "alter", "and", "as", "asc",
            "auto_increment", "between", "bigint", "bit", "binary", "blob", "both", "by", "cascade", "char",
            "character", "change", "check", "column", "columns", "create", "data", "database", "databases",
            "date", "datetime", "day", "day_hour", "day_minute", "day_second", "dayofweek", "dec", "decimal",
            "default", "delete", "desc", "describe", "distinct", "double", "drop", "escaped", "enclosed", "enum",
            "explain", "fields", "float", "float4", "float8", "foreign", "from", "for", "full", "grant", "group",
            "having", "hour", "hour_minute", "hour_second", "ignore", "in", "index", "infile", "insert", "int",
            "integer", "interval", "int1", "int2", "int3", "int4", "int8", "into", "is", "join", "key", "keys",
            "leading", "left", "like", "lines", "limit", "lock", "load", "long", "longblob", "longtext", "match",
            "mediumblob", "mediumtext", "mediumint", "middleint", "minute", "minute_second", "month", "natural",
            "numeric", "no", "not", "null", "on", "option", "optionally", "or", "order", "outer", "outfile",
            "partial", "precision", "primary", "procedure", "privileges", "read", "real", "references", "rename",
            "regexp", "repeat", "replace", "restrict", "rlike", "select", "set", "show", "smallint",
            "sql_big_tables", "sql_big_selects", "sql_select_limit", "sql_log_off", "straight_join", "starting",
            "table", "tables", "terminated", "text", "time", "timestamp", "tinyblob", "tinytext", "tinyint",
            "trailing", "to", "use", "using", "unique", "unlock", "unsigned", "update", "usage", "values",
            "varchar", "varying", "varbinary", "with", "write", "where", "year", "year_month", "zerofill"};
        TStringList out;
        for (const char* w : list) out.emplace_back(std::u16string(w, w + std::char_traits<char>::length(w)));
        return out;
    }();
    return words;
}

inline void AddSqlRules(TDrawRules& rules) {
    auto& words = rules.Add();
    words.KeyDrawingType = dtKeyShow;
    words.DefKeyColor = clBlue;
    words.SetKeywords(SqlWords());

    auto& lineComment = rules.Add();
    lineComment.KeyDrawingType = dtBeginLineEnd;
    lineComment.ZOrder = 1;
    lineComment.DefKeyColor = clTeal;
    lineComment.SetKeyLineEndLst({u"#"});
    lineComment.SetKeyBegEndLst({u"*/", u"/*"});

    auto& blockComment = rules.Add();
    blockComment.ZOrder = 1;
    blockComment.DefKeyColor = clTeal;
    blockComment.KeyMaxHeight = 0;
    blockComment.SetKeyBegEndLst({u"/*;*/"});

    auto& operators = rules.Add();
    operators.KeyDrawingType = dtKeyShow;
    operators.PartWord = true;
    operators.SetKeywords({u"(", u")", u"=", u";", u",", u".", u"<", u">", u"*", u"/", u"+", u"-"});
}
