#include "editor/BracketMatch.h"

#include <string_view>

namespace {

// Each opening bracket before its closing one.
constexpr std::u16string_view Brackets = u"()[]{}";

// The partner of a bracket, and whether the bracket opens; 0 for any other character.
char16_t PartnerOf(char16_t c, bool& opens) {
    const std::size_t at = Brackets.find(c);
    opens = at != std::u16string_view::npos && at % 2 == 0;
    return at == std::u16string_view::npos ? char16_t(0) : Brackets[at ^ 1];
}

} // namespace

TBracketMatch MatchBracket(std::u16string_view text, int caret, const std::vector<std::uint8_t>* code) {
    const auto isCode = [&](int i) { return !code || (*code)[std::size_t(i)] != 0; };
    const int n = int(text.size());
    TBracketMatch match;
    char16_t partner = 0;
    bool opens = false;
    for (const int at : {caret - 1, caret}) {
        if (at < 0 || at >= n || !isCode(at)) continue;
        partner = PartnerOf(text[std::size_t(at)], opens);
        if (partner != 0) {
            match.At = at;
            break;
        }
    }
    if (match.At < 0) return match;
    match.Forward = opens;
    const char16_t self = text[std::size_t(match.At)];
    const int step = opens ? 1 : -1;
    int depth = 0;
    for (int i = match.At + step; i >= 0 && i < n; i += step) {
        const char16_t c = text[std::size_t(i)];
        if ((c != self && c != partner) || !isCode(i)) continue;
        if (c == self) {
            ++depth;
        } else if (depth-- == 0) {
            match.Partner = i;
            break;
        }
    }
    return match;
}
