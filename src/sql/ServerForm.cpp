#include "sql/ServerForm.h"

#include <cstring>

std::size_t ToServerForm(char* s, std::size_t n) {
    char* w = s;
    const char* r = s;
    const char* const end = s + n;
    while (r < end) {
        const auto* cr = static_cast<const char*>(std::memchr(r, '\r', static_cast<std::size_t>(end - r)));
        const char* stop = cr ? cr : end;
        std::memmove(w, r, static_cast<std::size_t>(stop - r));
        w += stop - r;
        if (!cr) break;
        if (cr + 1 == end || cr[1] != '\n') *w++ = '\r';
        r = cr + 1;
    }
    return static_cast<std::size_t>(w - s);
}

std::string ServerForm(std::string_view statement) {
    std::string out(statement);
    out.resize(ToServerForm(out.data(), out.size()));
    return out;
}
