#pragma once
// The statement cut read the plain way, one character at a time with plain searches, escapes read
// forwards: the reference that the fast scan is checked against, by its tests and its fuzz target.

#include <cstddef>
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

inline std::vector<std::string_view> ReferenceSplit(std::string_view t) {
    std::vector<std::string_view> list;
    std::size_t p = 0, s = 0;
    bool appended = false;
    while (p < t.size()) {
        const char c = t[p];
        if (const std::size_t end = CommentEnd(t, p); end != std::string_view::npos) {
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
        } else if (c == ';') {
            list.push_back(t.substr(s, p - s));
            appended = true;
            s = ++p;
        } else {
            ++p;
        }
    }
    if (!appended) {
        list.push_back(t);
        return list;
    }
    // The tail runs when it holds more than blanks, line breaks and comments.
    for (std::size_t q = s; q < t.size();) {
        if (IsBlankOrBreak(t[q])) {
            ++q;
        } else if (const std::size_t end = CommentEnd(t, q); end != std::string_view::npos) {
            q = end;
        } else {
            list.push_back(t.substr(s));
            break;
        }
    }
    return list;
}

} // namespace reference_split

using reference_split::ReferenceSplit;
