#include "sql/SplitStatements.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

constexpr std::size_t NotFound = std::string_view::npos;

// The scan takes its stops from masks: bit i of a stop mask is set when the i-th of its 64 bytes
// may start something the scan must look at: ';', '#', '/', '-' or one of the three quotes. Making
// the masks is where much of the time goes on a long script, so they are made for a window of bytes
// at a time, with the widest vector instructions the processor has.
//
// Texts in single quotes are the most common stops in scripts (rows of INSERTs). Where a word holds
// no other stops than ';' and "'" and no backslash, the ';' inside those texts are found with bit
// arithmetic alone, so the scan does not stop at each quote: hence the masks of ';', "'" and '\'.
constexpr std::size_t WindowWords = 8;

struct TWordMasks {
    std::uint64_t Stops = 0;
    std::uint64_t Semicolons = 0;
    std::uint64_t Quotes = 0; // "'" only
    std::uint64_t Backslashes = 0;
};

bool IsStop(char c) {
    return c == ';' || c == '#' || c == '/' || c == '-' || c == '\'' || c == '"' || c == '`';
}

TWordMasks TailMasks(const char* text, std::size_t length) {
    TWordMasks m;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (IsStop(text[i])) m.Stops |= bit;
        if (text[i] == ';') m.Semicolons |= bit;
        if (text[i] == '\'') m.Quotes |= bit;
        if (text[i] == '\\') m.Backslashes |= bit;
    }
    return m;
}

// Masks of `words` whole words of 64 bytes from `text`.
void MasksPortable(const char* text, TWordMasks* masks, std::size_t words) {
    for (std::size_t w = 0; w < words; ++w) {
#if defined(__SSE2__)
        TWordMasks& m = masks[w];
        m = TWordMasks();
        for (std::size_t part = 0; part < 4; ++part) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 64 * w + 16 * part));
            auto bits = [&](__m128i hit) {
                return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit)))
                       << (16 * part);
            };
            const __m128i semi = _mm_cmpeq_epi8(v, _mm_set1_epi8(';'));
            const __m128i quote = _mm_cmpeq_epi8(v, _mm_set1_epi8('\''));
            __m128i stop = _mm_or_si128(semi, quote);
            for (char c : {'#', '/', '-', '"', '`'})
                stop = _mm_or_si128(stop, _mm_cmpeq_epi8(v, _mm_set1_epi8(c)));
            m.Stops |= bits(stop);
            m.Semicolons |= bits(semi);
            m.Quotes |= bits(quote);
            m.Backslashes |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\\')));
        }
#else
        masks[w] = TailMasks(text + 64 * w, 64);
#endif
    }
}

using MaskMaker = void (*)(const char*, TWordMasks*, std::size_t);

#if defined(__x86_64__) && defined(__GNUC__)
// The seven stop characters are classified with two table look-ups, one per half of the byte: a
// byte is a stop when the classes of its low and its high half share a bit. Bit 1 stands for the
// high half 2 (with '"', '#', '\'', '-', '/' as low halves), bit 2 for 3 (';'), bit 4 for 6 ('`').
// The result marks the other bytes.
[[gnu::target("avx2")]] __m256i NotStop32(__m256i v) {
    const __m256i lowClass = _mm256_setr_epi8(4, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 1, 0, 1, //
                                              4, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 1, 0, 1);
    const __m256i highClass = _mm256_setr_epi8(0, 0, 1, 2, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, //
                                               0, 0, 1, 2, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0f);
    const __m256i low = _mm256_shuffle_epi8(lowClass, _mm256_and_si256(v, nibble));
    const __m256i high = _mm256_shuffle_epi8(highClass, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble));
    return _mm256_cmpeq_epi8(_mm256_and_si256(low, high), _mm256_setzero_si256());
}

[[gnu::target("avx2")]] std::uint64_t Bits64(__m256i lo, __m256i hi) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(lo))) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hi))) << 32;
}

