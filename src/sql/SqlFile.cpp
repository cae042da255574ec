#include "sql/SqlFile.h"

#include "sql/internal/Cp1252.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace {

constexpr char16_t BeginningOfFrame = 0xFDD0; // what the editor's document uses for its own
constexpr char16_t EndOfFrame = 0xFDD1;

QByteArrayView Utf8Bom() {
    return QByteArrayView("\xEF\xBB\xBF", 3);
}

QByteArrayView Utf16LeBom() {
    return QByteArrayView("\xFF\xFE", 2);
}

QByteArrayView Utf16BeBom() {
    return QByteArrayView("\xFE\xFF", 2);
}

bool IsUtf16(QByteArrayView bytes) {
    return bytes.startsWith(Utf16LeBom()) || bytes.startsWith(Utf16BeBom());
}

// The UTF-16 reading of `bytes` behind their byte order mark, or nothing when they are no
// well-formed UTF-16 that comes back as the same bytes.
std::optional<QString> FromUtf16(QByteArrayView bytes, bool littleEndian) {
    const QByteArrayView body = bytes.sliced(2);
    if (body.size() % 2) return std::nullopt;
    // The mark itself is off already: a second one is a character of the text.
    QStringDecoder decoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(body);
    if (decoder.hasError()) return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return std::nullopt;
    }
    if (text.contains(QChar(BeginningOfFrame)) || text.contains(QChar(EndOfFrame))) return std::nullopt;
    return text;
}

// The style of the first line break of `text`: LF when there is none.
TLineEnds LineEndsOf(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r')
            return i + 1 < text.size() && text.at(i + 1) == u'\n' ? TLineEnds::CrLf : TLineEnds::Lf;
        if (c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) return TLineEnds::Lf;
    }
    return TLineEnds::Lf;
}

QString FromCp1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

// False when a character has no byte in Windows-1252.
bool ToCp1252(const QString& text, QByteArray& bytes) {
    bytes.resize(text.size());
    char* out = bytes.data();
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *out++ = static_cast<char>(u);
            continue;
        }
        const auto* hit = std::find(Cp1252High.begin(), Cp1252High.end(), u);
        if (hit == Cp1252High.end()) return false;
        *out++ = static_cast<char>(0x80 + (hit - Cp1252High.begin()));
    }
    return true;
}

// The UTF-8 reading of `bytes`, or nothing when they are not UTF-8 the editor keeps as it is.
std::optional<QString> FromStrictUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    // Overlong forms and encoded surrogates would not come back as the same bytes.
    if (text.toUtf8() != bytes) return std::nullopt;
    if (text.contains(QChar(BeginningOfFrame)) || text.contains(QChar(EndOfFrame))) return std::nullopt;
    return text;
}

QString WithCrLf(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
            out += QLatin1String("\r\n");
        } else if (c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

TSqlText DecodeSqlText(QByteArrayView bytes) {
    TSqlText result;
    if (IsUtf16(bytes)) {
        const bool little = bytes.startsWith(Utf16LeBom());
        if (std::optional<QString> text = FromUtf16(bytes, little)) {
            result.LineEnds = LineEndsOf(*text);
            result.Text = WithCrLf(*text);
            result.Encoding = little ? TSqlEncoding::Utf16Le : TSqlEncoding::Utf16Be;
            return result;
        }
    }
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) bytes.truncate(nul);
    const bool bom = bytes.startsWith(Utf8Bom());
    if (std::optional<QString> text = FromStrictUtf8(bom ? bytes.sliced(Utf8Bom().size()) : bytes)) {
        result.LineEnds = LineEndsOf(*text);
        result.Text = WithCrLf(*text);
        result.Encoding = bom ? TSqlEncoding::Utf8Bom : TSqlEncoding::Utf8;
    } else {
        const QString bytewise = FromCp1252(bytes);
        result.LineEnds = LineEndsOf(bytewise);
        result.Text = WithCrLf(bytewise);
        result.Encoding = TSqlEncoding::Windows1252;
    }
    return result;
}

QByteArray EncodeSqlText(const QString& editorText, TSqlEncoding& encoding, TLineEnds lineEnds) {
    QString lf;
    if (lineEnds == TLineEnds::Lf)
        lf = QString(editorText).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QString& text = lineEnds == TLineEnds::Lf ? lf : editorText;
    QByteArray bytes;
    switch (encoding) {
    case TSqlEncoding::Windows1252:
        // Bytes that began with a UTF-16 byte order mark would load back as UTF-16.
        if (ToCp1252(text, bytes) && !IsUtf16(bytes)) return bytes;
        // Nothing the user typed is dropped: the script becomes UTF-8 as a whole.
        encoding = TSqlEncoding::Utf8;
        return text.toUtf8();
    case TSqlEncoding::Utf16Le:
    case TSqlEncoding::Utf16Be: {
        const bool little = encoding == TSqlEncoding::Utf16Le;
        bytes = (little ? Utf16LeBom() : Utf16BeBom()).toByteArray();
        bytes.reserve(2 + 2 * text.size());
        for (const QChar ch : text) {
            const char16_t u = ch.unicode();
            const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
            bytes.append(little ? low : high);
            bytes.append(little ? high : low);
        }
        return bytes;
    }
    case TSqlEncoding::Utf8Bom:
        bytes = text.toUtf8();
        bytes.prepend(Utf8Bom().data(), Utf8Bom().size());
        return bytes;
    case TSqlEncoding::Utf8:
        break;
    }
    return text.toUtf8();
}

TSqlFileRead ReadSqlFile(const QString& path, qsizetype maxLength) {
    TSqlFileRead read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.Error = TSqlFileRead::CannotOpen;
        return read;
    }
    // No character of the text takes more than three bytes (a byte order mark aside), so a longer
    // file holds too long a text; nothing further need be read.
    const qsizetype maxBytes = 3 * maxLength + Utf8Bom().size();
    QByteArray bytes;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0) {
            read.Error = TSqlFileRead::CannotOpen;
            return read;
        }
        if (n == 0) break;
        bytes.append(chunk.constData(), n);
        if (bytes.size() > maxBytes) {
            read.Error = TSqlFileRead::TooLong;
            return read;
        }
    }
    TSqlText script = DecodeSqlText(bytes);
    const bool utf16 = script.Encoding == TSqlEncoding::Utf16Le || script.Encoding == TSqlEncoding::Utf16Be;
    if (!utf16 && bytes.contains('\0')) {
        read.Error = TSqlFileRead::NotText;
        return read;
    }
    if (script.Text.size() > maxLength) {
        read.Error = TSqlFileRead::TooLong;
        return read;
    }
    read.Script = std::move(script);
    return read;
}

bool WriteSqlFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
