#include "sql/ScriptPlaces.h"

#include <charconv>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::size_t OffsetOf(std::string_view text, std::string_view part) {
    return static_cast<std::size_t>(part.data() - text.data());
}

} // namespace

std::string_view StatementBody(std::string_view statement) {
    std::size_t p = 0;
    while (p < statement.size() && IsBlank(statement[p]))
        ++p;
    return statement.substr(p);
}

std::size_t StatementAt(const TScriptCut& cut, std::string_view text, std::size_t offset) {
    const auto& list = cut.Statements;
    if (list.empty()) return NoStatement;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::size_t bodyStart = OffsetOf(text, StatementBody(list[i]));
        const std::size_t end = OffsetOf(text, list[i]) + list[i].size();
        // Before this statement's text (its leading blanks, or the delimiter and DELIMITER lines
        // between it and the one before): the one before, if there is one.
        if (offset < bodyStart) return i == 0 ? 0 : i - 1;
        // The caret at the delimiter right after it still belongs to it.
        if (offset <= end) return i;
    }
    return list.size() - 1;
}

std::size_t LineStart(std::string_view statement, int line) {
    if (line < 1) return NoStatement;
    std::size_t p = 0;
    for (int l = 1; l < line; ++l) {
        const std::size_t lf = statement.find('\n', p);
        if (lf == std::string_view::npos) return NoStatement;
        p = lf + 1;
    }
    return p;
}

int ErrorLine(std::string_view message) {
    constexpr std::string_view Marker = "at line ";
    const std::size_t at = message.rfind(Marker);
    if (at == std::string_view::npos) return 0;
    const char* first = message.data() + at + Marker.size();
    const char* last = message.data() + message.size();
    int line = 0;
    const auto [ptr, ec] = std::from_chars(first, last, line);
    if (ec != std::errc() || ptr == first || line < 1) return 0;
    return line;
}
