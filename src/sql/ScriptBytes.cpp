#include "sql/internal/ScriptBytes.h"

#include "sql/internal/Cp1252.h"

#include <cstring>

namespace {

constexpr std::uint64_t AsciiMask = 0x8080808080808080ull;

bool IsFrameCharacter(char32_t c) {
    // What the editor's document uses for its own, which Load SQL therefore never reads as text.
    return c == 0xFDD0 || c == 0xFDD1;
}

char* PutUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// A line feed the cut reads: CR LF, unless a CR wrote the first half already.
char* PutLineFeed(bool afterCr, char* out) {
    if (!afterCr) *out++ = '\r';
    *out++ = '\n';
    return out;
}

bool StartsWith(const unsigned char* start, std::uint64_t size, std::initializer_list<unsigned char> mark) {
    if (size < mark.size()) return false;
    return std::equal(mark.begin(), mark.end(), start);
}

} // namespace

// ---- the check ----

void TScriptBytesCheck::Add(const char* bytes, std::size_t n) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < n && FSize + i < sizeof FStart; ++i)
        FStart[FSize + i] = b[i];
    if (!FNul && std::memchr(b, 0, n)) FNul = true;
    AddUtf8(b, n);
    // Only a file that begins with a UTF-16 mark may be UTF-16.
    if (FUtf16 && FSize + n >= 2 && !StartsWith(FStart, 2, {0xFF, 0xFE}) &&
        !StartsWith(FStart, 2, {0xFE, 0xFF}))
        FUtf16 = false;
    if (FUtf16) AddUtf16(b, n);
    FSize += n;
}

void TScriptBytesCheck::AddUtf8(const unsigned char* b, std::size_t n) {
    // The last "*/", a pair perhaps cut by the piece's end.
    if (n > 0 && FStar && b[0] == '/') FClose8 = FSize - 1;
    const unsigned char* const end = b + n;
    for (const unsigned char* p = b;
         (p = static_cast<const unsigned char*>(std::memchr(p, '*', static_cast<std::size_t>(end - p))));) {
        if (++p == end) break;
        if (*p == '/') FClose8 = FSize + static_cast<std::uint64_t>(p - b) - 1;
    }
    if (n > 0) FStar = b[n - 1] == '*';

    for (std::size_t i = 0; i < n && FUtf8; ++i) {
        const unsigned char c = b[i];
        if (FNeed == 0) {
            if (c < 0x80) {
                // Runs of ASCII, the bulk of a script, eight bytes at a time.
                while (i + 9 <= n) {
                    std::uint64_t word;
                    std::memcpy(&word, b + i + 1, 8);
                    if ((word & AsciiMask) != 0) break;
                    i += 8;
                }
                continue;
            }
            FSeqAt = c == 0xEF ? 1 : 0;
            FLow = 0x80;
            FHigh = 0xBF;
            if (c >= 0xC2 && c <= 0xDF) {
                FNeed = 1;
            } else if (c >= 0xE0 && c <= 0xEF) {
                FNeed = 2;
                if (c == 0xE0) FLow = 0xA0;  // no overlong forms
                if (c == 0xED) FHigh = 0x9F; // no surrogates
            } else if (c >= 0xF0 && c <= 0xF4) {
                FNeed = 3;
                if (c == 0xF0) FLow = 0x90;
                if (c == 0xF4) FHigh = 0x8F; // nothing beyond U+10FFFF
            } else {
                FUtf8 = false;
            }
            continue;
        }
        if (c < FLow || c > FHigh) {
            FUtf8 = false;
            continue;
        }
        FLow = 0x80;
        FHigh = 0xBF;
        --FNeed;
        if (FSeqAt == 1)
            FSeqAt = c == 0xB7 ? 2 : 0;
        else if (FSeqAt == 2 && (c == 0x90 || c == 0x91))
            FUtf8 = false; // U+FDD0 or U+FDD1
    }
}

void TScriptBytesCheck::AddUtf16(const unsigned char* b, std::size_t n) {
    const bool little = FStart[0] == 0xFF;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t at = FSize + i;
        if (at < 2) continue; // the byte order mark
        if (FUnitBytes == 0) {
            FUnitFirst = b[i];
            FUnitBytes = 1;
            continue;
        }
        FUnitBytes = 0;
        const char16_t unit = little ? char16_t(FUnitFirst | b[i] << 8) : char16_t(FUnitFirst << 8 | b[i]);
        if (FStar16 && unit == u'/') FClose16 = at - 3;
        FStar16 = unit == u'*';
        const bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (FAwaitLow != low || IsFrameCharacter(unit)) FUtf16 = false;
        FAwaitLow = high;
    }
}

