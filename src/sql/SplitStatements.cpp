#include "sql/SplitStatements.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

constexpr std::size_t NotFound = std::string_view::npos;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// What may follow "--" for it to start a comment: a blank or a line break.
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const char* a, std::string_view b) {
    for (std::size_t i = 0; i < b.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::size_t Find(const char* text, std::size_t n, std::size_t p, char c) {
    if (p >= n) return NotFound;
    const void* hit = std::memchr(text + p, c, n - p);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text) : NotFound;
}

// First position at or after p where `first` is directly followed by `second`, or NotFound.
std::size_t FindPair(const char* text, std::size_t n, std::size_t p, char first, char second) {
    while (p + 1 < n) {
        const std::size_t q = Find(text, n - 1, p, first);
        if (q == NotFound) return NotFound;
        if (text[q + 1] == second) return q;
        p = q + 1;
    }
    return NotFound;
}

// "--" starts a comment, as the server reads it, only when a blank or a line break follows it, or
// when it ends the text; otherwise it is two minus signs.
bool DashCommentAt(const char* text, std::size_t n, std::size_t p) {
    if (p + 1 >= n || text[p] != '-' || text[p + 1] != '-') return false;
    return p + 2 == n || IsSpace(text[p + 2]);
}

// Whether the text after the last ";" holds anything besides blanks, line breaks and comments;
// only then is it a statement of its own.
bool HoldsStatement(const char* text, std::size_t n, std::size_t p) {
    while (p < n) {
        const char c = text[p];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++p;
        } else if (c == '#') {
            const std::size_t crlf = FindPair(text, n, p, '\r', '\n');
            if (crlf == NotFound) return false;
            p = crlf + 1;
        } else if (DashCommentAt(text, n, p)) {
            const std::size_t lf = Find(text, n, p, '\n');
            if (lf == NotFound) return false;
            p = lf;
        } else if (c == '/' && p + 1 < n && text[p + 1] == '*') {
            const std::size_t close = FindPair(text, n, p, '*', '/');
            if (close == NotFound) return true; // an unclosed "/*" is no comment
            p = close + 2;
        } else {
            return true;
        }
    }
    return false;
}

// Where the argument of a DELIMITER command on the line starting at p begins (just after the
// word), or NotFound when the line is no such command.
std::size_t DelimiterCommandAt(const char* text, std::size_t n, std::size_t p) {
    constexpr std::string_view Word = "delimiter";
    while (p < n && IsBlank(text[p]))
        ++p;
    if (n - p < Word.size() || !SameIgnoringCase(text + p, Word)) return NotFound;
    const std::size_t after = p + Word.size();
    if (after < n && !IsBlank(text[after]) && text[after] != '\r' && text[after] != '\n') return NotFound;
    return after;
}

// ---- Masks ----
//
// The fast cut reads the text in blocks of 64 bytes, at offsets 0, 64, 128, ... of the text, each
// block as three masks in which bit i stands for its i-th byte. Making the masks is where much of
// the time goes, so they are made for a window of blocks at a time with the widest vector
// instructions the processor has, and one mask joins all that the scan treats alike.
constexpr std::size_t BlockSize = 64;
// A block is read with the two bytes after it (the end of an "eli").
constexpr std::size_t BlockReach = BlockSize + 2;

struct TBlockMasks {
    std::uint64_t Semicolons = 0;
    std::uint64_t QuoteParity = 0; // bit i: an odd number of "'" among bits 0 to i
    // The other bytes the scan stops at: '"', '`', '#', '\', "/*", "--", and "eli" in any letter
    // case (a DELIMITER line must begin with "deli"). A way may mark a few more ("/" before a line
    // break, "-" before a CR), which the scan then finds to be ordinary; inside texts in single
    // quotes only the backslashes count, but the others are rare there.
    std::uint64_t Others = 0;
};

// What ends a comment or a text in '"' or '`' quotes.
enum class EEnd { CrLf, Lf, StarSlash, DoubleQuoteOrBackslash, Backtick };

// Bit i of the result is the parity of the bits 0 to i of x.
std::uint64_t PrefixParity(std::uint64_t x) {
    for (unsigned shift = 1; shift < 64; shift *= 2)
        x ^= x << shift;
    return x;
}

