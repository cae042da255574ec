#include "server/internal/CatalogueRead.h"

#include "server/internal/ResultCopy.h"
#include "server/internal/Statements.h"
#include "server/internal/WaitPath.h"

#include <mysql.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string_view>

namespace {

constexpr std::string_view SystemSchema = "information_schema";

// A stored answer, freed when it goes out of scope.
class TStored {
public:
    TStored(MYSQL* h, std::string_view sql) {
        if (Send(h, sql)) FRes = StoreResult(h);
        if (!DrainResults(h) && FRes) {
            mysql_free_result(FRes);
            FRes = nullptr;
        }
    }
    ~TStored() {
        if (FRes) mysql_free_result(FRes);
    }
    TStored(const TStored&) = delete;
    TStored& operator=(const TStored&) = delete;

    explicit operator bool() const { return FRes != nullptr; }
    // The next row's values, SQL NULL as nullopt; views into the answer, valid while it lives.
    // False after the last row.
    bool Next(std::vector<std::optional<std::string_view>>& values) {
        MYSQL_ROW row = mysql_fetch_row(FRes);
        if (!row) return false;
        const unsigned long* lengths = mysql_fetch_lengths(FRes);
        const unsigned n = mysql_num_fields(FRes);
        values.assign(n, std::nullopt);
        for (unsigned i = 0; i < n; ++i)
            if (row[i]) values[i].emplace(row[i], lengths[i]);
        return true;
    }

private:
    MYSQL_RES* FRes = nullptr;
};

using TRowValues = std::vector<std::optional<std::string_view>>;

std::string_view TextOf(const std::optional<std::string_view>& v) {
    return v ? *v : std::string_view();
}

struct TShownDefault {
    bool Null = false;
    std::string Text;
};

bool HoldsExpressionDefaults(std::string_view dataType) {
    const auto ends = [&](std::string_view tail) {
        return dataType.size() >= tail.size() && dataType.substr(dataType.size() - tail.size()) == tail;
    };
    return ends("blob") || ends("text");
}

std::optional<std::string> Unquoted(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\'') {
            if (i + 1 == s.size()) return out;
            if (s[i + 1] != '\'') return std::nullopt; // a second literal: an expression
            out += '\'';
            ++i;
        } else if (c == '\\') {
            if (++i == s.size()) return std::nullopt;
            switch (s[i]) {
            case '0':
                out += '\0';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 'Z':
                out += '\032';
                break;
            case '\\':
                out += '\\';
                break;
            case '\'':
                out += '\'';
                break;
            default:
                return std::nullopt;
            }
        } else {
            out += c;
        }
    }
    return std::nullopt; // never closed
}

// The information schema writes a literal default quoted and escaped ('it''s'), and a NULL default
// as the word NULL; the description shows the value itself and SQL NULL. Expressions
// (current_timestamp(), b'101', (1 + 1)) and every default of a table's BLOB or TEXT column, which
// the server keeps as an expression, read the same in both. nullopt: what the description shows
// cannot be told from the text.
std::optional<TShownDefault> ShownDefault(const std::optional<std::string_view>& written,
                                          std::string_view dataType, bool view) {
    if (!written || *written == "NULL") return TShownDefault{true, {}};
    if (written->empty() || written->front() != '\'') return TShownDefault{false, std::string(*written)};
    if (HoldsExpressionDefaults(dataType)) {
        // A view's BLOB or TEXT column may carry its base column's expression or a computed
        // value's literal, and the schema writes both alike.
        if (view) return std::nullopt;
        return TShownDefault{false, std::string(*written)};
    }
    if (auto value = Unquoted(*written)) return TShownDefault{false, std::move(*value)};
    return std::nullopt;
}

// INVISIBLE columns are described but left out of "SELECT *".
bool Invisible(std::string_view extra) {
    std::string_view rest = extra;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        std::string_view word = rest.substr(0, comma);
        while (!word.empty() && word.front() == ' ')
            word.remove_prefix(1);
        if (word == "INVISIBLE") return true;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return false;
}

// A table's place: its database and its name.
using TTableKey = std::pair<std::string_view, std::string_view>;

struct TColumn {
    long Position = 0;
    std::string_view Name, Type, Null, Key, Extra, DataType;
    std::optional<std::string_view> Default;
};

