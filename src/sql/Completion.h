#pragma once
// Completion in the query editor, without widgets and without the server: what the statement
// around the caret expects there (a table, a database, a column of a named table or alias, any
// word), and the names of the catalogue held in memory, the SQL keywords and the functions that
// fit the letters typed so far. Text is the server's bytes (UTF-8), as the statement cut gives it.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TDatabases;

enum class TCandidateKind : std::uint8_t { Table, View, Column, Database, Keyword, Function };

// What the caret's place in its statement asks for.
struct TCompletionPlace {
    enum class TWants : std::uint8_t {
        Nothing,   // inside a string or a comment, or after a number
        Keywords,  // where no name is expected: keywords and functions
        Tables,    // after FROM, JOIN, UPDATE, ...: tables and views, then databases
        Databases, // after USE
        Columns,   // in SELECT, WHERE, ON, ...: the statement's columns, then keywords and functions
        Members,   // after "name.": columns of that table or alias, tables of that database
    };
    struct TTableRef {
        std::string Database; // empty: the current one
        std::string Table;
        std::string Alias; // empty when the statement gives none
    };

    TWants Wants = TWants::Nothing;
    // The name's letters before the caret, without an opening backtick (doubled ones undone).
    std::string Prefix;
    // Where the text a candidate replaces begins (an opening backtick included), in bytes of the
    // statement; it ends at the caret.
    std::size_t Start = 0;
    // Members: the name before the dot, and the one before that in "db.table.".
    std::string Qualifier;
    std::string QualifierDatabase;
    // Members in a place for a table ("FROM shop."): tables of the database only.
    bool TablesOnly = false;
    // The tables the statement names, in its order, with their aliases.
    std::vector<TTableRef> Tables;
};

// Reads `statement` (the one the caret is in, as the Query command cuts the text) with the caret
// `caret` bytes into it.
TCompletionPlace CompletionPlace(std::string_view statement, std::size_t caret);

struct TCandidate {
    QString Name;
    TCandidateKind Kind = TCandidateKind::Keyword;
    QString Detail; // a column's type (and its table's name when the statement has several)
};

// "table", "view", "column", "database", "keyword", "function".
QString CandidateKindText(TCandidateKind kind);

// The names a place offers, copied out of the catalogue when the list opens, so that refining it
// while typing costs no catalogue walk and the list outlives a change of the tree.
class TCompletionPool {
public:
    // `databases` null: no host is connected, and only keywords and functions are offered.
    // `reserved`: the words the host's server reserves, offered as keywords beside the built-in ones.
    TCompletionPool(const TCompletionPlace& place, const TDatabases* databases,
                    const std::vector<std::string>& reserved = {});

    // Those whose name begins with `typed` (any letter case), then those that hold it further on,
    // each group in the pool's order; at most `limit`.
    std::vector<TCandidate> Match(std::string_view typed, std::size_t limit = 500) const;
    std::size_t Size() const { return FEntries.size(); }

private:
    struct TEntry {
        std::uint32_t NameAt, NameLength, DetailAt, DetailLength;
        TCandidateKind Kind;
    };
    void Add(std::string_view name, TCandidateKind kind, std::string_view detail = {});
    void AddKeywords(const std::vector<std::string>& reserved);
    std::string_view NameOf(const TEntry& e) const { return {FBytes.data() + e.NameAt, e.NameLength}; }

    std::string FBytes;
    std::vector<TEntry> FEntries;
};
