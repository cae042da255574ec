#include "sql/ScriptReader.h"

#include "sql/ServerForm.h"
#include "sql/SplitStatements.h"
#include "sql/internal/ScriptBytes.h"

#include <QIODevice>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

// How the pieces are cut. The buffer holds the decoded text from the first statement not yet
// taken. Each cut takes the statements whose delimiter lies inside the buffer; the text after the
// last one waits for the next piece, and is cut again with it, under the delimiter then in force.
// A statement longer than the buffer makes the next read a quarter of the buffer (at least a
// piece) longer, so a long statement is scanned a few times over, never quadratically.
//
// Three things the cut of a whole text sees that a piece lacks. A "/*" is a comment only when a
// "*/" follows somewhere in the text; while the file's last "*/" (found by Check) lies beyond the
// piece, the cut is given a "*/" at the end, so an opening "/*" in the piece swallows the rest of
// it as the whole text would, and a delimiter matched into those two bytes does not count. A last
// line that may be a DELIMITER line is left out of the cut until it is whole. And the text after
// the last delimiter is a statement only at the end of the file. A cut that begins in the middle
// of a line is told so (see CutFrom).

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

const char* FindByte(const char* p, const char* end, char c) {
    return p < end ? static_cast<const char*>(std::memchr(p, c, static_cast<std::size_t>(end - p))) : nullptr;
}

// The first `first` followed by `second` in [p, end), or null.
const char* FindPair(const char* p, const char* end, char first, char second) {
    for (; (p = FindByte(p, end, first)); ++p)
        if (p + 1 < end && p[1] == second) return p;
    return nullptr;
}

// "--" followed by white space or by the end: a comment to the end of its line.
bool DashComment(const char* p, const char* end) {
    if (end - p < 2 || p[0] != '-' || p[1] != '-') return false;
    if (end - p == 2) return true;
    const char c = p[2];
    return IsBlank(c) || c == '\v' || c == '\f';
}

// Whether [p, end) holds more than blanks, line breaks and comments, as the cut decides whether
// the text after the last delimiter is a statement: "#" runs to a CR LF, an unclosed "/*" is no
// comment.
bool HoldsStatement(const char* p, const char* end) {
    while (p < end) {
        if (IsBlank(*p)) {
            ++p;
        } else if (*p == '#') {
            const char* crlf = FindPair(p, end, '\r', '\n');
            if (!crlf) return false;
            p = crlf + 2;
        } else if (DashComment(p, end)) {
            const char* lf = FindByte(p, end, '\n');
            if (!lf) return false;
            p = lf + 1;
        } else if (*p == '/' && p + 1 < end && p[1] == '*') {
            const char* close = FindPair(p + 1, end, '*', '/');
            if (!close) return true;
            p = close + 2;
        } else {
            return true;
        }
    }
    return false;
}

// Whether the line at p, which the text's end may cut short, is or may yet become a DELIMITER
// line: blanks, the word (any letter case), then a blank, a line break or the end.
bool MayBeDelimiterLine(const char* p, const char* end) {
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    constexpr std::string_view Word = "delimiter";
    for (std::size_t i = 0; i < Word.size(); ++i) {
        if (p + i == end) return true;
        const char c = p[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != Word[i]) return false;
    }
    return p + Word.size() == end || IsBlank(p[Word.size()]);
}

// Whether the line at p is a DELIMITER line, as far as its first word tells.
bool IsDelimiterLine(const char* p, const char* end) {
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    return end - p >= 9 && MayBeDelimiterLine(p, end);
}

// The CR LF pairs of [p, end), whose CR the server does not get.
std::size_t CrLfPairs(const char* p, const char* end) {
    std::size_t pairs = 0;
    for (; (p = FindPair(p, end, '\r', '\n')); p += 2)
        ++pairs;
    return pairs;
}

} // namespace

TScriptReader::TScriptReader(std::unique_ptr<QIODevice> device, std::size_t pieceBytes)
    : FDevice(std::move(device)), FPiece(std::max<std::size_t>(pieceBytes, 1)),
      FDecoder(std::make_unique<TScriptDecoder>()), FRaw(FPiece) {
    Reserve(64);
    FBuf.Length = Start;
}