[[gnu::target("avx2")]] void MasksAvx2(const char* text, TWordMasks* masks, std::size_t words) {
    const __m256i semi = _mm256_set1_epi8(';');
    const __m256i quote = _mm256_set1_epi8('\'');
    const __m256i backslash = _mm256_set1_epi8('\\');
    for (std::size_t w = 0; w < words; ++w) {
        const char* at = text + 64 * w;
        const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32));
        TWordMasks& m = masks[w];
        m.Stops = ~Bits64(NotStop32(lo), NotStop32(hi));
        m.Semicolons = Bits64(_mm256_cmpeq_epi8(lo, semi), _mm256_cmpeq_epi8(hi, semi));
        m.Quotes = Bits64(_mm256_cmpeq_epi8(lo, quote), _mm256_cmpeq_epi8(hi, quote));
        m.Backslashes = Bits64(_mm256_cmpeq_epi8(lo, backslash), _mm256_cmpeq_epi8(hi, backslash));
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

// Bit i of the result is the parity of the bits 0 to i of x.
std::uint64_t PrefixParity(std::uint64_t x) {
    for (unsigned shift = 1; shift < 64; shift *= 2)
        x ^= x << shift;
    return x;
}

// The masks of the bytes from `base`: up to WindowWords words, the last one cut at the text's end.
struct TWindow {
    std::size_t Base = 0;
    std::size_t Words = 0;
    TWordMasks Masks[WindowWords];

    void Load(MaskMaker make, const char* text, std::size_t n, std::size_t base) {
        Base = base;
        const std::size_t left = n - base;
        const std::size_t whole = left / 64 < WindowWords ? left / 64 : WindowWords;
        make(text + base, Masks, whole);
        Words = whole;
        if (whole < WindowWords && left % 64 != 0)
            Masks[Words++] = TailMasks(text + base + 64 * whole, left % 64);
    }
    std::size_t End() const { return Base + 64 * Words; }
};

// The stops of a text, visited in rising order: the current one, dropping it, and jumping ahead
// past a comment or a quoted text. Outside comments and quoted texts the stops of a plain word (see
// above) are only its ';' outside single quotes, plus the quote that opens a text running on into
// the next word; inside a quoted text every stop counts.
class TStops {
public:
    TStops(const char* text, std::size_t n) : FText(text), FSize(n) {
        FWindow.Load(Make(), text, n, 0);
        Enter(0, true);
    }

    // Moves to the next stop unless there is a current one; false when the text has no more.
    bool Fill(bool outside) {
        while (FMask == 0) {
            if (++FWord >= FWindow.Words) {
                if (FWindow.End() >= FSize) return false;
                FWindow.Load(Make(), FText, FSize, FWindow.End());
                FWord = 0;
            }
            Enter(0, outside);
        }
        return true;
    }
    std::size_t Current() const {
        return FWindow.Base + 64 * FWord + static_cast<std::size_t>(__builtin_ctzll(FMask));
    }
    void Pop() { FMask &= FMask - 1; }
    // Drops every stop before p.
    void SkipTo(std::size_t p, bool outside) {
        if (p >= FWindow.End()) {
            // A comment or a quoted text jumped past the window: the masks start again there (an
            // empty window at the end of the text).
            FWindow.Load(Make(), FText, FSize, p < FSize ? p : FSize);
            FWord = 0;
            Enter(0, outside);
            return;
        }
        const std::size_t offset = p - FWindow.Base;
        FWord = offset / 64;
        Enter(offset % 64, outside);
    }

private:
    static MaskMaker Make() {
        static const MaskMaker make = ChooseMaskMaker();
        return make;
    }

