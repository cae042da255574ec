// Load SQL's decoding and line ends: the text holds CR LF line ends only; saving it (with the
// file's own line-end style) and loading the result gives the same text, encoding and style; and a
// script without NUL bytes whose line ends are all CR LF saves back to its very bytes, as does one
// whose line ends are all LF.

#include "sql/SqlFile.h"

#include <cstdlib>

namespace {

bool CrLfOnly(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\r' && (i + 1 == s.size() || s[i + 1] != u'\n')) return false;
        if (s[i] == u'\n' && (i == 0 || s[i - 1] != u'\r')) return false;
        if (s[i] == QChar(0x2028) || s[i] == QChar(0x2029)) return false;
    }
    return true;
}

bool CrLfOnly(QByteArrayView b, bool utf8) {
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (b[i] == '\0') return false;
        if (b[i] == '\r' && (i + 1 == b.size() || b[i + 1] != '\n')) return false;
        if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r')) return false;
        // U+2028 and U+2029 are line ends of a UTF-8 script.
        if (utf8 && i + 2 < b.size() && b[i] == '\xE2' && b[i + 1] == '\x80' &&
            (b[i + 2] == '\xA8' || b[i + 2] == '\xA9'))
            return false;
    }
    return true;
}

// No NUL, no CR, no Unicode line separators: LF is the only line end.
bool LfOnly(QByteArrayView b, bool utf8) {
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (b[i] == '\0' || b[i] == '\r') return false;
        if (utf8 && i + 2 < b.size() && b[i] == '\xE2' && b[i + 1] == '\x80' &&
            (b[i + 2] == '\xA8' || b[i + 2] == '\xA9'))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    const TSqlText loaded = DecodeSqlText(bytes);
    if (!CrLfOnly(loaded.Text)) std::abort();

    TSqlEncoding encoding = loaded.Encoding;
    const QByteArray saved = EncodeSqlText(loaded.Text, encoding, loaded.LineEnds);
    // Every character decoded from a file has a byte in the file's own encoding; only a
    // Windows-1252 text that would begin with a UTF-16 byte order mark is saved as UTF-8.
    const bool markLike = loaded.Encoding == TSqlEncoding::Windows1252 &&
                          (loaded.Text.startsWith(QString::fromLatin1("\xFF\xFE")) ||
                           loaded.Text.startsWith(QString::fromLatin1("\xFE\xFF")));
    if (encoding != loaded.Encoding && !(markLike && encoding == TSqlEncoding::Utf8)) std::abort();
    const TSqlText reloaded = DecodeSqlText(saved);
    if (reloaded.Text != loaded.Text || reloaded.Encoding != encoding) std::abort();
    if (!loaded.Text.isEmpty() && reloaded.LineEnds != loaded.LineEnds && loaded.Text.contains(u'\n'))
        std::abort();

    const bool utf16 = loaded.Encoding == TSqlEncoding::Utf16Le || loaded.Encoding == TSqlEncoding::Utf16Be;
    if (!utf16) {
        TSqlEncoding asCrLf = loaded.Encoding;
        if (!markLike && CrLfOnly(bytes, loaded.Encoding != TSqlEncoding::Windows1252) &&
            EncodeSqlText(loaded.Text, asCrLf, TLineEnds::CrLf) != bytes)
            std::abort();
        TSqlEncoding asLf = loaded.Encoding;
        if (!markLike && LfOnly(bytes, loaded.Encoding != TSqlEncoding::Windows1252) &&
            EncodeSqlText(loaded.Text, asLf, TLineEnds::Lf) != bytes)
            std::abort();
    }
    return 0;
}
