#include "sql/Completion.h"

#include "server/Catalogue.h"
#include "sql/QtText.h"
#include "sql/SqlNames.h"
#include "sql/internal/CompletionWords.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

namespace {

// ---- the statement's tokens ----

enum class TTokenKind : std::uint8_t { Word, QuotedName, Text, Comment, Dot, Punct };

struct TToken {
    TTokenKind Kind;
    std::size_t Begin, End;
    bool Open = false; // a text, comment or quoted name that the statement ends inside
};

bool IsNameByte(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

// The statement read as the server reads it, as far as completion needs: words, backtick names,
// texts, comments, dots and other characters.
std::vector<TToken> Tokens(std::string_view s) {
    std::vector<TToken> out;
    std::size_t i = 0;
    const std::size_t n = s.size();
    const auto toLineEnd = [&](std::size_t from) {
        const std::size_t lf = s.find('\n', from);
        return lf == std::string_view::npos ? n : lf;
    };
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t begin = i;
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '#' || (c == '-' && i + 1 < n && s[i + 1] == '-' &&
                         (i + 2 == n || std::isspace(static_cast<unsigned char>(s[i + 2]))))) {
            i = toLineEnd(i);
            // A line comment has no closing mark: the caret at its end is still in it.
            out.push_back({TTokenKind::Comment, begin, i, true});
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            const std::size_t close = s.find("*/", i + 2);
            i = close == std::string_view::npos ? n : close + 2;
            out.push_back({TTokenKind::Comment, begin, i, close == std::string_view::npos});
        } else if (c == '\'' || c == '"' || c == '`') {
            bool closed = false;
            for (++i; i < n; ++i) {
                if (c != '`' && s[i] == '\\') {
                    ++i;
                } else if (s[i] == static_cast<char>(c)) {
                    if (i + 1 < n && s[i + 1] == static_cast<char>(c)) {
                        ++i;
                    } else {
                        ++i;
                        closed = true;
                        break;
                    }
                }
            }
            i = std::min(i, n);
            out.push_back({c == '`' ? TTokenKind::QuotedName : TTokenKind::Text, begin, i, !closed});
        } else if (IsNameByte(c)) {
            while (i < n && IsNameByte(static_cast<unsigned char>(s[i])))
                ++i;
            out.push_back({TTokenKind::Word, begin, i});
        } else {
            ++i;
            out.push_back({c == '.' ? TTokenKind::Dot : TTokenKind::Punct, begin, i});
        }
    }
    return out;
}

std::string Upper(std::string_view word) {
    std::string u(word);
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// A backtick name without its backticks, doubled ones undone; `end` cuts it short (at the caret).
std::string Unquoted(std::string_view s, const TToken& t, std::size_t end) {
    std::string name;
    const std::size_t stop = std::min(end, t.Open ? t.End : t.End - 1);
    for (std::size_t i = t.Begin + 1; i < stop; ++i) {
        name += s[i];
        if (s[i] == '`' && i + 1 < stop && s[i + 1] == '`') ++i;
    }
    return name;
}

bool IsName(const TToken& t) {
    return t.Kind == TTokenKind::Word || t.Kind == TTokenKind::QuotedName;
}

std::string NameOf(std::string_view s, const TToken& t) {
    return t.Kind == TTokenKind::QuotedName ? Unquoted(s, t, t.End)
                                            : std::string(s.substr(t.Begin, t.End - t.Begin));
}

template <std::size_t N> bool OneOf(const std::string& upper, const std::array<const char*, N>& words) {
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return upper == w; });
}

// Words after which a table's name comes.
constexpr std::array<const char*, 8> TableWords = {"FROM", "JOIN",  "STRAIGHT_JOIN", "UPDATE",
                                                   "INTO", "TABLE", "DESCRIBE",      "TRUNCATE"};