    // Takes the stops of the current word from bit `from` on.
    void Enter(std::size_t from, bool outside) {
        if (FWord >= FWindow.Words) {
            FMask = 0;
            return;
        }
        const TWordMasks& m = FWindow.Masks[FWord];
        const std::uint64_t live = ~std::uint64_t{0} << from;
        FMask = m.Stops & live;
        if (!outside || ((m.Stops & ~(m.Semicolons | m.Quotes)) | m.Backslashes) & live) return;
        // Bits from an opening quote up to its closing one are inside a quoted text; a doubled
        // quote closes and opens again, which reads the same.
        const std::uint64_t quotes = m.Quotes & live;
        const std::uint64_t inside = PrefixParity(quotes);
        FMask = m.Semicolons & live & ~inside;
        // An odd number of quotes leaves the last one open into the next word.
        if (inside >> 63) FMask |= std::uint64_t{1} << (63 - __builtin_clzll(quotes));
    }

    const char* FText;
    std::size_t FSize;
    TWindow FWindow;
    std::size_t FWord = 0;
    std::uint64_t FMask = 0;
};

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
    if (p + 2 == n) return true;
    const char c = text[p + 2];
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Skips the quoted text opened at the current stop: afterwards the stops start after its closing
// quote. False when the text ends inside it. A doubled quote stands for itself; in '...' and "..."
// a backslash takes the next character as is. Quotes are stops, so the closing one is among them.
[[gnu::always_inline]] inline bool SkipQuoted(TStops& stops, const char* text, std::size_t n) {
    const std::size_t p = stops.Current();
    const char quote = text[p];
    const bool escapes = quote != '`';
    std::size_t from = p + 1; // nothing before this can still escape anything
    stops.Pop();
    while (stops.Fill(false)) {
        const std::size_t q = stops.Current();
        stops.Pop();
        if (text[q] != quote) continue;
        if (escapes) {
            // No quote of this kind lies between `from` and q, so the backslashes right before q
            // pair up from the first of them: an odd run escapes the quote.
            std::size_t b = q;
            while (b > from && text[b - 1] == '\\')
                --b;
            if ((q - b) % 2 == 1) {
                from = q + 1;
                continue;
            }
        }
        if (q + 1 < n && text[q + 1] == quote) {
            from = q + 2;
            stops.SkipTo(from, false);
            continue;
        }
        return true;
    }
    return false;
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

// Returns where the text after the last ";" begins (0 when it holds none).
template <class Emit> std::size_t Scan(std::string_view Text, Emit emit) {
    const char* text = Text.data();
    const std::size_t n = Text.size();
    std::size_t s = 0;
    bool appended = false;
    // Once a search for "*/" has failed from some position, none can succeed from a later one;
    // remembering that keeps a text full of unclosed "/*" linear.
    std::size_t noCloseFrom = NotFound;

    TStops stops(text, n);
    while (stops.Fill(true)) {
        const std::size_t p = stops.Current();
        const char c = text[p];
        if (c == ';') {
            emit(Text.substr(s, p - s));
            appended = true;
            s = p + 1;
            stops.Pop();
        } else if (c == '#') {
            const std::size_t crlf = FindPair(text, n, p, '\r', '\n');
            if (crlf == NotFound) break;  // the comment runs to the end of the text
            stops.SkipTo(crlf + 1, true); // the LF itself is an ordinary character
        } else if (c == '/') {
            std::size_t close = NotFound;
            if (p + 1 < n && text[p + 1] == '*' && (noCloseFrom == NotFound || p < noCloseFrom)) {
                // Searched from the opening "/" itself, so "/*/" is already a whole comment.
                close = FindPair(text, n, p, '*', '/');
                if (close == NotFound) noCloseFrom = p;
            }
            // An unclosed "/*" is an ordinary character.
            if (close == NotFound)
                stops.Pop();
            else
                stops.SkipTo(close + 2, true);
        } else if (c == '-') {
            if (!DashCommentAt(text, n, p)) {
                stops.Pop();
            } else {
                const std::size_t lf = Find(text, n, p, '\n');
                if (lf == NotFound) break;
                stops.SkipTo(lf, true);
            }
        } else if (!SkipQuoted(stops, text, n)) {
            break; // the rest of the text is quoted
        }
    }
    if (!appended)
        emit(Text);
    else if (HoldsStatement(text, n, s))
        emit(Text.substr(s));
    return s;
}

// ---- DELIMITER lines ----

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const char* a, std::string_view b) {
    for (std::size_t i = 0; i < b.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
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

// Whether the line starting at p may be a DELIMITER command: its first byte, blanks aside, is a D.
bool LineMayBeCommand(const char* text, std::size_t n, std::size_t p) {
    if (p >= n) return false;
    const char c = text[p];
    if (c == 'd' || c == 'D') return DelimiterCommandAt(text, n, p) != NotFound;
    return IsBlank(c) && DelimiterCommandAt(text, n, p) != NotFound;
}

// Whether some line of the text might be a DELIMITER command; most texts hold none and keep the
// fast cut. Line starts are found sixteen bytes at a time, so this costs about what memchr does.
bool MayHoldDelimiterCommand(const char* text, std::size_t n) {
    if (LineMayBeCommand(text, n, 0)) return true;
    std::size_t p = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    for (; p + 16 <= n; p += 16) {
        auto bits = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p)), lf)));
        while (bits) {
            if (LineMayBeCommand(text, n, p + static_cast<std::size_t>(__builtin_ctz(bits)) + 1)) return true;
            bits &= bits - 1;
        }
    }
