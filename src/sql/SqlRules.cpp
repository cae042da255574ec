#include "sql/SqlRules.h"

#include <string>

namespace {

TStringList List(std::initializer_list<const char*> items) {
    TStringList out;
    out.reserve(items.size());
    for (const char* s : items)
        out.emplace_back(s, s + std::char_traits<char>::length(s));
    return out;
}

// One word capitalised ('Action') is as the list has always had it; words match in any case.
const TStringList& SqlWords() {
    static const TStringList words = List({"count",
                                           "average",
                                           "max",
                                           "min",
                                           "sum",
                                           "Action",
                                           "add",
                                           "all",
                                           "alter",
                                           "and",
                                           "as",
                                           "asc",
                                           "auto_increment",
                                           "between",
                                           "bigint",
                                           "bit",
                                           "binary",
                                           "blob",
                                           "both",
                                           "by",
                                           "cascade",
                                           "char",
                                           "character",
                                           "change",
                                           "check",
                                           "column",
                                           "columns",
                                           "create",
                                           "data",
                                           "database",
                                           "databases",
                                           "date",
                                           "datetime",
                                           "day",
                                           "day_hour",
                                           "day_minute",
                                           "day_second",
                                           "dayofweek",
                                           "dec",
                                           "decimal",
                                           "default",
                                           "delete",
                                           "desc",
                                           "describe",
                                           "distinct",
                                           "double",
                                           "drop",
                                           "escaped",
                                           "enclosed",
                                           "enum",
                                           "explain",
                                           "fields",
                                           "float",
                                           "float4",
                                           "float8",
                                           "foreign",
                                           "from",
                                           "for",
                                           "full",
                                           "grant",
                                           "group",
                                           "having",
                                           "hour",
                                           "hour_minute",
                                           "hour_second",
                                           "ignore",
                                           "in",
                                           "index",
                                           "infile",
                                           "insert",
                                           "int",
                                           "integer",
                                           "interval",
                                           "int1",
                                           "int2",
                                           "int3",
                                           "int4",
                                           "int8",
                                           "into",
                                           "is",
                                           "join",
                                           "key",
                                           "keys",
                                           "leading",
                                           "left",
                                           "like",
                                           "lines",
                                           "limit",
                                           "lock",
                                           "load",
                                           "long",
                                           "longblob",
                                           "longtext",
                                           "match",
                                           "mediumblob",
                                           "mediumtext",
                                           "mediumint",
                                           "middleint",
                                           "minute",
                                           "minute_second",
                                           "month",
                                           "natural",
                                           "numeric",
                                           "no",
                                           "not",
                                           "null",
                                           "on",
                                           "option",
                                           "optionally",
                                           "or",
                                           "order",
                                           "outer",
                                           "outfile",
                                           "partial",
                                           "precision",
                                           "primary",
                                           "procedure",
                                           "privileges",
                                           "read",
                                           "real",
                                           "references",
                                           "rename",
                                           "regexp",
                                           "repeat",
                                           "replace",
                                           "restrict",
                                           "rlike",
                                           "select",
                                           "set",
                                           "show",
                                           "smallint",
                                           "sql_big_tables",
                                           "sql_big_selects",
                                           "sql_select_limit",
                                           "sql_log_off",
                                           "straight_join",
                                           "starting",
                                           "table",
                                           "tables",
                                           "terminated",
                                           "text",
                                           "time",
                                           "timestamp",
                                           "tinyblob",
                                           "tinytext",
                                           "tinyint",
                                           "trailing",
                                           "to",
                                           "use",
                                           "using",
                                           "unique",
                                           "unlock",
                                           "unsigned",
                                           "update",
                                           "usage",
                                           "values",
                                           "varchar",
                                           "varying",
                                           "varbinary",
                                           "with",
                                           "write",
                                           "where",
                                           "year",
                                           "year_month",
                                           "zerofill"});
    return words;
}

} // namespace

void AddSqlRules(TDrawRules& rules) {
    rules.Clear();

    TColorRule& words = rules.Add();
    words.KeyDrawingType = dtKeyShow;
    words.DefKeyColor = clBlue;
    words.SetKeywords(SqlWords());

    // Its begin/end lines hold no ';' and so compile to nothing: only '#' to the line end counts.
    // Both lists share one marker table, so the line-end list goes in last and the table holds
    // '#' at once, not only after the next compilation.
    TColorRule& lineComment = rules.Add();
    lineComment.KeyDrawingType = dtBeginLineEnd;
    lineComment.ZOrder = 1;
    lineComment.DefKeyColor = clTeal;
    lineComment.SetKeyBegEndLst(List({"*/", "/*"}));
    lineComment.SetKeyLineEndLst(List({"#"}));

    TColorRule& blockComment = rules.Add();
    blockComment.ZOrder = 1;
    blockComment.DefKeyColor = clTeal;
    blockComment.KeyMaxHeight = 0;
    blockComment.SetKeyBegEndLst(List({"/*;*/"}));

    // The ';' line is an entry separator on its own and yields no key.
    TColorRule& operators = rules.Add();
    operators.KeyDrawingType = dtKeyShow;
    operators.PartWord = true;
    operators.SetKeywords(List({"(", ")", "=", ";", ",", ".", "<", ">", "*", "/", "+", "-"}));
}