bool IsOther(const char* p) {
    const char c = p[0];
    return c == '"' || c == '`' || c == '#' || c == '\\' || (c == '/' && p[1] == '*') ||
           (c == '-' && p[1] == '-') ||
           (AsciiLower(c) == 'e' && AsciiLower(p[1]) == 'l' && AsciiLower(p[2]) == 'i');
}

bool IsEnd(const char* p, EEnd kind) {
    switch (kind) {
    case EEnd::CrLf:
        return p[0] == '\r' && p[1] == '\n';
    case EEnd::Lf:
        return p[0] == '\n';
    case EEnd::StarSlash:
        return p[0] == '*' && p[1] == '/';
    case EEnd::DoubleQuoteOrBackslash:
        return p[0] == '"' || p[0] == '\\';
    case EEnd::Backtick:
        return p[0] == '`';
    }
    return false;
}

// The ways to read the text. Masks reads the bytes p[0] to p[64 * blocks + 1]; Ends gives the bits
// of the 64 bytes from p on where `kind` is found, reading p[0] to p[64].
struct TBytes {
    static constexpr bool HasPopcount = false;

    static void Masks(const char* p, TBlockMasks* out, std::size_t blocks) {
        for (std::size_t b = 0; b < blocks; ++b, p += BlockSize) {
            TBlockMasks m;
            std::uint64_t quotes = 0;
            for (std::size_t i = 0; i < BlockSize; ++i) {
                const std::uint64_t bit = std::uint64_t{1} << i;
                if (p[i] == ';')
                    m.Semicolons |= bit;
                else if (p[i] == '\'')
                    quotes |= bit;
                else if (IsOther(p + i))
                    m.Others |= bit;
            }
            m.QuoteParity = PrefixParity(quotes);
            out[b] = m;
        }
    }

    static std::uint64_t Ends(const char* p, EEnd kind) {
        std::uint64_t m = 0;
        for (std::size_t i = 0; i < BlockSize; ++i)
            if (IsEnd(p + i, kind)) m |= std::uint64_t{1} << i;
        return m;
    }
};

#if defined(__SSE2__)
struct TSse2 {
    static constexpr bool HasPopcount = false;

    static __m128i Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static __m128i Eq(__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); }
    static std::uint64_t Bits(__m128i hit, unsigned part) {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))) << (16 * part);
    }

    static void Masks(const char* p, TBlockMasks* out, std::size_t blocks) {
        const __m128i lower = _mm_set1_epi8(0x20);
        for (std::size_t b = 0; b < blocks; ++b, p += BlockSize) {
            TBlockMasks m;
            std::uint64_t quotes = 0;
            for (unsigned part = 0; part < 4; ++part) {
                const char* at = p + 16 * std::size_t{part};
                const __m128i v = Load(at), next = Load(at + 1);
                m.Semicolons |= Bits(Eq(v, ';'), part);
                quotes |= Bits(Eq(v, '\''), part);
                __m128i others = _mm_or_si128(_mm_or_si128(Eq(v, '"'), Eq(v, '`')), Eq(v, '#'));
                others = _mm_or_si128(others, Eq(v, '\\'));
                others = _mm_or_si128(others, _mm_and_si128(Eq(v, '/'), Eq(next, '*')));
                others = _mm_or_si128(others, _mm_and_si128(Eq(v, '-'), Eq(next, '-')));
                // "eli" in any letter case: each byte but for the bit that makes a capital.
                __m128i eli = _mm_or_si128(_mm_xor_si128(v, _mm_set1_epi8('e')),
                                           _mm_xor_si128(next, _mm_set1_epi8('l')));
                eli = _mm_or_si128(eli, _mm_xor_si128(Load(at + 2), _mm_set1_epi8('i')));
                others = _mm_or_si128(others, _mm_cmpeq_epi8(_mm_or_si128(eli, lower), lower));
                m.Others |= Bits(others, part);
            }
            m.QuoteParity = PrefixParity(quotes);
            out[b] = m;
        }
    }

    static std::uint64_t Ends(const char* p, EEnd kind) {
        std::uint64_t m = 0;
        for (unsigned part = 0; part < 4; ++part) {
            const char* at = p + 16 * std::size_t{part};
            const __m128i v = Load(at);
            __m128i hit;
            switch (kind) {
            case EEnd::CrLf:
                hit = _mm_and_si128(Eq(v, '\r'), Eq(Load(at + 1), '\n'));
                break;
            case EEnd::Lf:
                hit = Eq(v, '\n');
                break;
            case EEnd::StarSlash:
                hit = _mm_and_si128(Eq(v, '*'), Eq(Load(at + 1), '/'));
                break;
            case EEnd::DoubleQuoteOrBackslash:
                hit = _mm_or_si128(Eq(v, '"'), Eq(v, '\\'));
                break;
            default:
                hit = Eq(v, '`');
                break;
            }
            m |= Bits(hit, part);
        }
        return m;
    }
};
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define KORVANA_AVX2 gnu::target("avx2,bmi,pclmul,popcnt")
struct TAvx2 {
    static constexpr bool HasPopcount = true;

