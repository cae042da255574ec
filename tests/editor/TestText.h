#pragma once
// Small helpers that keep the colouring tests readable with ASCII literals.

#include <string>
#include <string_view>

inline std::u16string U(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

inline std::string A(std::u16string_view s) {
    std::string out;
    for (char16_t c : s)
        out += c < 128 ? char(c) : '?';
    return out;
}
