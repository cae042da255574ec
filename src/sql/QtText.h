#pragma once
// The server layer holds text as the bytes the client library takes and gives (UTF-8 here); the
// windows hold QString. Every crossing between the two goes through these two functions.

#include <QString>

#include <string>
#include <string_view>

inline QString QtText(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The index of the first UTF-16 surrogate without its partner, or -1. Such a unit has no UTF-8 form:
// ServerText would put a replacement character in its place.
inline qsizetype UnpairedSurrogateAt(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return i;
    }
    return -1;
}

// How many UTF-16 units the UTF-8 bytes stand for (a character outside the Basic Multilingual
// Plane counts two, as QString counts it): a byte offset into ServerText's bytes made a position
// of the QString they came from.
inline qsizetype Utf16Length(std::string_view utf8) {
    qsizetype units = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        units += (b & 0xC0) != 0x80;
        units += b >= 0xF0;
    }
    return units;
}

// How many UTF-8 bytes the first `units` UTF-16 units of `text` become: a position of the QString
// made an offset into ServerText's bytes.
inline std::size_t Utf8Length(const QString& text, qsizetype units) {
    std::size_t bytes = 0;
    for (qsizetype i = 0; i < units && i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        bytes += u < 0x80                    ? 1
                 : u < 0x800                 ? 2
                 : QChar::isHighSurrogate(u) ? 4
                 : QChar::isLowSurrogate(u)  ? 0
                                             : 3;
    }
    return bytes;
}

inline std::string ServerText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