// The login's own grants that make a table's information-schema answer complete: the columns of a
// table are all listed, and "SELECT *" on it works, only with SELECT on the whole table.
struct TGrants {
    bool GlobalSelect = false;
    bool GlobalProcess = false; // several system tables refuse to be read without it
    std::set<std::string, std::less<>> Databases;
    std::set<std::pair<std::string, std::string>> Tables;

    // A view may read system tables that ask for more than SELECT on the view.
    bool MayReadEveryView() const { return GlobalSelect && GlobalProcess; }
    bool MayReadWhole(const TTableKey& t, bool view) const {
        if (t.first == SystemSchema) return GlobalProcess;
        if (view) return MayReadEveryView();
        return GlobalSelect || Databases.count(t.first) ||
               Tables.count({std::string(t.first), std::string(t.second)});
    }
};

bool ReadGrants(MYSQL* h, TGrants& grants) {
    TStored answer(h, "SELECT 'me', CURRENT_USER(), '', '', '' "
                      "UNION ALL SELECT 'global', GRANTEE, PRIVILEGE_TYPE, '', '' "
                      "FROM information_schema.USER_PRIVILEGES "
                      "UNION ALL SELECT 'database', GRANTEE, PRIVILEGE_TYPE, TABLE_SCHEMA, '' "
                      "FROM information_schema.SCHEMA_PRIVILEGES WHERE PRIVILEGE_TYPE = 'SELECT' "
                      "UNION ALL SELECT 'table', GRANTEE, PRIVILEGE_TYPE, TABLE_SCHEMA, TABLE_NAME "
                      "FROM information_schema.TABLE_PRIVILEGES WHERE PRIVILEGE_TYPE = 'SELECT'");
    if (!answer) return false;
    std::vector<TRowValues> rows;
    TRowValues v;
    std::string me;
    while (answer.Next(v)) {
        if (TextOf(v[0]) == "me") {
            // user@host, the user name possibly holding '@' itself; grants name it 'user'@'host'.
            const std::string_view account = TextOf(v[1]);
            const std::size_t at = account.rfind('@');
            if (at != std::string_view::npos)
                me.append("'")
                    .append(account.substr(0, at))
                    .append("'@'")
                    .append(account.substr(at + 1))
                    .append("'");
        } else {
            rows.push_back(v);
        }
    }
    // Users with wide rights see everyone's grants: only the login's own count.
    for (const auto& r : rows) {
        if (me.empty() || TextOf(r[1]) != me) continue;
        const std::string_view kind = TextOf(r[0]), privilege = TextOf(r[2]);
        if (kind == "global") {
            grants.GlobalSelect |= privilege == "SELECT";
            grants.GlobalProcess |= privilege == "PROCESS";
        } else if (kind == "database") {
            // A grant on a name pattern counts only for the database of exactly that name.
            grants.Databases.emplace(TextOf(r[3]));
        } else {
            grants.Tables.emplace(TextOf(r[3]), TextOf(r[4]));
        }
    }
    return true;
}

// Each database's tables in listing order, each with whether it is a view (asked only when `kinds`:
// telling views from tables means reading every table's definition, the names alone come from the
// folder listings).
using TTableList = std::map<std::string_view, std::vector<std::pair<std::string_view, bool>>>;

bool ReadTables(TStored& answer, bool kinds, TTableList& tables) {
    if (!answer) return false;
    TRowValues v;
    while (answer.Next(v))
        tables[TextOf(v[0])].emplace_back(TextOf(v[1]), kinds && TextOf(v[2]) == "VIEW");
    // The table listing gives a database's tables in byte order of their names.
    for (auto& [database, list] : tables)
        std::sort(list.begin(), list.end());
    return true;
}

using TColumnList = std::map<TTableKey, std::vector<TColumn>>;

bool ReadColumns(TStored& answer, TColumnList& columns) {
    if (!answer) return false;
    TRowValues v;
    while (answer.Next(v)) {
        TColumn c;
        c.Position = std::atol(std::string(TextOf(v[2])).c_str());
        c.Name = TextOf(v[3]);
        c.Type = TextOf(v[4]);
        c.Null = TextOf(v[5]);
        c.Key = TextOf(v[6]);
        c.Default = v[7];
        c.Extra = TextOf(v[8]);
        c.DataType = TextOf(v[9]);
        columns[{TextOf(v[0]), TextOf(v[1])}].push_back(c);
    }
    return true;
}