// Words after which a database's name comes.
constexpr std::array<const char*, 3> DatabaseWords = {"USE", "DATABASE", "SCHEMA"};
// Words that open a part of a statement made of column names and expressions.
constexpr std::array<const char*, 9> ColumnWords = {"SELECT", "WHERE", "ON",   "BY",       "SET",
                                                    "HAVING", "USING", "WHEN", "RETURNING"};
// Words that end a list of tables.
constexpr std::array<const char*, 16> TableListEnds = {"WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "ON",
                                                       "USING", "SET",   "UNION", "WINDOW", "FOR",   "LEFT",
                                                       "RIGHT", "INNER", "CROSS", "NATURAL"};

bool IsWord(std::string_view s, const TToken& t, const char* upper) {
    return t.Kind == TTokenKind::Word && Upper(s.substr(t.Begin, t.End - t.Begin)) == upper;
}

// A name that may stand as a table's alias: a backtick name, or a word the server does not reserve.
bool CanBeAlias(std::string_view s, const TToken& t) {
    if (t.Kind == TTokenKind::QuotedName) return true;
    return t.Kind == TTokenKind::Word && !IsReservedWord(QtText(s.substr(t.Begin, t.End - t.Begin)));
}

// The table named from token `i` on ("db.table [AS] alias"), if one is.
void ReadTableRef(std::string_view s, const std::vector<TToken>& t, std::size_t i,
                  std::vector<TCompletionPlace::TTableRef>& out) {
    if (i >= t.size() || !IsName(t[i])) return;
    if (t[i].Kind == TTokenKind::Word && IsReservedWord(QtText(s.substr(t[i].Begin, t[i].End - t[i].Begin))))
        return;
    TCompletionPlace::TTableRef ref;
    ref.Table = NameOf(s, t[i]);
    ++i;
    if (i + 1 < t.size() && t[i].Kind == TTokenKind::Dot && IsName(t[i + 1])) {
        ref.Database = std::move(ref.Table);
        ref.Table = NameOf(s, t[i + 1]);
        i += 2;
    }
    if (i < t.size() && IsWord(s, t[i], "AS")) ++i;
    if (i < t.size() && CanBeAlias(s, t[i])) ref.Alias = NameOf(s, t[i]);
    out.push_back(std::move(ref));
}

std::vector<TCompletionPlace::TTableRef> TablesOf(std::string_view s, const std::vector<TToken>& t) {
    std::vector<TCompletionPlace::TTableRef> refs;
    bool inList = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].Kind == TTokenKind::Comment) continue;
        if (t[i].Kind == TTokenKind::Word) {
            const std::string word = Upper(s.substr(t[i].Begin, t[i].End - t[i].Begin));
            if (OneOf(word, TableWords)) {
                ReadTableRef(s, t, i + 1, refs);
                inList = word == "FROM" || word == "UPDATE";
            } else if (OneOf(word, TableListEnds)) {
                inList = false;
            }
        } else if (inList && t[i].Kind == TTokenKind::Punct && s[t[i].Begin] == ',') {
            ReadTableRef(s, t, i + 1, refs);
        }
    }
    return refs;
}