#endif
    for (; p < n; ++p)
        if (text[p] == '\n' && LineMayBeCommand(text, n, p + 1)) return true;
    return false;
}

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

// The cut of a text that holds DELIMITER lines: one pass, a character at a time between the
// places that start something, with the delimiter checked before anything else.
void ScanWithDelimiters(std::string_view Text, std::string_view delimiter, TScriptCut& cut) {
    const char* text = Text.data();
    const std::size_t n = Text.size();
    std::string current(delimiter);
    std::size_t s = 0;
    bool appended = false;
    bool lineStart = true;
    std::size_t noCloseFrom = NotFound;
    auto emit = [&](std::size_t from, std::size_t to) {
        cut.Statements.push_back(Text.substr(from, to - from));
    };

    std::size_t p = 0;
    while (p < n) {
        if (lineStart) {
            lineStart = false;
            if (const std::size_t arg = DelimiterCommandAt(text, n, p); arg != NotFound) {
                if (HoldsStatement(text, p, s)) emit(s, p);
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
            emit(s, p);
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
        emit(0, n);
    else if (HoldsStatement(text, n, s))
        emit(s, n);
}

} // namespace

TScriptCut CutScript(std::string_view Text, std::string_view delimiter) {
    TScriptCut cut;
    if (delimiter == ";" && !MayHoldDelimiterCommand(Text.data(), Text.size()))
        cut.Rest = Scan(Text, [&](std::string_view statement) { cut.Statements.push_back(statement); });
    else
        ScanWithDelimiters(Text, delimiter.empty() ? std::string_view(";") : delimiter, cut);
    return cut;
}

void SplitStatements(std::vector<std::string>& List, std::string_view Text) {
    if (!MayHoldDelimiterCommand(Text.data(), Text.size())) {
        Scan(Text, [&](std::string_view statement) { List.emplace_back(statement); });
        return;
    }
    const TScriptCut cut = CutScript(Text);
    List.insert(List.end(), cut.Statements.begin(), cut.Statements.end());
}

void SplitStatements(std::vector<std::string_view>& List, std::string_view Text) {
    if (!MayHoldDelimiterCommand(Text.data(), Text.size())) {
        Scan(Text, [&](std::string_view statement) { List.push_back(statement); });
        return;
    }
    const TScriptCut cut = CutScript(Text);
    List.insert(List.end(), cut.Statements.begin(), cut.Statements.end());
}