// `name` as a string literal; callers keep backslashes out, as they read differently under the
// server's NO_BACKSLASH_ESCAPES mode.
std::string Literal(std::string_view name) {
    std::string q = "'";
    for (char c : name)
        q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
}

// Which of `candidates` are views, asked table by table in one statement, so that only their
// definitions are read. One that cannot be asked about counts as a view.
std::set<TTableKey> Views(MYSQL* h, const std::set<TTableKey>& candidates) {
    std::set<TTableKey> views;
    std::string sql;
    for (const auto& [database, table] : candidates) {
        // A backslash reads differently under the server's NO_BACKSLASH_ESCAPES mode.
        if (database.find('\\') != std::string_view::npos || table.find('\\') != std::string_view::npos) {
            views.insert({database, table});
            continue;
        }
        sql += sql.empty() ? "" : " UNION ALL ";
        sql += "SELECT TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES WHERE "
               "TABLE_SCHEMA = " +
               Literal(database) + " AND TABLE_NAME = " + Literal(table);
    }
    if (sql.empty()) return views;
    TStored answer(h, sql);
    if (!answer) return candidates;
    TRowValues v;
    std::set<TTableKey> tables;
    while (answer.Next(v)) {
        auto found = candidates.find({TextOf(v[0]), TextOf(v[1])});
        if (found == candidates.end()) continue;
        tables.insert(*found);
        if (TextOf(v[2]) == "VIEW") views.insert(*found);
    }
    for (const auto& c : candidates)
        if (!tables.count(c)) views.insert(c);
    return views;
}

// Tables with a BLOB or TEXT column whose default the schema writes as a literal: on a view, that
// may stand for a value the description shows unquoted.
std::set<TTableKey> LiteralTextDefaults(const TColumnList& columns) {
    std::set<TTableKey> found;
    for (const auto& [key, list] : columns)
        for (const TColumn& c : list)
            if (HoldsExpressionDefaults(c.DataType) && c.Default && !c.Default->empty() &&
                c.Default->front() == '\'') {
                found.insert(key);
                break;
            }
    return found;
}

// The description "SHOW FIELDS" would give and the names "SELECT *" would give, from a table's
// information-schema columns; false when those cannot be trusted to say the same.
bool Describe(bool view, std::vector<TColumn>& columns, TResultBlock::Builder& rows,
              std::vector<std::string>& visible) {
    // None listed: a view that cannot be opened, or a table gone meanwhile; its error is the
    // per-table statements' to tell.
    if (columns.empty()) return false;
    std::stable_sort(columns.begin(), columns.end(),
                     [](const TColumn& a, const TColumn& b) { return a.Position < b.Position; });
    for (const TColumn& c : columns) {
        const std::optional<TShownDefault> shown = ShownDefault(c.Default, c.DataType, view);
        if (!shown) return false;
        const char* values[] = {c.Name.data(),
                                c.Type.data(),
                                c.Null.data(),
                                c.Key.data(),
                                shown->Null ? nullptr : shown->Text.c_str(),
                                c.Extra.data()};
        const unsigned long lengths[] = {c.Name.size(), c.Type.size(),      c.Null.size(),
                                         c.Key.size(),  shown->Text.size(), c.Extra.size()};
        rows.AddRow(values, lengths);
        if (!Invisible(c.Extra)) visible.emplace_back(c.Name);
    }
    return true;
}

} // namespace

std::unique_ptr<TTable> TCatalogueRead::Made(std::string name, const std::vector<std::string>& columns,
                                             std::shared_ptr<const TResultBlock> description) const {
    const int count = static_cast<int>(description->RowCount());
    std::unique_ptr<TResult> result(new TResult(std::move(description), FHandle, count));
    // As after a successful "SHOW FIELDS", whatever the connection's last statement was.
    result->FErrorText.clear();
    return std::unique_ptr<TTable>(new TTable(std::move(name), TFields(columns), std::move(result)));
}

namespace {
// `sql` narrowed to one database's rows, where the name can be written as a literal that reads
// the same under every SQL mode; otherwise the whole answer comes and the rest is left unused.
std::string OfDatabase(std::string sql, const std::optional<std::string_view>& only) {
    if (!only || only->find('\\') != std::string_view::npos) return sql;
    return sql + " WHERE TABLE_SCHEMA = " + Literal(*only);
}
} // namespace

