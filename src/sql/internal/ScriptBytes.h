#pragma once
// The bytes of a script file on their way to the statement cut, a piece of any size at a time:
// what one look at all of them tells (text or not, its encoding, where its last "*/" lies), and
// their decoding into the server's UTF-8 with CR LF line breaks, the form the cut reads.

#include "sql/SqlFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Takes every byte of a file in order and decides as Load SQL decides on the whole file.
class TScriptBytesCheck {
public:
    void Add(const char* bytes, std::size_t n);

    std::uint64_t Size() const { return FSize; }
    // After the last piece: the encoding the file is read in, or nothing when it is not text
    // (NUL bytes, unless it is UTF-16 behind its byte order mark).
    std::optional<TSqlEncoding> Encoding() const;
    // Where the file's last "*/" begins, in file bytes, as read in `encoding`.
    std::optional<std::uint64_t> LastCommentClose(TSqlEncoding encoding) const;

private:
    void AddUtf8(const unsigned char* b, std::size_t n);
    void AddUtf16(const unsigned char* b, std::size_t n);

    std::uint64_t FSize = 0;
    unsigned char FStart[3] = {};
    bool FNul = false;

    // Strict UTF-8: the continuation bytes still to come and the range the next one must lie in.
    bool FUtf8 = true;
    int FNeed = 0;
    unsigned char FLow = 0x80, FHigh = 0xBF;
    int FSeqAt = 0; // the position within a sequence of EF B7, the start of U+FDD0 and U+FDD1
    bool FStar = false;
    std::optional<std::uint64_t> FClose8;

    // UTF-16 behind its mark, with the unit cut by a piece's end and a high surrogate's partner
    // still to come.
    bool FUtf16 = true;
    int FUnitBytes = 0;
    unsigned char FUnitFirst = 0;
    bool FAwaitLow = false;
    bool FStar16 = false;
    std::optional<std::uint64_t> FClose16;
};

// Decodes a file's bytes to UTF-8, with every LF that follows no CR made CR LF, as the editor
// holds the lines. A character cut by a piece's end is finished with the next piece.
class TScriptDecoder {
public:
    explicit TScriptDecoder(TSqlEncoding encoding = TSqlEncoding::Utf8) : FEncoding(encoding) {}

    // The most bytes Decode writes for n bytes of the file.
    static std::size_t MaxOutput(std::size_t n) { return 3 * n + 4; }
    // Writes the decoded form of the file's next `n` bytes to `out`; returns how many it wrote.
    std::size_t Decode(const char* bytes, std::size_t n, char* out);
    // The file's bytes whose characters are all written.
    std::uint64_t BytesDone() const { return FTaken - FHeld; }

private:
    std::size_t Utf16(const unsigned char* b, std::size_t n, char* out);

    TSqlEncoding FEncoding;
    std::uint64_t FTaken = 0; // file bytes given to Decode
    std::uint64_t FHeld = 0;  // of those, the ones whose character is not written yet
    bool FAfterCr = false;
    unsigned char FUnitFirst = 0;
    char16_t FHighSurrogate = 0;
};
