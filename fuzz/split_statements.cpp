// The statement splitter against a plain byte-at-a-time reading of the same rules: the splitter's
// vector masks and bit tricks must cut every text exactly where the simple reading does.

#include "SplitStatements.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using std::size_t;
constexpr size_t None = std::string_view::npos;

bool DashComment(std::string_view t, size_t p) {
    if (p + 1 >= t.size() || t[p] != '-' || t[p + 1] != '-') return false;
    if (p + 2 == t.size()) return true;
    const char c = t[p + 2];
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Where the comment or quoted text at p ends (the position after it), or None when it runs to the
// end of the text; p itself + 1 when nothing starts at p.
size_t SkipAt(std::string_view t, size_t p) {
    const char c = t[p];
    if (c == '#') {
        const size_t crlf = t.find("\r\n", p);
        return crlf == None ? None : crlf + 1;
    }
    if (c == '/' && p + 1 < t.size() && t[p + 1] == '*') {
        const size_t close = t.find("*/", p);
        return close == None ? p + 1 : close + 2;
    }
    if (DashComment(t, p)) {
        const size_t lf = t.find('\n', p);
        return lf == None ? None : lf;
    }
    if (c == '\'' || c == '"' || c == '`') {
        for (size_t q = p + 1; q < t.size(); ++q) {
            if (c != '`' && t[q] == '\\') {
                ++q;
            } else if (t[q] == c) {
                if (q + 1 < t.size() && t[q + 1] == c)
                    ++q;
                else
                    return q + 1;
            }
        }
        return None;
    }
    return p + 1;
}

bool HoldsStatement(std::string_view t, size_t p) {
    while (p < t.size()) {
        const char c = t[p];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++p;
        } else if (c == '#' || DashComment(t, p) || (c == '/' && p + 1 < t.size() && t[p + 1] == '*')) {
            const size_t next = SkipAt(t, p);
            if (next == None) return false;
            if (next == p + 1) return true; // an unclosed "/*"
            p = next;
        } else {
            return true;
        }
    }
    return false;
}

std::vector<std::string_view> Reference(std::string_view t) {
    std::vector<std::string_view> list;
    size_t s = 0;
    bool cut = false;
    for (size_t p = 0; p < t.size();) {
        if (t[p] == ';') {
            list.push_back(t.substr(s, p - s));
            cut = true;
            s = ++p;
            continue;
        }
        p = SkipAt(t, p);
        if (p == None) break;
    }
    if (!cut)
        list.push_back(t);
    else if (HoldsStatement(t, s))
        list.push_back(t.substr(s));
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> views;
    SplitStatements(views, text);
    std::vector<std::string> copies;
    SplitStatements(copies, text);

    // In order, inside the text, not overlapping, each ended by a ";" but perhaps the last.
    const char* end = text.data();
    for (size_t i = 0; i < views.size(); ++i) {
        const std::string_view v = views[i];
        if (v.data() < end || v.data() + v.size() > text.data() + text.size()) std::abort();
        const bool last = i + 1 == views.size();
        if (!last && v.data()[v.size()] != ';') std::abort();
        end = v.data() + v.size();
    }
    if (copies.size() != views.size()) std::abort();
    for (size_t i = 0; i < views.size(); ++i)
        if (copies[i] != views[i]) std::abort();

    const std::vector<std::string_view> expected = Reference(text);
    if (expected.size() != views.size()) std::abort();
    for (size_t i = 0; i < views.size(); ++i)
        if (expected[i].data() != views[i].data() || expected[i].size() != views[i].size()) std::abort();
    return 0;
}
