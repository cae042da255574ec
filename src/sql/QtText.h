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

inline std::string ServerText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
