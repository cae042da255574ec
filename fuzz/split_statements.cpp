// The statement splitter against a plain byte-at-a-time reading of the same rules: the splitter's
// vector masks and bit tricks must cut every text exactly where the simple reading does.

#include "ReferenceSplit.h"
#include "sql/SplitStatements.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using std::size_t;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> views;
    SplitStatements(views, text);
    std::vector<std::string> copies;
    SplitStatements(copies, text);

    // In order, inside the text, not overlapping, each ended by a ";" but perhaps the last (unless
    // a DELIMITER line may have named another delimiter).
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    const bool semicolons = lower.find("delimiter") == std::string::npos;
    const char* end = text.data();
    for (size_t i = 0; i < views.size(); ++i) {
        const std::string_view v = views[i];
        if (v.data() < end || v.data() + v.size() > text.data() + text.size()) std::abort();
        const bool last = i + 1 == views.size();
        if (semicolons && !last && v.data()[v.size()] != ';') std::abort();
        end = v.data() + v.size();
    }
    if (copies.size() != views.size()) std::abort();
    for (size_t i = 0; i < views.size(); ++i)
        if (copies[i] != views[i]) std::abort();

    const std::vector<std::string_view> expected = ReferenceSplit(text);
    if (expected.size() != views.size()) std::abort();
    for (size_t i = 0; i < views.size(); ++i)
        if (expected[i].data() != views[i].data() || expected[i].size() != views[i].size()) std::abort();
    return 0;
}
