// The .reg settings reader: whatever part of a file loads saves back to a file that loads in full,
// to the same keys and values, and saves again to the very same bytes.

#include "platform/internal/RegFile.h"

#include <cstdlib>
#include <string>

namespace {

void Same(const TRegKey& a, const TRegKey& b) {
    if (a.Name != b.Name || a.Subkeys.size() != b.Subkeys.size() || a.Values.size() != b.Values.size())
        std::abort();
    for (std::size_t i = 0; i < a.Values.size(); ++i) {
        const TRegValue& x = a.Values[i];
        const TRegValue& y = b.Values[i];
        if (x.Name != y.Name || x.Type != y.Type) std::abort();
        if (x.Type == rdString ? x.Text != y.Text : x.Dword != y.Dword) std::abort();
    }
    for (std::size_t i = 0; i < a.Subkeys.size(); ++i)
        Same(*a.Subkeys[i], *b.Subkeys[i]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TRegKey loaded;
    ParseRegFile(bytes, loaded);
    const std::string saved = SerializeRegFile(loaded);

    TRegKey again;
    if (!ParseRegFile(saved, again)) std::abort();
    Same(loaded, again);
    if (SerializeRegFile(again) != saved) std::abort();
    return 0;
}
