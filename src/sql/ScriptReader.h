#pragma once
// A script file run without loading it: read a piece at a time, decoded to the server's UTF-8 as
// Load SQL decodes the file, and cut into the statements Query would cut the loaded text into
// (DELIMITER lines included), one statement at a time. What it holds is the statement being read
// and a piece beyond it, whatever the size of the file.
//
// Check reads the whole file once before anything is sent: a file with NUL bytes (unless it is
// UTF-16 behind a byte order mark) is no text, and the encoding is decided on all of the bytes.
//
// Each statement comes as the server gets it, with LF for the file's CR LF (a lone CR stays, as
// do the Unicode line separators: they are data to the server), with its number and the file line
// its text begins on (blanks and line comments before it aside). The text after the last
// delimiter is a statement when it holds more than blanks and comments; it is refused unsent when
// the file ends inside a quoted text or name, or when, under a delimiter other than ";", it holds
// a ";" of its own: a compound statement whose end is missing.

#include "sql/SqlFile.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QIODevice;
class TScriptDecoder;
struct TScriptCut;

class TScriptReader {
public:
    enum TError {
        None,
        CannotOpen,
        CannotRead,
        NotText,
        BadDelimiter, // a DELIMITER line naming no delimiter that can be used; ErrorText says why
        EndsInQuote,  // the file ends inside a quoted text or name
        EndsInBody,   // the file ends before the delimiter that ends a compound statement
        TooLong,      // a statement longer than the limit
        Changed,      // the file is shorter or longer than when it was checked
        Stopped,      // the progress callback asked to stop
    };

    static constexpr std::size_t DefaultPieceBytes = std::size_t{1} << 20;

    // Reads `device`, which is opened for reading when it is not open yet.
    explicit TScriptReader(std::unique_ptr<QIODevice> device, std::size_t pieceBytes = DefaultPieceBytes);
    ~TScriptReader();
    TScriptReader(const TScriptReader&) = delete;
    TScriptReader& operator=(const TScriptReader&) = delete;

    // Called after every piece read; false stops the reading (Stopped).
    void SetProgress(std::function<bool()> progress) { FProgress = std::move(progress); }
    // A statement longer than this, as sent, is refused unsent (TooLong), as soon as so much of it
    // has been read.
    void SetLimit(std::size_t bytes) { FLimit = bytes; }

    // The look at the whole file; false, with Error set, when it cannot be run.
    bool Check();
    TSqlEncoding Encoding() const { return FEncoding; }

    // Moves to the next statement; false at the end of the script (Error is None) or at an error.
    bool Next();
    // The statement as the server gets it, valid until the next call of Next.
    std::string_view Statement() const { return FStatement; }
    // The statement's number, from 1, and the file line it begins on; after an error, those of the
    // statement that was not sent (for a bad DELIMITER line, the line itself).
    std::size_t Number() const { return FNumber; }
    std::size_t Line() const { return FLine; }

    TError Error() const { return FError; }
    const std::string& ErrorText() const { return FErrorText; }
    // The delimiter in force: after EndsInBody, the one the statement lacks.
    const std::string& Delimiter() const { return FDelimiter; }

    // The file's size, as checked, and how much of it has been read.
    qint64 Size() const { return static_cast<qint64>(FSize); }
    qint64 BytesRead() const { return static_cast<qint64>(FRead); }

private:
    struct TSpan {
        std::size_t At = 0, Length = 0;
    };
    // An error met while cutting, raised once the statements before it have been taken.
    struct TPending {
        TError Error = None;
        std::size_t At = 0; // where the statement not sent (or the DELIMITER line) begins
        std::string Text;
    };

    bool Fail(TError error, std::size_t at, std::string text = {});
    bool Take(TSpan statement);
    bool Refill();
    bool ReadPiece(std::size_t want);
    // Cuts the buffer's [at, end) under `delimiter`; the statements, as spans of the buffer, go
    // to `statements`; the cut's Rest and ErrorAt are made offsets of the buffer too.
    TScriptCut CutFrom(std::size_t at, std::size_t end, const std::string& delimiter,
                       std::vector<TSpan>& statements);
    void Cut(bool final, bool grew);
    void RefuseIfTooLong(std::size_t end);
    void CutTail(std::size_t at);
    void Compact();
    // The line of the byte at `at` of the buffer; `at` never goes back.
    std::size_t LineAt(std::size_t at);
    std::size_t BeginOf(std::size_t at, std::size_t end) const;
    void Reserve(std::size_t bytes);

    std::unique_ptr<QIODevice> FDevice;
    std::size_t FPiece;
    std::function<bool()> FProgress;
    std::size_t FLimit = std::numeric_limits<std::size_t>::max();

    TSqlEncoding FEncoding = TSqlEncoding::Utf8;
    std::uint64_t FSize = 0, FRead = 0;
    std::optional<std::uint64_t> FLastClose; // the file's last "*/", in file bytes
    std::uint64_t FCloseBytes = 2;
    std::unique_ptr<TScriptDecoder> FDecoder;
    std::vector<char> FRaw;

    // The decoded text not yet taken, from the start of the statement being read, behind one spare
    // byte (see CutFrom).
    static constexpr std::size_t Start = 1;
    struct TBuffer {
        char* Data = nullptr;
        std::size_t Length = 0, Capacity = 0;
    } FBuf;
    std::size_t FRest = Start; // where the text not yet cut into statements begins
    bool FAtLineStart = true;  // whether a line begins there
    std::string FDelimiter = ";";
    std::vector<TSpan> FCut; // statements cut from the buffer, not yet taken
    std::size_t FTaken = 0;  // how many of them
    TPending FPending;
    bool FDone = false; // the whole file is cut

    std::size_t FLinePos = Start, FLineNo = 1;

    std::string_view FStatement;
    std::size_t FNumber = 0, FLine = 0;
    TError FError = None;
    std::string FErrorText;
    bool FChecked = false;
};
