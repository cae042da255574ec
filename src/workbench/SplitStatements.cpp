#include "SplitStatements.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

constexpr std::size_t NotFound = std::string_view::npos;

// The scan takes its stops from masks: bit i of a mask word is set when the i-th of its 64 bytes is
// ';', '#' or '/'. Making the masks is where nearly all the time goes on a long script, so they are
// made for a window of bytes at a time, with the widest vector instructions the processor has.
constexpr std::size_t WindowWords = 8;

bool IsSpecial(char c) {
    return c == ';' || c == '#' || c == '/';
}

std::uint64_t TailMask(const char* text, std::size_t length) {
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < length; ++i)
        if (IsSpecial(text[i])) mask |= std::uint64_t{1} << i;
    return mask;
}

// Masks of `words` whole words of 64 bytes from `text`.
void MasksPortable(const char* text, std::uint64_t* masks, std::size_t words) {
    for (std::size_t w = 0; w < words; ++w) {
#if defined(__SSE2__)
        const __m128i semi = _mm_set1_epi8(';');
        const __m128i hash = _mm_set1_epi8('#');
        const __m128i slash = _mm_set1_epi8('/');
        auto mask16 = [&](const char* at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, semi), _mm_cmpeq_epi8(v, hash)),
                                             _mm_cmpeq_epi8(v, slash));
            return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit)));
        };
        const char* at = text + 64 * w;
        masks[w] = mask16(at) | mask16(at + 16) << 16 | mask16(at + 32) << 32 | mask16(at + 48) << 48;
#else
        masks[w] = TailMask(text + 64 * w, 64);
#endif
    }
}

using MaskMaker = void (*)(const char*, std::uint64_t*, std::size_t);

#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] void MasksAvx2(const char* text, std::uint64_t* masks, std::size_t words) {
    const __m256i semi = _mm256_set1_epi8(';');
    const __m256i hash = _mm256_set1_epi8('#');
    const __m256i slash = _mm256_set1_epi8('/');
    for (std::size_t w = 0; w < words; ++w) {
        const char* at = text + 64 * w;
        const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32));
        const __m256i hitLo =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(lo, semi), _mm256_cmpeq_epi8(lo, hash)),
                            _mm256_cmpeq_epi8(lo, slash));
        const __m256i hitHi =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(hi, semi), _mm256_cmpeq_epi8(hi, hash)),
                            _mm256_cmpeq_epi8(hi, slash));
        masks[w] = static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hitLo))) |
                   static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hitHi))) << 32;
    }
}

MaskMaker ChooseMaskMaker() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? MasksAvx2 : MasksPortable;
}
#else
MaskMaker ChooseMaskMaker() {
    return MasksPortable;
}
#endif

// The masks of the bytes from `base`: up to WindowWords words, the last one cut at the text's end.
struct TWindow {
    std::size_t Base = 0;
    std::size_t Words = 0;
    std::uint64_t Masks[WindowWords];

    void Load(MaskMaker make, const char* text, std::size_t n, std::size_t base) {
        Base = base;
        const std::size_t left = n - base;
        const std::size_t whole = left / 64 < WindowWords ? left / 64 : WindowWords;
        make(text + base, Masks, whole);
        Words = whole;
        if (whole < WindowWords && left % 64 != 0)
            Masks[Words++] = TailMask(text + base + 64 * whole, left % 64);
    }
    std::size_t End() const { return Base + 64 * Words; }
};

// First position at or after p where `first` is directly followed by `second`, or NotFound.
std::size_t FindPair(const char* text, std::size_t n, std::size_t p, char first, char second) {
    while (p + 1 < n) {
        const void* hit = std::memchr(text + p, first, n - 1 - p);
        if (!hit) return NotFound;
        const std::size_t q = static_cast<std::size_t>(static_cast<const char*>(hit) - text);
        if (text[q + 1] == second) return q;
        p = q + 1;
    }
    return NotFound;
}

template <class Emit> void Scan(std::string_view Text, Emit emit) {
    const char* text = Text.data();
    const std::size_t n = Text.size();
    std::size_t p = 0;
    std::size_t s = 0;
    bool appended = false;
    // Once a search for "*/" has failed from some position, none can succeed from a later one;
    // remembering that keeps a text full of unclosed "/*" linear.
    std::size_t noCloseFrom = NotFound;

    static const MaskMaker make = ChooseMaskMaker();
    TWindow window;
    window.Load(make, text, n, 0);
    std::size_t word = 0;
    std::uint64_t mask = window.Words ? window.Masks[0] : 0;
    for (;;) {
        while (mask == 0) {
            if (++word >= window.Words) {
                if (window.End() >= n) break;
                window.Load(make, text, n, window.End());
                word = 0;
            }
            mask = window.Masks[word];
        }
        if (mask == 0) break;
        p = window.Base + 64 * word + static_cast<std::size_t>(__builtin_ctzll(mask));
        const char c = text[p];
        if (c == '#') {
            const std::size_t crlf = FindPair(text, n, p, '\r', '\n');
            if (crlf == NotFound) break; // the comment runs to the end of the text
            p = crlf + 2;                // the LF itself is an ordinary character
        } else if (c == '/') {
            std::size_t close = NotFound;
            if (p + 1 < n && text[p + 1] == '*' && (noCloseFrom == NotFound || p < noCloseFrom)) {
                // Searched from the opening "/" itself, so "/*/" is already a whole comment.
                close = FindPair(text, n, p, '*', '/');
                if (close == NotFound) noCloseFrom = p;
            }
            // An unclosed "/*" is an ordinary character.
            p = close == NotFound ? p + 1 : close + 2;
        } else { // ';'
            emit(Text.substr(s, p - s));
            appended = true;
            s = ++p;
        }
        if (p >= n) break;
        if (p < window.End()) {
            const std::size_t offset = p - window.Base;
            word = offset / 64;
            mask = window.Masks[word] & (~std::uint64_t{0} << (offset % 64));
        } else {
            // A comment jumped past the window: the masks start again where the scan goes on.
            window.Load(make, text, n, p);
            word = 0;
            mask = window.Masks[0];
        }
    }
    if (!appended) emit(Text);
}

} // namespace

void SplitStatements(std::vector<std::string>& List, std::string_view Text) {
    Scan(Text, [&](std::string_view statement) { List.emplace_back(statement); });
}

void SplitStatements(std::vector<std::string_view>& List, std::string_view Text) {
    Scan(Text, [&](std::string_view statement) { List.push_back(statement); });
}