std::optional<TSqlEncoding> TScriptBytesCheck::Encoding() const {
    if (FSize >= 2 && FUtf16 && FUnitBytes == 0 && !FAwaitLow)
        return FStart[0] == 0xFF ? TSqlEncoding::Utf16Le : TSqlEncoding::Utf16Be;
    if (FNul) return std::nullopt;
    if (FUtf8 && FNeed == 0)
        return StartsWith(FStart, FSize, {0xEF, 0xBB, 0xBF}) ? TSqlEncoding::Utf8Bom : TSqlEncoding::Utf8;
    return TSqlEncoding::Windows1252;
}

std::optional<std::uint64_t> TScriptBytesCheck::LastCommentClose(TSqlEncoding encoding) const {
    const bool utf16 = encoding == TSqlEncoding::Utf16Le || encoding == TSqlEncoding::Utf16Be;
    return utf16 ? FClose16 : FClose8;
}

// ---- decoding ----

std::size_t TScriptDecoder::Decode(const char* bytes, std::size_t n, char* out) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    char* const start = out;
    std::size_t skip = 0; // the byte order mark, kept out of the text as Load SQL keeps it
    const std::uint64_t mark = FEncoding == TSqlEncoding::Utf8Bom                                         ? 3
                               : FEncoding == TSqlEncoding::Utf16Le || FEncoding == TSqlEncoding::Utf16Be ? 2
                                                                                                          : 0;
    if (FTaken < mark) skip = static_cast<std::size_t>(std::min<std::uint64_t>(mark - FTaken, n));
    FTaken += n;
    b += skip;
    n -= skip;
    switch (FEncoding) {
    case TSqlEncoding::Utf16Le:
    case TSqlEncoding::Utf16Be:
        return Utf16(b, n, out);
    case TSqlEncoding::Windows1252:
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char c = b[i];
            if (c == '\n')
                out = PutLineFeed(FAfterCr, out);
            else if (c < 0x80)
                *out++ = static_cast<char>(c);
            else
                out = PutUtf8(c < 0xA0 ? Cp1252High[c - 0x80] : char32_t(c), out);
            FAfterCr = c == '\r';
        }
        return static_cast<std::size_t>(out - start);
    case TSqlEncoding::Utf8:
    case TSqlEncoding::Utf8Bom:
        break;
    }
    // UTF-8 passes as it is but for its line feeds.
    const char* p = reinterpret_cast<const char*>(b);
    const char* const end = p + n;
    while (p < end) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = lf ? lf : end;
        std::memcpy(out, p, static_cast<std::size_t>(stop - p));
        out += stop - p;
        if (stop > p) FAfterCr = stop[-1] == '\r';
        if (!lf) break;
        out = PutLineFeed(FAfterCr, out);
        FAfterCr = false;
        p = lf + 1;
    }
    return static_cast<std::size_t>(out - start);
}

std::size_t TScriptDecoder::Utf16(const unsigned char* b, std::size_t n, char* out) {
    const bool little = FEncoding == TSqlEncoding::Utf16Le;
    char* const start = out;
    for (std::size_t i = 0; i < n; ++i) {
        if (FHeld % 2 == 0) {
            FUnitFirst = b[i];
            ++FHeld;
            continue;
        }
        const char16_t unit = little ? char16_t(FUnitFirst | b[i] << 8) : char16_t(FUnitFirst << 8 | b[i]);
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (FHighSurrogate && low) {
            out = PutUtf8(0x10000 + ((char32_t(FHighSurrogate) - 0xD800) << 10) + (unit - 0xDC00), out);
            FHighSurrogate = 0;
            FHeld = 0;
            continue;
        }
        // The check let no lone surrogate through; one that came since (the file changed) becomes a
        // replacement character rather than bytes the server would refuse.
        if (FHighSurrogate) out = PutUtf8(0xFFFD, out);
        FHighSurrogate = 0;
        FHeld = 0;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FHighSurrogate = unit;
            FHeld = 2;
            continue;
        }
        if (unit == u'\n')
            out = PutLineFeed(FAfterCr, out);
        else
            out = PutUtf8(low ? char32_t(0xFFFD) : char32_t(unit), out);
        FAfterCr = unit == u'\r';
    }
    return static_cast<std::size_t>(out - start);
}