    [[KORVANA_AVX2]] static __m256i Load(const char* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    [[KORVANA_AVX2]] static __m256i Eq(__m256i v, char c) {
        return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c));
    }
    [[KORVANA_AVX2]] static std::uint64_t Bits(__m256i hit, unsigned half) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hit)))
               << (32 * half);
    }

    // Each byte is classed by two table look-ups, one per half of it: the classes of its low and
    // of its high half share a bit when the byte is one of these.
    enum : char {
        Semicolon = char(0x80), // ';'
        Quote = 0x40,           // '\''
        Dash = 0x20,            // '-', before a '-'
        Slash = 0x10,           // '/', before a '*'
        E = 0x08,               // 'e' and 'E', before an 'l' and an 'i'
        QuoteOrHash = 0x04,     // '"' and '#'
        Backtick = 0x02,        // '`'
        Backslash = 0x01,       // '\'
        Alone = QuoteOrHash | Backtick | Backslash,
    };

    [[KORVANA_AVX2]] static void Masks(const char* p, TBlockMasks* out, std::size_t blocks) {
        const __m256i low = _mm256_setr_epi8(Backtick, 0, QuoteOrHash, QuoteOrHash, 0, E, 0, Quote, 0, 0, 0,
                                             Semicolon, Backslash, Dash, 0, Slash, //
                                             Backtick, 0, QuoteOrHash, QuoteOrHash, 0, E, 0, Quote, 0, 0, 0,
                                             Semicolon, Backslash, Dash, 0, Slash);
        const __m256i high = _mm256_setr_epi8(0, 0, QuoteOrHash | Quote | Dash | Slash, Semicolon, E,
                                              Backslash, Backtick | E, 0, 0, 0, 0, 0, 0, 0, 0, 0, //
                                              0, 0, QuoteOrHash | Quote | Dash | Slash, Semicolon, E,
                                              Backslash, Backtick | E, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        // The byte that must follow for the class of the low half: '*' after '/', '-' after '-', 'l'
        // after 'e', compared with the next byte made lower case the simple way (so that a line
        // break after '/' or a CR after '-' passes too, to be told apart by the scan).
        const __m256i second = _mm256_setr_epi8(0, 0, 0, 0, 0, 'l', 0, 0, 0, 0, 0, 0, 0, '-', 0, '*', //
                                                0, 0, 0, 0, 0, 'l', 0, 0, 0, 0, 0, 0, 0, '-', 0, '*');
        const __m256i nibble = _mm256_set1_epi8(0x0f);
        const __m256i lower = _mm256_set1_epi8(0x20);
        for (std::size_t b = 0; b < blocks; ++b, p += BlockSize) {
            TBlockMasks m;
            std::uint64_t quotes = 0;
            for (unsigned half = 0; half < 2; ++half) {
                const char* at = p + 32 * std::size_t{half};
                const __m256i v = Load(at);
                const __m256i lowHalf = _mm256_and_si256(v, nibble);
                const __m256i c = _mm256_and_si256(
                    _mm256_shuffle_epi8(low, lowHalf),
                    _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble)));
                m.Semicolons |= Bits(c, half);
                quotes |= Bits(_mm256_add_epi8(c, c), half);
                const __m256i paired =
                    _mm256_and_si256(c, _mm256_cmpeq_epi8(_mm256_or_si256(Load(at + 1), lower),
                                                          _mm256_shuffle_epi8(second, lowHalf)));
                // An 'e' counts only with an 'i' after its 'l'.
                const __m256i i = Eq(_mm256_or_si256(Load(at + 2), lower), 'i');
                const __m256i pairs =
                    _mm256_or_si256(_mm256_and_si256(i, _mm256_set1_epi8(E)), _mm256_set1_epi8(Dash | Slash));
                const __m256i hits = _mm256_or_si256(_mm256_and_si256(c, _mm256_set1_epi8(Alone)),
                                                     _mm256_and_si256(paired, pairs));
                m.Others |= Bits(_mm256_cmpgt_epi8(hits, _mm256_setzero_si256()), half);
            }
            // A carry-less product with all ones is the prefix parity.
            m.QuoteParity = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_clmulepi64_si128(
                _mm_cvtsi64_si128(static_cast<long long>(quotes)), _mm_set1_epi8(-1), 0)));
            out[b] = m;
        }
    }

    [[KORVANA_AVX2]] static std::uint64_t Ends(const char* p, EEnd kind) {
        std::uint64_t m = 0;
        for (unsigned half = 0; half < 2; ++half) {
            const char* at = p + 32 * std::size_t{half};
            const __m256i v = Load(at);
            __m256i hit;
            switch (kind) {
            case EEnd::CrLf:
                hit = _mm256_and_si256(Eq(v, '\r'), Eq(Load(at + 1), '\n'));
                break;
            case EEnd::Lf:
                hit = Eq(v, '\n');
                break;
            case EEnd::StarSlash:
                hit = _mm256_and_si256(Eq(v, '*'), Eq(Load(at + 1), '/'));
                break;
            case EEnd::DoubleQuoteOrBackslash:
                hit = _mm256_or_si256(Eq(v, '"'), Eq(v, '\\'));
                break;
            default:
                hit = Eq(v, '`');
                break;
            }
            m |= Bits(hit, half);
        }
        return m;
    }
};

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("popcnt");
}
#endif