// What the words before the name at the caret ask for; `k` is the index of the last token before
// it (and its qualifier), past the end for none.
TCompletionPlace::TWants WantsBefore(std::string_view s, const std::vector<TToken>& t, std::size_t k) {
    using W = TCompletionPlace::TWants;
    if (k >= t.size()) return W::Keywords;
    if (t[k].Kind == TTokenKind::Word) {
        const std::string word = Upper(s.substr(t[k].Begin, t[k].End - t[k].Begin));
        if (OneOf(word, TableWords)) return W::Tables;
        if (OneOf(word, DatabaseWords)) return W::Databases;
        // "DESC t" at the start describes a table; after ORDER BY it is a sort order.
        if (word == "DESC" && k == 0) return W::Tables;
    }
    const bool afterComma = t[k].Kind == TTokenKind::Punct && s[t[k].Begin] == ',';
    // Walk back to the word that opened this part of the statement, over whole bracketed groups.
    int depth = 0;
    bool inBrackets = false;
    for (std::size_t i = k + 1; i-- > 0;) {
        if (t[i].Kind == TTokenKind::Punct) {
            if (s[t[i].Begin] == ')') ++depth;
            if (s[t[i].Begin] == '(') {
                if (depth > 0)
                    --depth;
                else
                    inBrackets = true;
            }
            continue;
        }
        if (depth > 0 || t[i].Kind != TTokenKind::Word) continue;
        const std::string word = Upper(s.substr(t[i].Begin, t[i].End - t[i].Begin));
        if (OneOf(word, ColumnWords)) return W::Columns;
        if (OneOf(word, TableWords)) {
            // "INSERT INTO t (a, |": the columns of t; "FROM a, |": another table.
            if (inBrackets) return W::Columns;
            return afterComma && (word == "FROM" || word == "UPDATE") ? W::Tables : W::Keywords;
        }
    }
    return W::Keywords;
}

} // namespace

TCompletionPlace CompletionPlace(std::string_view statement, std::size_t caret) {
    using W = TCompletionPlace::TWants;
    TCompletionPlace place;
    caret = std::min(caret, statement.size());
    place.Start = caret;
    std::vector<TToken> all = Tokens(statement);

    // The token the caret is in or at the end of.
    std::size_t before = 0; // tokens that end before the name at the caret
    for (const TToken& t : all) {
        if (t.End < caret ||
            (t.End == caret && t.Kind != TTokenKind::Word && !t.Open && t.Kind != TTokenKind::QuotedName)) {
            ++before;
            continue;
        }
        if (t.Begin >= caret) break;
        // The caret is inside t, or at its end.
        switch (t.Kind) {
        case TTokenKind::Text:
        case TTokenKind::Comment:
            return place; // Nothing
        case TTokenKind::Word:
            // After a number there is nothing to complete.
            if (std::all_of(statement.begin() + static_cast<std::ptrdiff_t>(t.Begin),
                            statement.begin() + static_cast<std::ptrdiff_t>(caret),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                return place;
            place.Prefix = std::string(statement.substr(t.Begin, caret - t.Begin));
            place.Start = t.Begin;
            break;
        case TTokenKind::QuotedName:
            place.Prefix = Unquoted(statement, t, caret);
            place.Start = t.Begin;
            break;
        default:
            break;
        }
        break;
    }

    // Leave out comments: they say nothing of the place.
    std::vector<TToken> code;
    code.reserve(all.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].Kind == TTokenKind::Comment) continue;
        if (i < before) ++k;
        code.push_back(all[i]);
    }
    place.Tables = TablesOf(statement, code);

    // "name." or "db.name." right before the name at the caret, with nothing between.
    std::size_t last = k; // one past the last token before the name and its qualifier
    if (k >= 2 && code[k - 1].Kind == TTokenKind::Dot && code[k - 1].End == place.Start &&
        IsName(code[k - 2]) && code[k - 2].End == code[k - 1].Begin) {
        place.Qualifier = NameOf(statement, code[k - 2]);
        last = k - 2;
        if (k >= 4 && code[k - 3].Kind == TTokenKind::Dot && code[k - 3].End == code[k - 2].Begin &&
            IsName(code[k - 4]) && code[k - 4].End == code[k - 3].Begin) {
            place.QualifierDatabase = NameOf(statement, code[k - 4]);
            last = k - 4;
        }
    }
    const W wants = WantsBefore(statement, code, last == 0 ? code.size() : last - 1);
    if (!place.Qualifier.empty()) {
        place.Wants = W::Members;
        place.TablesOnly = wants == W::Tables || wants == W::Databases;
    } else {
        place.Wants = wants;
    }
    return place;
}