std::vector<std::unique_ptr<TDatabase>> TCatalogueRead::Databases(std::optional<std::string_view> only) {
    std::vector<std::string> names = FirstColumnOf(ListDatabases(FHandle));
    if (only) std::erase_if(names, [&](const std::string& n) { return n != *only; });
    std::vector<std::unique_ptr<TDatabase>> items;
    items.reserve(names.size());
    TGrants grants;
    if (names.empty() || !ReadGrants(FHandle, grants)) return TableByTable(names);
    const bool kinds = !grants.MayReadEveryView();
    TStored tableAnswer(
        FHandle,
        OfDatabase(kinds ? "SELECT TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES"
                         : "SELECT TABLE_SCHEMA, TABLE_NAME FROM information_schema.TABLES",
                   only));
    // A stopped read gives up: what it has is not the catalogue, and the slow way would go on.
    if (StatementWasStopped(FHandle)) return {};
    TTableList tables;
    if (!ReadTables(tableAnswer, kinds, tables)) return TableByTable(names);
    TStored columnAnswer(
        FHandle, OfDatabase("SELECT TABLE_SCHEMA, TABLE_NAME, ORDINAL_POSITION, COLUMN_NAME, COLUMN_TYPE, "
                            "IS_NULLABLE, COLUMN_KEY, COLUMN_DEFAULT, EXTRA, DATA_TYPE "
                            "FROM information_schema.COLUMNS",
                            only));
    if (StatementWasStopped(FHandle)) return {};
    TColumnList columns;
    // A server whose information schema cannot be read is read the slow way.
    if (!ReadColumns(columnAnswer, columns)) return TableByTable(names);
    const std::set<TTableKey> views =
        kinds ? std::set<TTableKey>() : Views(FHandle, LiteralTextDefaults(columns));

    // Every table that can be described from the schema; the others take statements of their own.
    std::map<TTableKey, std::unique_ptr<TTable>> described;
    for (const auto& [database, list] : tables)
        for (const auto& [table, listedView] : list) {
            const TTableKey key{database, table};
            const bool view = listedView || views.count(key);
            auto c = columns.find(key);
            if (c == columns.end() || !grants.MayReadWhole(key, view)) continue;
            TResultBlock::Builder rows({"Field", "Type", "Null", "Key", "Default", "Extra"});
            std::vector<std::string> visible;
            if (Describe(view, c->second, rows, visible)) {
                auto made = Made(std::string(table), visible, rows.Finish());
                made->View = listedView;
                described.emplace(key, std::move(made));
            }
        }

    for (auto& database : names) {
        if (StatementWasStopped(FHandle)) return {};
        std::vector<std::string> order;
        const bool system = database == SystemSchema;
        if (auto t = tables.find(database); t != tables.end())
            for (const auto& entry : t->second)
                order.emplace_back(entry.first);
        const bool complete = std::all_of(order.begin(), order.end(), [&](const std::string& table) {
            return described.count({database, table}) != 0;
        });
        TTables list(FHandle, false);
        // The system schema's own listing order is not by name: ask for it. A database with a table
        // that needs its own statements is made current for them, as the per-table read does; one
        // that cannot be shows no tables.
        if (system || !complete) {
            if (!SelectDatabase(FHandle, database))
                order.clear();
            else if (system)
                order = FirstColumnOf(ListTables(FHandle));
        }
        for (auto& table : order) {
            auto found = described.find({database, table});
            if (found != described.end() && found->second)
                list.FItems.push_back(std::move(found->second));
            else
                list.FItems.push_back(std::make_unique<TTable>(FHandle, table));
        }
        items.push_back(
            std::unique_ptr<TDatabase>(new TDatabase(FHandle, std::move(database), std::move(list))));
    }
    return items;
}

std::vector<std::unique_ptr<TDatabase>> TCatalogueRead::TableByTable(std::vector<std::string>& names) const {
    std::vector<std::unique_ptr<TDatabase>> items;
    items.reserve(names.size());
    for (auto& n : names) {
        if (StatementWasStopped(FHandle)) return {};
        items.push_back(std::make_unique<TDatabase>(FHandle, std::move(n)));
    }
    return items;
}
