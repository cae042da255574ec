#pragma once
// SQL script files: how a file's bytes become the editor's text and how the text goes back.
//
// A script is read as UTF-8, the platform's 8-bit text, when its bytes are valid UTF-8 that the
// editor holds as it is (two noncharacters, U+FDD0 and U+FDD1, it would take for line breaks). Any
// other script (Latin-1, Windows-1252, a stray byte) is read as Windows-1252 with the five bytes that
// code page leaves unassigned kept as the C1 control of the same number, so every byte has a
// character of its own and nothing turns into a replacement character. The encoding found
// travels with the text and is used again when it is saved, which gives back the very same bytes
// for any script without NUL bytes whose line ends are all CR LF or all LF. A script behind a
// UTF-16 byte order mark (as some editors write them) is read and written back as UTF-16.
//
// The editor holds CR LF between lines whatever the file had; the file's own style (that of its
// first line break) travels with the text too, and a save writes it again: LF for a new script,
// as scripts on this platform are written.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

enum class TSqlEncoding {
    Utf8,
    Utf8Bom, // UTF-8 behind a byte order mark, which is kept out of the text and written back
    Windows1252,
    Utf16Le, // UTF-16 behind its byte order mark, kept and written back like the UTF-8 one
    Utf16Be,
};

enum class TLineEnds {
    CrLf,
    Lf,
};

// The most characters the editor takes (a line break counting two, a character outside the
// Basic Multilingual Plane two, as the editor counts): 16 Mi, the figure of the server's default
// max_allowed_packet. A script this long still loads in a few seconds; well beyond it the
// plain-text control slows to a crawl, and the limit bounds the copies of the text that Query
// and the colour pass take.
inline constexpr qsizetype MaxSqlTextLength = qsizetype{16} * 1024 * 1024;

struct TSqlText {
    QString Text;
    TSqlEncoding Encoding = TSqlEncoding::Utf8;
    TLineEnds LineEnds = TLineEnds::Lf;
};

// The text of a script: the bytes (up to the first NUL, unless they are UTF-16), decoded as above,
// with every line end (a lone CR, a lone LF, CR LF, and in Unicode the line and paragraph
// separators) made CR LF.
TSqlText DecodeSqlText(QByteArrayView bytes);

// The bytes of the editor's text in `encoding`, with `lineEnds` between lines. When the text holds
// a character that encoding has no byte for, it is written as UTF-8 instead, and `encoding` says so.
QByteArray EncodeSqlText(const QString& text, TSqlEncoding& encoding, TLineEnds lineEnds = TLineEnds::CrLf);

struct TSqlFileRead {
    enum TError {
        None,
        CannotOpen,
        TooLong,
        NotText, // NUL bytes outside UTF-16: a binary file, which would load cut or garbled
    };
    TError Error = None;
    TSqlText Script; // empty unless Error is None
};

// Reads and decodes the script in `path`. A text longer than `maxLength` is TooLong; the file is
// read only as far as needed to tell, whatever its size. A file holding NUL bytes is NotText,
// unless it is UTF-16 behind a byte order mark.
TSqlFileRead ReadSqlFile(const QString& path, qsizetype maxLength = MaxSqlTextLength);

// Writes `bytes` to a temporary file beside `path` and renames it over `path` once all is on
// disk; an existing file keeps its permissions. On failure the old file is as it was and no
// temporary file remains.
bool WriteSqlFile(const QString& path, const QByteArray& bytes);