QString CandidateKindText(TCandidateKind kind) {
    switch (kind) {
    case TCandidateKind::Table:
        return QStringLiteral("table");
    case TCandidateKind::View:
        return QStringLiteral("view");
    case TCandidateKind::Column:
        return QStringLiteral("column");
    case TCandidateKind::Database:
        return QStringLiteral("database");
    case TCandidateKind::Keyword:
        return QStringLiteral("keyword");
    case TCandidateKind::Function:
        return QStringLiteral("function");
    }
    return {};
}

// ---- the pool ----

namespace {

TDatabase* FindDatabase(const TDatabases& dbs, std::string_view name) {
    TDatabase* folded = nullptr;
    for (int i = 0; i < dbs.Count(); ++i) {
        TDatabase* d = dbs.Items(i);
        if (d->Name == name) return d;
        if (!folded && QtText(d->Name).compare(QtText(name), Qt::CaseInsensitive) == 0) folded = d;
    }
    return folded;
}

TDatabase* CurrentDatabase(const TDatabases& dbs) {
    for (int i = 0; i < dbs.Count(); ++i)
        if (dbs.Items(i)->Selected) return dbs.Items(i);
    return nullptr;
}

// Table names are exact on most servers; a name in another letter case is the fallback.
TTable* FindTable(const TDatabase* db, std::string_view name) {
    if (!db) return nullptr;
    TTable* folded = nullptr;
    for (int i = 0; i < db->Tables.Count(); ++i) {
        TTable* t = db->Tables.Items(i);
        if (t->Name == name) return t;
        if (!folded && QtText(t->Name).compare(QtText(name), Qt::CaseInsensitive) == 0) folded = t;
    }
    return folded;
}

bool SameAlias(std::string_view a, std::string_view b) {
    return a.size() == b.size() && QtText(a).compare(QtText(b), Qt::CaseInsensitive) == 0;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

unsigned char Fold(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

// Where `folded` (lower case, ASCII) first occurs in `name` in any letter case, or npos.
std::size_t FindFolded(std::string_view name, std::string_view folded) {
    if (folded.empty()) return 0;
    if (folded.size() > name.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + folded.size() <= name.size(); ++i) {
        std::size_t j = 0;
        while (j < folded.size() && Fold(name[i + j]) == static_cast<unsigned char>(folded[j]))
            ++j;
        if (j == folded.size()) return i;
    }
    return std::string_view::npos;
}

} // namespace

void TCompletionPool::Add(std::string_view name, TCandidateKind kind, std::string_view detail) {
    const auto at = static_cast<std::uint32_t>(FBytes.size());
    FBytes.append(name);
    FBytes.append(detail);
    FEntries.push_back({at, static_cast<std::uint32_t>(name.size()),
                        static_cast<std::uint32_t>(at + name.size()),
                        static_cast<std::uint32_t>(detail.size()), kind});
}

void TCompletionPool::AddKeywords(const std::vector<std::string>& reserved) {
    std::set<std::string_view> words;
    for (const char* w : CompletionKeywords())
        words.insert(w);
    for (const char* w : BuiltInReservedWords())
        words.insert(w);
    for (const std::string& w : reserved)
        words.insert(w);
    for (std::string_view w : words)
        Add(w, TCandidateKind::Keyword);
    for (const char* f : CompletionFunctions())
        Add(f, TCandidateKind::Function);
}

TCompletionPool::TCompletionPool(const TCompletionPlace& place, const TDatabases* databases,
                                 const std::vector<std::string>& reserved) {
    using W = TCompletionPlace::TWants;
    if (place.Wants == W::Nothing) return;
    const TDatabase* current = databases ? CurrentDatabase(*databases) : nullptr;
    const auto addTables = [this](const TDatabase* db) {
        if (!db) return;
        for (int i = 0; i < db->Tables.Count(); ++i) {
            const TTable* t = db->Tables.Items(i);
            Add(t->Name, t->View ? TCandidateKind::View : TCandidateKind::Table);
        }
    };
    const auto addDatabases = [this, databases] {
        for (int i = 0; databases && i < databases->Count(); ++i)
            Add(databases->Items(i)->Name, TCandidateKind::Database);
    };
    const auto addColumns = [this](const TTable* t, std::string_view table) {
        if (!t) return;
        const TResult* d = t->Description.get();
        if (d && d->Rows.Count() > 0 && d->Rows.Items(0).Count() >= 2) {
            for (int r = 0; r < d->Rows.Count(); ++r) {
                const TRow row = d->Rows.Items(r);
                std::string detail(row.Values(1));
                if (!table.empty()) detail.append(", ").append(table);
                Add(row.Values(0), TCandidateKind::Column, detail);
            }
            return;
        }
        for (int f = 0; f < t->Fields.Count(); ++f)
            Add(t->Fields.Items(f).Name, TCandidateKind::Column, table);
    };
    const auto tableOf = [&](const TCompletionPlace::TTableRef& ref) -> const TTable* {
        if (!databases) return nullptr;
        return FindTable(ref.Database.empty() ? current : FindDatabase(*databases, ref.Database), ref.Table);
    };

    switch (place.Wants) {
    case W::Tables:
        addTables(current);
        addDatabases();
        break;
    case W::Databases:
        addDatabases();
        break;
    case W::Members: {
        if (!databases) break;
        if (!place.TablesOnly) {
            // An alias first, then a table the statement names, then one of the current database.
            const TTable* table = nullptr;
            if (place.QualifierDatabase.empty())
                for (const auto& ref : place.Tables)
                    if (!ref.Alias.empty() && SameAlias(ref.Alias, place.Qualifier)) {
                        table = tableOf(ref);
                        break;
                    }
            if (!table) table = tableOf({place.QualifierDatabase, place.Qualifier, {}});
            addColumns(table, {});
        }
        if (place.QualifierDatabase.empty()) addTables(FindDatabase(*databases, place.Qualifier));
        break;
    }
    case W::Columns: {
        std::vector<const TTable*> seen;
        for (const auto& ref : place.Tables) {
            const TTable* t = tableOf(ref);
            if (!t || std::find(seen.begin(), seen.end(), t) != seen.end()) continue;
            seen.push_back(t);
            addColumns(t, place.Tables.size() > 1
                              ? std::string_view(ref.Alias.empty() ? ref.Table : ref.Alias)
                              : std::string_view());
        }
        AddKeywords(reserved);
        break;
    }
    case W::Keywords:
        AddKeywords(reserved);
        break;
    case W::Nothing:
        break;
    }
}

std::vector<TCandidate> TCompletionPool::Match(std::string_view typed, std::size_t limit) const {
    std::vector<TCandidate> out;
    const bool asciiTyped = IsAscii(typed);
    std::string folded;
    for (char c : typed)
        folded += static_cast<char>(Fold(c));
    const QString typedText = asciiTyped ? QString() : QtText(typed);
    // 0: the name begins with what was typed; 1: holds it further on; 2: neither.
    const auto rank = [&](const TEntry& e) {
        const std::string_view name = NameOf(e);
        if (asciiTyped) {
            const std::size_t at = FindFolded(name, folded);
            return at == 0 ? 0 : at == std::string_view::npos ? 2 : 1;
        }
        const QString n = QtText(name);
        if (n.startsWith(typedText, Qt::CaseInsensitive)) return 0;
        return n.contains(typedText, Qt::CaseInsensitive) ? 1 : 2;
    };
    const auto take = [&](const TEntry& e) {
        out.push_back({QtText(NameOf(e)), e.Kind, QtText({FBytes.data() + e.DetailAt, e.DetailLength})});
    };
    std::vector<std::uint32_t> later;
    for (std::uint32_t i = 0; i < FEntries.size() && out.size() < limit; ++i) {
        const int r = rank(FEntries[i]);
        if (r == 0) take(FEntries[i]);
        if (r == 1) later.push_back(i);
    }
    for (std::size_t i = 0; i < later.size() && out.size() < limit; ++i)
        take(FEntries[later[i]]);
    return out;
}