ESplitReading Available(ESplitReading reading) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = HasAvx2();
    if (reading == ESplitReading::Widest && avx2) return ESplitReading::Widest;
#endif
#if defined(__SSE2__)
    if (reading != ESplitReading::Bytes) return ESplitReading::Sse2;
#endif
    (void)reading;
    return ESplitReading::Bytes;
}

// The way in use, as Available gives it (Widest stands for AVX2); -1 until the first cut.
std::atomic<int> ChosenReading{-1};

ESplitReading CurrentReading() {
    int reading = ChosenReading.load(std::memory_order_relaxed);
    if (reading < 0) {
        reading = static_cast<int>(Available(ESplitReading::Widest));
        ChosenReading.store(reading, std::memory_order_relaxed);
    }
    return static_cast<ESplitReading>(reading);
}

// The text as a way reads it. The blocks near its end are copied out with padding, so that masks
// may be made of every block alike.
template <class Way> class TSource {
public:
    TSource(const char* text, std::size_t n) : Text(text), Size(n) {}

    bool InPlace(std::size_t at) const { return Size - at >= BlockReach; }

    // The 64 bytes from `at` on (before the end), readable up to p[65].
    const char* Block(std::size_t at, char* pad) const {
        if (InPlace(at)) return Text + at;
        std::memset(pad, 0, BlockReach);
        std::memcpy(pad, Text + at, Size - at);
        return pad;
    }

    // The bits of the 64 bytes from `at` on that stand for bytes of the text.
    std::uint64_t Valid(std::size_t at) const {
        const std::size_t left = Size - at;
        return left >= BlockSize ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
    }

    // The first position at or after p where `kind` is found, or NotFound. The 64 bytes from p on
    // are searched first: most comments and quoted texts end within them.
    std::size_t Find(std::size_t p, EEnd kind) const {
        for (; p < Size && Size - p >= BlockReach; p += BlockSize)
            if (const std::uint64_t hits = Way::Ends(Text + p, kind))
                return p + static_cast<std::size_t>(__builtin_ctzll(hits));
        if (p >= Size) return NotFound;
        char pad[BlockReach];
        const std::uint64_t hits = Way::Ends(Block(p, pad), kind) & Valid(p);
        return hits ? p + static_cast<std::size_t>(__builtin_ctzll(hits)) : NotFound;
    }

    // The closing quote of the text in '"' or '`' quotes opened at p, or NotFound when the text
    // ends inside it. A doubled quote stands for itself; in "..." a backslash takes the next byte as
    // is.
    std::size_t CloseQuoted(std::size_t p) const {
        const char quote = Text[p];
        const EEnd kind = quote == '"' ? EEnd::DoubleQuoteOrBackslash : EEnd::Backtick;
        for (++p;;) {
            const std::size_t q = Find(p, kind);
            if (q == NotFound) return NotFound;
            if (Text[q] == quote && (q + 1 == Size || Text[q + 1] != quote)) return q;
            p = q + 2; // past an escaped byte, or a doubled quote
        }
    }

    const char* Text;
    std::size_t Size;
};

