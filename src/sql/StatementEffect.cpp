#include "sql/StatementEffect.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace {

// The first `count` words of the statement, upper case, past blanks and comments; backtick names
// and other characters end the words read.
std::vector<std::string> FirstWords(std::string_view s, std::size_t count) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < s.size() && words.size() < count) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '#' || (c == '-' && s.substr(i, 2) == "--" &&
                         (i + 2 >= s.size() || std::isspace(static_cast<unsigned char>(s[i + 2]))))) {
            i = std::min(s.find('\n', i), s.size());
        } else if (s.substr(i, 2) == "/*") {
            const std::size_t end = s.find("*/", i + 2);
            i = end == std::string_view::npos ? s.size() : end + 2;
        } else if (std::isalpha(c) || c == '_') {
            std::string w;
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
                w += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++])));
            words.push_back(std::move(w));
        } else {
            // Blanks, and the signs of "DEFINER=`x`@`y`", "ALGORITHM=..." and the like.
            ++i;
        }
    }
    return words;
}

template <std::size_t N> bool OneOf(const std::string& w, const std::array<const char*, N>& list) {
    return std::any_of(list.begin(), list.end(), [&](const char* x) { return w == x; });
}

} // namespace

TStatementEffect EffectOf(std::string_view statement) {
    TStatementEffect effect;
    // "CREATE OR REPLACE ALGORITHM=MERGE DEFINER=`a`@`b` SQL SECURITY DEFINER VIEW": the object's
    // kind comes within the first dozen words.
    const std::vector<std::string> words = FirstWords(statement, 12);
    if (words.empty()) return effect;
    const std::string& verb = words.front();
    if (verb == "USE") {
        effect.CurrentDatabase = true;
        return effect;
    }
    constexpr std::array<const char*, 5> verbs = {"CREATE", "DROP", "ALTER", "RENAME", "TRUNCATE"};
    if (!OneOf(verb, verbs)) return effect;
    // "TRUNCATE t" names no kind: it is a table.
    if (verb == "TRUNCATE") effect.Catalogue = true;
    constexpr std::array<const char*, 5> kinds = {"TABLE", "TABLES", "VIEW", "DATABASE", "SCHEMA"};
    // Other objects (an index, a user, a routine) name their kind before any of these.
    constexpr std::array<const char*, 12> others = {"INDEX",    "USER",       "ROLE",    "PROCEDURE",
                                                    "FUNCTION", "TRIGGER",    "EVENT",   "SERVER",
                                                    "SEQUENCE", "TABLESPACE", "PACKAGE", "LOGFILE"};
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (OneOf(words[i], others)) break;
        if (OneOf(words[i], kinds)) {
            effect.Catalogue = true;
            effect.CurrentDatabase = verb == "DROP" && (words[i] == "DATABASE" || words[i] == "SCHEMA");
            break;
        }
    }
    return effect;
}
