#include "sql/SqlCode.h"

#include <algorithm>

namespace {

// What may follow "--" for it to start a comment: a blank or a line break.
bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Where the quoted text opened at `open` ends, just past its closing quote.
std::size_t QuotedEnd(std::u16string_view text, std::size_t open) {
    const char16_t quote = text[open];
    const bool escapes = quote != u'`';
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (escapes && text[i] == u'\\') {
            ++i;
        } else if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote)
                ++i;
            else
                return i + 1;
        }
    }
    return text.size();
}

std::size_t Found(std::size_t at, std::size_t length, std::size_t otherwise) {
    return at == std::u16string_view::npos ? otherwise : at + length;
}

} // namespace

void MarkSqlCode(std::u16string_view text, std::vector<std::uint8_t>& code) {
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const char16_t c = text[i];
        std::size_t end = i;
        if (c == u'\'' || c == u'"' || c == u'`')
            end = QuotedEnd(text, i);
        else if (c == u'#' ||
                 (c == u'-' && i + 1 < n && text[i + 1] == u'-' && (i + 2 == n || IsSpace(text[i + 2]))))
            end = Found(text.find(u'\n', i), 0, n);
        else if (c == u'/' && i + 1 < n && text[i + 1] == u'*')
            end = Found(text.find(u"*/", i + 2), 2, n);
        if (end == i) {
            ++i;
            continue;
        }
        std::fill(code.begin() + std::ptrdiff_t(i), code.begin() + std::ptrdiff_t(std::min(end, n)), 0);
        i = end;
    }
}