// The masks of up to WindowBlocks blocks from `Base` on.
struct TWindow {
    static constexpr std::size_t WindowBlocks = 8;

    std::size_t Base = 0;
    std::size_t Count = 0;
    TBlockMasks Blocks[WindowBlocks];

    template <class Way> void Load(const TSource<Way>& source, std::size_t base) {
        Base = base;
        const std::size_t left = (source.Size - base + BlockSize - 1) / BlockSize;
        Count = left < WindowBlocks ? left : WindowBlocks;
        std::size_t inPlace = 0;
        if (source.InPlace(base)) {
            inPlace = (source.Size - base - BlockReach) / BlockSize + 1;
            if (inPlace > Count) inPlace = Count;
            Way::Masks(source.Text + base, Blocks, inPlace);
        }
        char pad[BlockReach];
        for (std::size_t i = inPlace; i < Count; ++i)
            Way::Masks(source.Block(base + BlockSize * i, pad), Blocks + i, 1);
    }
    std::size_t End() const { return Base + BlockSize * Count; }
};

// Where a cut stands: the fast one hands this to the one that follows DELIMITER lines.
struct TCutState {
    std::size_t P = 0; // the next byte to read
    std::size_t S = 0; // where the statement being read begins
    bool Appended = false;
    // Once a search for "*/" has failed from some position, none can succeed from a later one;
    // remembering that keeps a text full of unclosed "/*" linear.
    std::size_t NoCloseFrom = NotFound;
};

// Appends the statements to a list of views or of strings.
template <class List> struct TAppend {
    List& Into;
    void operator()(std::string_view statement) { Into.emplace_back(statement); }
    // About `more` statements are still to come.
    void Expect(std::size_t more) { Into.reserve(Into.size() + more); }
};

// The ';' that end statements, gathered for a window of blocks and handed on together. The first
// two of a block are taken without a branch, which spares the scan a mispredicted one at most of
// them.
template <class Way, class Emit> class TStatementEnds {
public:
    TStatementEnds(std::string_view text, Emit& emit, TCutState& state)
        : FText(text), FEmit(emit), FState(state) {}

    // Adds the ';' of `semicolons` in the block at `base` to `ends`, which holds `count` of them.
    static void Add(std::size_t* ends, std::size_t& count, std::size_t base, std::uint64_t semicolons) {
        constexpr std::uint64_t Last = std::uint64_t{1} << 63; // keeps the bit counts defined
        std::size_t* out = ends + count;
        const std::uint64_t second = semicolons & (semicolons - 1);
        out[0] = base + static_cast<std::size_t>(__builtin_ctzll(semicolons | Last));
        out[1] = base + static_cast<std::size_t>(__builtin_ctzll(second | Last));
        std::uint64_t rest = second & (second - 1);
        if constexpr (Way::HasPopcount) {
            count += static_cast<std::size_t>(__builtin_popcountll(semicolons));
            if (!rest) return;
            for (out += 2; rest; rest &= rest - 1)
                *out++ = base + static_cast<std::size_t>(__builtin_ctzll(rest));
        } else {
            count += static_cast<std::size_t>(semicolons != 0) + static_cast<std::size_t>(second != 0);
            for (; rest; rest &= rest - 1)
                ends[count++] = base + static_cast<std::size_t>(__builtin_ctzll(rest));
        }
    }

    void Flush(const std::size_t* ends, std::size_t& count) {
        if (count == 0) return;
        const char* text = FText.data();
        std::size_t s = FState.S;
        for (std::size_t i = 0; i < count; ++i) {
            FEmit(std::string_view(text + s, ends[i] - s));
            s = ends[i] + 1;
        }
        FMade += count;
        FState.S = s;
        FState.Appended = true;
        count = 0;
    }

    // Once the first `read` bytes are cut, makes room for as many statements again in the rest as
    // the same density gives, and an eighth more (but not more than one a 32 bytes): growing a
    // long list step by step costs much of the time the cut takes.
    void Expect(std::size_t read) {
        const std::size_t left = FText.size() - read;
        auto more = static_cast<std::size_t>(static_cast<double>(FMade) * 1.125 * static_cast<double>(left) /
                                             static_cast<double>(read));
        if (more > left / 32) more = left / 32;
        FEmit.Expect(more);
    }

private:
    std::string_view FText;
    Emit& FEmit;
    TCutState& FState;
    std::size_t FMade = 0;
};

