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

bool NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Whether a name outside comments and strings is written with a qualifier before a dot ("shop.t",
// "`my db`.`t`"); a number's decimal point is not one.
bool HasQualifiedName(std::string_view s) {
    bool afterName = false; // the last thing read was a name (not a number)
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '#' || (c == '-' && s.substr(i, 2) == "--")) {
            i = std::min(s.find('\n', i), s.size());
            afterName = false;
        } else if (s.substr(i, 2) == "/*") {
            const std::size_t end = s.find("*/", i + 2);
            i = end == std::string_view::npos ? s.size() : end + 2;
            afterName = false;
        } else if (c == '\'' || c == '"' || c == '`') {
            // Quotes are doubled inside, and a backslash escapes in strings.
            std::size_t j = i + 1;
            while (j < s.size()) {
                if (s[j] == '\\' && c != '`') {
                    j += 2;
                } else if (s[j] == c) {
                    if (j + 1 < s.size() && s[j + 1] == c) {
                        j += 2;
                    } else {
                        break;
                    }
                } else {
                    ++j;
                }
            }
            i = std::min(j + 1, s.size());
            afterName = c != '\''; // a double-quoted name under ANSI_QUOTES, too
        } else if (c == '.') {
            // "DEFAULT .5" is a number after a word; "t.1a" a name that starts with a digit.
            std::size_t next = i + 1;
            while (next < s.size() && std::isspace(static_cast<unsigned char>(s[next])))
                ++next;
            const bool digit = next < s.size() && std::isdigit(static_cast<unsigned char>(s[next]));
            const bool touching = i > 0 && !std::isspace(static_cast<unsigned char>(s[i - 1]));
            if (afterName && (!digit || touching)) return true;
            afterName = false;
            ++i;
        } else if (NameChar(c)) {
            bool digits = true; // "1.50": a decimal point; "1a.t": a name may start with a digit
            while (i < s.size() && NameChar(s[i]))
                digits &= std::isdigit(static_cast<unsigned char>(s[i++])) != 0;
            afterName = !digits;
        } else {
            // "shop . t" is qualified too.
            if (!std::isspace(static_cast<unsigned char>(c))) afterName = false;
            ++i;
        }
    }
    return false;
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
    if (verb == "TRUNCATE") {
        effect.Catalogue = true;
        effect.OtherDatabases = HasQualifiedName(statement);
    }
    constexpr std::array<const char*, 5> kinds = {"TABLE", "TABLES", "VIEW", "DATABASE", "SCHEMA"};
    // Other objects (an index, a user, a routine) name their kind before any of these.
    constexpr std::array<const char*, 12> others = {"INDEX",    "USER",       "ROLE",    "PROCEDURE",
                                                    "FUNCTION", "TRIGGER",    "EVENT",   "SERVER",
                                                    "SEQUENCE", "TABLESPACE", "PACKAGE", "LOGFILE"};
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (OneOf(words[i], others)) break;
        if (OneOf(words[i], kinds)) {
            effect.Catalogue = true;
            const bool database = words[i] == "DATABASE" || words[i] == "SCHEMA";
            effect.CurrentDatabase = verb == "DROP" && database;
            effect.OtherDatabases = database || HasQualifiedName(statement);
            break;
        }
    }
    return effect;
}