TScriptReader::~TScriptReader() {
    std::free(FBuf.Data);
}

void TScriptReader::Reserve(std::size_t bytes) {
    if (bytes <= FBuf.Capacity) return;
    // realloc, so a large buffer grows in place where it can and the peak stays near its size.
    const std::size_t capacity = std::max(bytes, FBuf.Capacity + FBuf.Capacity / 4);
    void* grown = std::realloc(FBuf.Data, capacity);
    if (!grown) throw std::bad_alloc();
    FBuf.Data = static_cast<char*>(grown);
    FBuf.Capacity = capacity;
}

bool TScriptReader::Fail(TError error, std::size_t at, std::string text) {
    FError = error;
    FErrorText = std::move(text);
    FStatement = {};
    ++FNumber;
    FLine = LineAt(error == BadDelimiter ? at : BeginOf(at, FBuf.Length));
    return false;
}

bool TScriptReader::Check() {
    FChecked = true;
    if (!FDevice->isOpen() && !FDevice->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Fail(CannotOpen, Start);
    FSize = static_cast<std::uint64_t>(std::max<qint64>(FDevice->size(), 0));
    TScriptBytesCheck check;
    for (;;) {
        const qint64 n = FDevice->read(FRaw.data(), static_cast<qint64>(FRaw.size()));
        if (n < 0) return Fail(CannotRead, Start);
        if (n == 0) break;
        check.Add(FRaw.data(), static_cast<std::size_t>(n));
        FRead = check.Size();
        if (FProgress && !FProgress()) return Fail(Stopped, Start);
    }
    FSize = check.Size();
    FRead = 0;
    const std::optional<TSqlEncoding> encoding = check.Encoding();
    if (!encoding) return Fail(NotText, Start);
    FEncoding = *encoding;
    FLastClose = check.LastCommentClose(FEncoding);
    const bool utf16 = FEncoding == TSqlEncoding::Utf16Le || FEncoding == TSqlEncoding::Utf16Be;
    FCloseBytes = utf16 ? 4 : 2;
    *FDecoder = TScriptDecoder(FEncoding);
    if (!FDevice->seek(0)) return Fail(CannotRead, Start);
    return true;
}

bool TScriptReader::Next() {
    FStatement = {};
    if (FError != None) return false;
    if (!FChecked && !Check()) return false;
    for (;;) {
        if (FTaken < FCut.size()) return Take(FCut[FTaken++]);
        if (FPending.Error != None) {
            TPending pending = std::move(FPending);
            FPending = {};
            return Fail(pending.Error, pending.At, std::move(pending.Text));
        }
        if (FDone || !Refill()) return false;
    }
}

bool TScriptReader::Take(TSpan statement) {
    const std::size_t line = LineAt(BeginOf(statement.At, statement.At + statement.Length));
    // The counter passes the statement before its bytes change.
    LineAt(statement.At + statement.Length);
    char* const text = FBuf.Data + statement.At;
    const std::size_t length = ToServerForm(text, statement.Length);
    if (length > FLimit) {
        Fail(TooLong, statement.At);
        FLine = line;
        return false;
    }
    ++FNumber;
    FLine = line;
    FStatement = std::string_view(text, length);
    return true;
}

bool TScriptReader::Refill() {
    Compact();
    const std::uint64_t want = std::max(FPiece, (FBuf.Length - Start) / 4);
    const std::uint64_t goal = std::min(FSize, FRead + want);
    while (FRead < goal)
        if (!ReadPiece(static_cast<std::size_t>(std::min<std::uint64_t>(FPiece, goal - FRead)))) return false;
    const bool final = FRead == FSize;
    char probe;
    const bool grew = final && FDevice->read(&probe, 1) > 0;
    Cut(final, grew);
    return true;
}

bool TScriptReader::ReadPiece(std::size_t want) {
    const qint64 n = FDevice->read(FRaw.data(), static_cast<qint64>(want));
    if (n < 0) return Fail(CannotRead, Start);
    if (n == 0) return Fail(Changed, Start); // shorter than when it was checked
    const auto got = static_cast<std::size_t>(n);
    Reserve(FBuf.Length + TScriptDecoder::MaxOutput(got) + 2);
    FBuf.Length += FDecoder->Decode(FRaw.data(), got, FBuf.Data + FBuf.Length);
    FRead += got;
    if (FProgress && !FProgress()) return Fail(Stopped, Start);
    return true;
}

TScriptCut TScriptReader::CutFrom(std::size_t at, std::size_t end, const std::string& delimiter,
                                  std::vector<TSpan>& statements) {
    // A text cut from its middle begins in the middle of a line, where no DELIMITER line can
    // begin: the byte before it (a consumed one, or the spare first byte) becomes a backslash,
    // which no delimiter holds and which starts nothing outside quotes.
    const bool lineStart = at == Start ? FAtLineStart : FBuf.Data[at - 1] == '\n';
    const std::size_t origin = lineStart ? at : at - 1;
    if (!lineStart) FBuf.Data[origin] = '\\';
    const char* const base = FBuf.Data;
    TScriptCut cut = CutScript(std::string_view(base + origin, end - origin), delimiter);
    cut.Rest = std::max(origin + cut.Rest, at);
    cut.ErrorAt += origin;
    statements.clear();
    for (const std::string_view s : cut.Statements) {
        std::size_t from = static_cast<std::size_t>(s.data() - base), length = s.size();
        if (from < at) {
            from = at;
            --length;
            // Not a statement the whole text holds: blanks and comments before a DELIMITER line.
            const std::size_t to = from + length;
            if (to > at && base[to - 1] == '\n' && IsDelimiterLine(base + to, base + end) &&
                !HoldsStatement(base + from, base + to))
                continue;
        }
        statements.push_back({from, length});
    }
    return cut;
}

void TScriptReader::Cut(bool final, bool grew) {
    const std::size_t length = FBuf.Length;
    const char* const text = FBuf.Data + FRest;
    // A last line that may be a DELIMITER line waits until it is whole: it may end the statement
    // before it, or turn out malformed, which leaves that statement unsent.
    std::size_t end = length;
    if (!final) {
        const char* lastLf =
            length > FRest ? static_cast<const char*>(memrchr(text, '\n', length - FRest)) : nullptr;
        const std::size_t line = lastLf ? static_cast<std::size_t>(lastLf + 1 - FBuf.Data) : FRest;
        const bool lineStart = line > FRest || (FRest == Start ? FAtLineStart : FBuf.Data[FRest - 1] == '\n');
        if (lineStart && MayBeDelimiterLine(FBuf.Data + line, FBuf.Data + length)) end = line;
    }
    const bool closeAdded = !final && FLastClose &&
                            (*FLastClose + FCloseBytes > FDecoder->BytesDone() ||
                             FindPair(FBuf.Data + end, FBuf.Data + length, '*', '/'));
    char kept[2] = {};
    const std::size_t keep = std::min<std::size_t>(2, length - end);
    if (closeAdded) {
        Reserve(end + 2);
        std::memcpy(kept, FBuf.Data + end, keep);
        std::memcpy(FBuf.Data + end, "*/", 2);
    }
    std::vector<TSpan> statements;
    const TScriptCut cut = CutFrom(FRest, end + (closeAdded ? 2 : 0), FDelimiter, statements);
    if (closeAdded) std::memcpy(FBuf.Data + end, kept, keep);
    const std::size_t from = FRest;
    FCut.clear();
    FTaken = 0;
    for (const TSpan& statement : statements) {
        if (statement.At >= cut.Rest) break; // the text after the last delimiter
        FCut.push_back(statement);
    }
    FDelimiter = cut.Delimiter;
    FRest = cut.Rest;

    if (!cut.Error.empty()) {
        FPending = {BadDelimiter, cut.ErrorAt, cut.Error};
        FDone = true;
        return;
    }
    if (closeAdded && FRest > end) {
        // The last delimiter ran into the "*/" added above: the statement it ended is read again.
        FRest = FCut.empty() ? from : FCut.back().At;
        if (!FCut.empty()) FCut.pop_back();
    }
    if (!final) {
        if (FCut.empty()) RefuseIfTooLong(end);
        return;
    }
    FDone = true;
    if (grew) {
        FPending = {Changed, FRest, {}};
        return;
    }
    if (!statements.empty() && statements.back().At >= cut.Rest) CutTail(statements.back().At);
}

void TScriptReader::RefuseIfTooLong(std::size_t end) {
    // What is certainly text of the statement being read: everything before the line left out
    // of the cut, or else all but what may be the start of a delimiter.
    const std::size_t length = FBuf.Length;
    std::size_t upTo = end;
    if (end == length) upTo = std::max(FRest, length - std::min(FDelimiter.size(), length - FRest));
    const char* from = FBuf.Data + FRest;
    const std::size_t bytes = upTo - FRest;
    if (bytes > FLimit && bytes - CrLfPairs(from, from + bytes) > FLimit) {
        FPending = {TooLong, FRest, {}};
        FDone = true;
    }
}

void TScriptReader::CutTail(std::size_t at) {
    const std::size_t length = FBuf.Length;
    if (!HoldsStatement(FBuf.Data + at, FBuf.Data + length)) return;
    // Ended by a line break and the delimiter, the text is a whole statement unless it ends inside
    // a quoted text, which then swallows both.
    const std::string delimiter = FDelimiter;
    Reserve(length + 2 + delimiter.size());
    std::memcpy(FBuf.Data + length, "\r\n", 2);
    std::memcpy(FBuf.Data + length + 2, delimiter.data(), delimiter.size());
    std::vector<TSpan> statements;
    const TScriptCut probe = CutFrom(at, length + 2 + delimiter.size(), delimiter, statements);
    const bool closed = std::any_of(statements.begin(), statements.end(),
                                    [&](TSpan s) { return s.At + s.Length == length + 2; }) ||
                        (!probe.Error.empty() && probe.ErrorAt == length + 2);
    if (!closed) {
        FPending = {EndsInQuote, at, {}};
        return;
    }
    if (delimiter != ";" && CutFrom(at, length, ";", statements).Rest > at) {
        FPending = {EndsInBody, at, {}};
        return;
    }
    FCut.push_back({at, length - at});
}

void TScriptReader::Compact() {
    LineAt(FRest);
    if (FRest > Start) FAtLineStart = FBuf.Data[FRest - 1] == '\n';
    const std::size_t left = FBuf.Length - FRest;
    if (FRest > Start) std::memmove(FBuf.Data + Start, FBuf.Data + FRest, left);
    FBuf.Length = Start + left;
    FLinePos = Start;
    FRest = Start;
    FCut.clear();
    FTaken = 0;
    // What a long statement took is given back once it is done.
    const std::size_t enough = Start + left + 2 * TScriptDecoder::MaxOutput(FPiece) + 64;
    if (FBuf.Capacity > 2 * enough) {
        if (void* smaller = std::realloc(FBuf.Data, enough)) {
            FBuf.Data = static_cast<char*>(smaller);
            FBuf.Capacity = enough;
        }
    }
}

std::size_t TScriptReader::LineAt(std::size_t at) {
    const char* const end = FBuf.Data + at;
    for (const char* p = FBuf.Data + FLinePos; at > FLinePos && (p = FindByte(p, end, '\n')); ++p)
        ++FLineNo;
    FLinePos = std::max(FLinePos, at);
    return FLineNo;
}

std::size_t TScriptReader::BeginOf(std::size_t at, std::size_t end) const {
    const char* p = FBuf.Data + at;
    const char* const stop = FBuf.Data + end;
    while (p < stop) {
        if (IsBlank(*p)) {
            ++p;
        } else if (*p == '#' || DashComment(p, stop)) {
            const char* lf = FindByte(p, stop, '\n');
            if (!lf) break;
            p = lf + 1;
        } else {
            return static_cast<std::size_t>(p - FBuf.Data);
        }
    }
    return at;
}