// How much of a long text is cut before the list makes room for the rest.
constexpr std::size_t ExpectAfter = std::size_t{64} * 1024;

// The cut with ";" in force, from the masks. Texts in single quotes are the most common thing in
// scripts (rows of INSERTs): the ';' outside them are found with bit arithmetic alone, so the scan
// stops only where a comment, another quoted text or perhaps a DELIMITER line starts, and at
// backslashes. False at the first DELIMITER line, with the state where it begins; true once the
// text is read to its end.
template <class Way, class Emit> bool FastScanWith(std::string_view Text, Emit& emit, TCutState& state) {
    const char* text = Text.data();
    const std::size_t n = Text.size();
    if (n == 0) return true;
    const TSource<Way> source(text, n);
    using TEnds = TStatementEnds<Way, Emit>;
    TEnds statements(Text, emit, state);
    std::size_t ends[TWindow::WindowBlocks * BlockSize + 2];
    std::size_t count = 0;
    TWindow window;
    window.Load(source, 0);
    bool expected = n < 4 * ExpectAfter;
    std::size_t block = 0;
    std::uint64_t live = ~std::uint64_t{0}; // the bits of the block still to read
    // Flips the block's quote parity into the bits inside texts in single quotes: the bits from an
    // opening quote up to its closing one (a doubled quote closes and opens again, which reads the
    // same).
    std::uint64_t flip = 0;
    for (;;) {
        const TBlockMasks& m = window.Blocks[block];
        const std::size_t base = window.Base + BlockSize * block;
        const std::uint64_t inside = (m.QuoteParity ^ flip) & live;
        const std::uint64_t stops = m.Others & live;
        if (stops == 0) [[likely]] {
            TEnds::Add(ends, count, base, m.Semicolons & ~inside & live);
            flip = 0 - (inside >> 63);
            live = ~std::uint64_t{0};
            if (++block == window.Count) {
                if (window.End() >= n) break;
                statements.Flush(ends, count);
                if (!expected && window.End() >= ExpectAfter) {
                    expected = true;
                    statements.Expect(window.End());
                }
                window.Load(source, window.End());
                block = 0;
            }
            continue;
        }
        const std::uint64_t first = stops & (0 - stops);
        TEnds::Add(ends, count, base, m.Semicolons & ~inside & live & (first - 1));
        const std::size_t p = base + static_cast<std::size_t>(__builtin_ctzll(stops));
        std::size_t next = p + 1;
        bool quoted = false;
        if (inside & first) {
            // Inside the quotes a backslash takes the next byte as is; the rest is text.
            quoted = true;
            if (text[p] == '\\') next = p + 2;
        } else {
            switch (text[p]) {
            case '#': {
                const std::size_t crlf = source.Find(p, EEnd::CrLf);
                next = crlf == NotFound ? n : crlf + 1; // the LF itself is an ordinary character
                break;
            }
            case '/':
                // Searched from the "*" of the opening, so "/*/" is already a whole comment; an
                // unclosed "/*" is an ordinary character.
                if (p + 1 < n && text[p + 1] == '*' && state.NoCloseFrom == NotFound) {
                    const std::size_t close = source.Find(p + 1, EEnd::StarSlash);
                    if (close == NotFound)
                        state.NoCloseFrom = p;
                    else
                        next = close + 2;
                }
                break;
            case '-':
                if (DashCommentAt(text, n, p)) {
                    const std::size_t lf = source.Find(p, EEnd::Lf);
                    next = lf == NotFound ? n : lf;
                }
                break;
            case '"':
            case '`': {
                const std::size_t close = source.CloseQuoted(p);
                next = close == NotFound ? n : close + 1; // unclosed, the rest of the text is quoted
                break;
            }
            case '\\': // an ordinary character outside quotes
                break;
            default: {
                // The "eli" of what may be a DELIMITER line: from there on the cut goes on a byte at
                // a time. (The 'd' before it is in the same place, outside quotes and comments, as
                // none of them ends in a 'd'.)
                if (p == 0 || AsciiLower(text[p - 1]) != 'd') break;
                std::size_t line = p - 1;
                while (line > 0 && IsBlank(text[line - 1]))
                    --line;
                if ((line == 0 || text[line - 1] == '\n') && DelimiterCommandAt(text, n, line) != NotFound) {
                    statements.Flush(ends, count);
                    state.P = line;
                    return false;
                }
                break;
            }
            }
        }
        if (next >= n) break;
        if (next >= window.End()) {
            statements.Flush(ends, count);
            window.Load(source, next - next % BlockSize);
            block = 0;
        } else {
            block = (next - window.Base) / BlockSize;
        }
        const std::size_t from = next % BlockSize;
        live = ~std::uint64_t{0} << from;
        flip = from == 0 ? 0 : 0 - ((window.Blocks[block].QuoteParity >> (from - 1)) & 1);
        if (quoted) flip = ~flip;
    }
    statements.Flush(ends, count);
    return true;
}

