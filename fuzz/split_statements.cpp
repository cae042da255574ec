// The statement splitter against a plain byte-at-a-time reading of the same rules: the splitter's
// vector masks and bit tricks must cut every text exactly where the simple reading does, in each of
// its ways of reading (AVX2, SSE2, a byte at a time), and say where the uncut rest begins.

#include "ReferenceSplit.h"
#include "sql/SplitStatements.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using std::size_t;

namespace {

void CheckSame(const std::vector<std::string_view>& got, const std::vector<std::string_view>& expected) {
    if (got.size() != expected.size()) std::abort();
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i].data() != expected[i].data() || got[i].size() != expected[i].size()) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TReferenceCut expected = ReferenceCut(text);

    for (ESplitReading reading : {ESplitReading::Bytes, ESplitReading::Sse2, ESplitReading::Widest}) {
        ChooseSplitReading(reading);
        std::vector<std::string_view> views;
        SplitStatements(views, text);
        CheckSame(views, expected.Statements);

        const TScriptCut cut = CutScript(text);
        CheckSame(cut.Statements, expected.Statements);
        if (cut.Rest != expected.Rest) std::abort();
        if (cut.Error.empty() != (expected.StoppedAt == std::string_view::npos)) std::abort();
        if (!cut.Error.empty() && cut.ErrorAt != expected.StoppedAt) std::abort();
    }

    std::vector<std::string> copies;
    SplitStatements(copies, text);
    if (copies.size() != expected.Statements.size()) std::abort();
    for (size_t i = 0; i < copies.size(); ++i)
        if (copies[i] != expected.Statements[i]) std::abort();

    // In order, inside the text, not overlapping, each ended by a ";" but perhaps the last (unless
    // a DELIMITER line may have named another delimiter).
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    const bool semicolons = lower.find("delimiter") == std::string::npos;
    const char* end = text.data();
    for (size_t i = 0; i < expected.Statements.size(); ++i) {
        const std::string_view v = expected.Statements[i];
        if (v.data() < end || v.data() + v.size() > text.data() + text.size()) std::abort();
        const bool last = i + 1 == expected.Statements.size();
        if (semicolons && !last && v.data()[v.size()] != ';') std::abort();
        end = v.data() + v.size();
    }
    if (expected.Rest > text.size()) std::abort();
    return 0;
}
