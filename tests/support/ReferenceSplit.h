#pragma once
// The statement cut read the plain way, one character at a time with plain searches, escapes read
// forwards: the reference that the fast scan is checked against, by its tests and its fuzz target.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace reference_split {

inline bool IsBlankOrBreak(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// "--" followed by white space or by the end of the text.
inline bool DashComment(std::string_view t, std::size_t p) {
    return t.substr(p, 2) == "--" &&
           (p + 2 == t.size() || std::string_view(" \t\r\n\v\f").find(t[p + 2]) != std::string_view::npos);
}

// Where the comment at p ends (the scan goes on there), t.size() when it runs to the end of the
// text, or npos when p starts no comment. An unclosed "/*" is no comment.
inline std::size_t CommentEnd(std::string_view t, std::size_t p) {
    if (t[p] == '#') {
        const std::size_t q = t.find("\r\n", p);
        return q == std::string_view::npos ? t.size() : q + 1;
    }
    if (DashComment(t, p)) {
        const std::size_t q = t.find('\n', p);
        return q == std::string_view::npos ? t.size() : q;
    }
    if (t.substr(p, 2) == "/*") {
        const std::size_t q = t.find("*/", p);
        return q == std::string_view::npos ? std::string_view::npos : q + 2;
    }
    return std::string_view::npos;
}

// A DELIMITER line starting at p: the new delimiter, or an empty one when the line names none
// (the cut stops there); `next` is where the following line begins. Not a DELIMITER line: false.
inline bool DelimiterLine(std::string_view t, std::size_t p, std::string& word, std::size_t& next) {
    std::size_t q = p;
    while (q < t.size() && (t[q] == ' ' || t[q] == '\t'))
        ++q;
    const std::string_view name = "delimiter";
    if (t.size() - q < name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = t[q + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != name[i]) return false;
    }
    q += name.size();
    if (q < t.size() && std::string_view(" \t\r\n").find(t[q]) == std::string_view::npos) return false;
    std::size_t end = t.find('\n', q);
    next = end == std::string_view::npos ? t.size() : end + 1;
    if (end == std::string_view::npos) end = t.size();
    std::string_view rest = t.substr(q, end - q);
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    word.clear();
    if (!rest.empty() && (rest[0] == '\'' || rest[0] == '"' || rest[0] == '`')) {
        const std::size_t close = rest.find(rest[0], 1);
        if (close != std::string_view::npos) word = rest.substr(1, close - 1);
    } else {
        word = rest.substr(0, rest.find_first_of(" \t"));
    }
    if (word.find('\\') != std::string::npos) word.clear();
    return true;
}

// Whether [s, e) holds more than blanks, line breaks and comments.
inline bool HoldsMore(std::string_view t, std::size_t s, std::size_t e) {
    const std::string_view part = t.substr(s, e - s);
    for (std::size_t q = 0; q < part.size();) {
        if (IsBlankOrBreak(part[q])) {
            ++q;
        } else if (const std::size_t end = CommentEnd(part, q); end != std::string_view::npos) {
            q = end;
        } else {
            return true;
        }
    }
    return false;
}

inline bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The cut, where the text after its last delimiter (or last whole DELIMITER line) begins, and
// where a DELIMITER line that names no delimiter stopped it (npos when none did).
struct TReferenceCut {
    std::vector<std::string_view> Statements;
    std::size_t Rest = 0;
    std::size_t StoppedAt = std::string_view::npos;
};

inline TReferenceCut ReferenceCut(std::string_view t) {
    TReferenceCut cut;
    std::vector<std::string_view>& list = cut.Statements;
    std::string delimiter = ";";
    std::size_t p = 0, s = 0;
    bool appended = false;
    while (p < t.size()) {
        if (p == 0 || t[p - 1] == '\n') {
            std::string word;
            std::size_t next = 0;
            if (DelimiterLine(t, p, word, next)) {
                if (HoldsMore(t, s, p)) list.push_back(t.substr(s, p - s));
                if (word.empty()) { // a line that names no delimiter stops the cut
                    cut.StoppedAt = p;
                    return cut;
                }
                appended = true;
                delimiter = word;
                // A line the text ends in without a line break is not taken yet.
                cut.Rest = next == t.size() && t.back() != '\n' ? p : next;
                p = s = next;
                continue;
            }
        }
        const char c = t[p];
        if (SameLetters(t.substr(p, delimiter.size()), delimiter)) {
            list.push_back(t.substr(s, p - s));
            appended = true;
            p += delimiter.size();
            s = cut.Rest = p;
        } else if (const std::size_t end = CommentEnd(t, p); end != std::string_view::npos) {
            p = end;
        } else if (c == '\'' || c == '"' || c == '`') {
            std::size_t i = p + 1;
            while (i < t.size()) {
                if (c != '`' && t[i] == '\\') {
                    i += 2;
                } else if (t[i] == c && i + 1 < t.size() && t[i + 1] == c) {
                    i += 2;
                } else if (t[i] == c) {
                    break;
                } else {
                    ++i;
                }
            }
            p = i + 1; // past the end when unclosed
        } else {
            ++p;
        }
    }
    if (!appended) {
        list.push_back(t);
        return cut;
    }
    // The tail runs when it holds more than blanks, line breaks and comments.
    if (HoldsMore(t, s, t.size())) list.push_back(t.substr(s));
    return cut;
}

inline std::vector<std::string_view> ReferenceSplit(std::string_view t) {
    return ReferenceCut(t).Statements;
}

} // namespace reference_split

using reference_split::ReferenceCut;
using reference_split::ReferenceSplit;
using reference_split::TReferenceCut;