// One scan for each way of reading, everything it calls compiled into it for that way.
template <class Emit>
[[gnu::flatten]] bool FastScanBytes(std::string_view Text, Emit& emit, TCutState& state) {
    return FastScanWith<TBytes>(Text, emit, state);
}

#if defined(__SSE2__)
template <class Emit>
[[gnu::flatten]] bool FastScanSse2(std::string_view Text, Emit& emit, TCutState& state) {
    return FastScanWith<TSse2>(Text, emit, state);
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
template <class Emit>
[[KORVANA_AVX2, gnu::flatten]] bool FastScanAvx2(std::string_view Text, Emit& emit, TCutState& state) {
    return FastScanWith<TAvx2>(Text, emit, state);
}
#undef KORVANA_AVX2
#endif

template <class Emit> bool FastScan(std::string_view Text, Emit& emit, TCutState& state) {
    switch (CurrentReading()) {
#if defined(__x86_64__) && defined(__GNUC__)
    case ESplitReading::Widest:
        return FastScanAvx2(Text, emit, state);
#endif
#if defined(__SSE2__)
    case ESplitReading::Sse2:
        return FastScanSse2(Text, emit, state);
#endif
    default:
        return FastScanBytes(Text, emit, state);
    }
}

// ---- DELIMITER lines ----

// The new delimiter named by the rest of a DELIMITER line, [p, end); an error text when it names
// none that can be used.
struct TDelimiterWord {
    std::string_view Word;
    const char* Error = nullptr;
};

TDelimiterWord ReadDelimiterWord(const char* text, std::size_t p, std::size_t end) {
    while (p < end && IsBlank(text[p]))
        ++p;
    if (end > p && text[end - 1] == '\r') --end;
    if (p == end) return {{}, "DELIMITER must be followed by a delimiter"};
    std::string_view word;
    const char c = text[p];
    if (c == '\'' || c == '"' || c == '`') {
        const void* close = std::memchr(text + p + 1, c, end - p - 1);
        if (!close) return {{}, "the delimiter's closing quote is missing"};
        word = std::string_view(text + p + 1, static_cast<const char*>(close) - (text + p + 1));
    } else {
        std::size_t q = p;
        while (q < end && !IsBlank(text[q]))
            ++q;
        word = std::string_view(text + p, q - p);
    }
    if (word.empty()) return {{}, "DELIMITER must be followed by a delimiter"};
    if (word.find('\\') != std::string_view::npos) return {{}, "a delimiter cannot contain a backslash"};
    return {word, nullptr};
}

// The cut of a text that holds DELIMITER lines, from `state` on (at the start of a line): one pass,
// a character at a time between the places that start something, with the delimiter checked before
// anything else.
template <class Emit>
void ScanWithDelimiters(std::string_view Text, std::string_view delimiter, Emit& emit, TScriptCut& cut,
                        const TCutState& state) {
    const char* text = Text.data();
    const std::size_t n = Text.size();
    std::string current(delimiter);
    std::size_t s = state.S;
    bool appended = state.Appended;
    bool lineStart = true;
    std::size_t noCloseFrom = state.NoCloseFrom;
    cut.Rest = s;
    auto statement = [&](std::size_t from, std::size_t to) { emit(Text.substr(from, to - from)); };

    std::size_t p = state.P;
    while (p < n) {
        if (lineStart) {
            lineStart = false;
            if (const std::size_t arg = DelimiterCommandAt(text, n, p); arg != NotFound) {
                if (HoldsStatement(text, p, s)) statement(s, p);
                appended = true;
                const std::size_t lf = Find(text, n, arg, '\n');
                const std::size_t end = lf == NotFound ? n : lf;
                const TDelimiterWord word = ReadDelimiterWord(text, arg, end);
                if (word.Error) {
                    cut.Error = word.Error;
                    cut.ErrorAt = p;
                    cut.Delimiter = current;
                    return;
                }
                current.assign(word.Word);
                // Only a whole line is taken: the next piece of a text may still lengthen its word.
                cut.Rest = lf == NotFound ? p : lf + 1;
                p = s = lf == NotFound ? n : lf + 1;
                lineStart = true;
                continue;
            }
        }
        const char c = text[p];
        if (n - p >= current.size() && SameIgnoringCase(text + p, current)) {
            statement(s, p);
            appended = true;
            p = s = p + current.size();
            cut.Rest = s;
        } else if (c == '\n') {
            lineStart = true;
            ++p;
        } else if (c == '#') {
            const std::size_t crlf = FindPair(text, n, p, '\r', '\n');
            if (crlf == NotFound) break;
            p = crlf + 1; // the LF starts the next line
        } else if (c == '/' && p + 1 < n && text[p + 1] == '*' &&
                   (noCloseFrom == NotFound || p < noCloseFrom)) {
            const std::size_t close = FindPair(text, n, p, '*', '/');
            if (close == NotFound) {
                noCloseFrom = p;
                ++p;
            } else {
                p = close + 2;
            }
        } else if (c == '-' && DashCommentAt(text, n, p)) {
            const std::size_t lf = Find(text, n, p, '\n');
            if (lf == NotFound) break;
            p = lf;
        } else if (c == '\'' || c == '"' || c == '`') {
            std::size_t q = p + 1;
            for (;; ++q) {
                if (q >= n) break;
                if (c != '`' && text[q] == '\\') {
                    ++q;
                } else if (text[q] == c) {
                    if (q + 1 < n && text[q + 1] == c)
                        ++q;
                    else
                        break;
                }
            }
            if (q >= n) break; // the rest of the text is quoted
            p = q + 1;
        } else {
            ++p;
        }
    }
    cut.Delimiter = current;
    if (!appended)
        statement(0, n);
    else if (HoldsStatement(text, n, s))
        statement(s, n);
}

// The whole cut: the fast one while ";" is in force, the one that follows DELIMITER lines from the
// first of them on. Statements go to `emit`, the rest of what is known to `cut`.
template <class Emit>
void Cut(std::string_view Text, std::string_view delimiter, Emit emit, TScriptCut& cut) {
    TCutState state;
    if (delimiter == ";") {
        if (FastScan(Text, emit, state)) {
            if (!state.Appended)
                emit(Text);
            else if (HoldsStatement(Text.data(), Text.size(), state.S))
                emit(Text.substr(state.S));
            cut.Rest = state.S;
            return;
        }
    } else if (delimiter.empty()) {
        delimiter = ";";
    }
    ScanWithDelimiters(Text, delimiter, emit, cut, state);
}

} // namespace

void ChooseSplitReading(ESplitReading reading) {
    ChosenReading.store(static_cast<int>(Available(reading)), std::memory_order_relaxed);
}

TScriptCut CutScript(std::string_view Text, std::string_view delimiter) {
    TScriptCut cut;
    Cut(Text, delimiter, TAppend<std::vector<std::string_view>>{cut.Statements}, cut);
    return cut;
}

void SplitStatements(std::vector<std::string>& List, std::string_view Text) {
    TScriptCut cut;
    Cut(Text, ";", TAppend<std::vector<std::string>>{List}, cut);
}

void SplitStatements(std::vector<std::string_view>& List, std::string_view Text) {
    TScriptCut cut;
    Cut(Text, ";", TAppend<std::vector<std::string_view>>{List}, cut);
}
