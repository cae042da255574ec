#pragma once
// The server layer holds text as the bytes the client library takes and gives (UTF-8 here); the
// windows hold QString. Every crossing between the two goes through these two functions.

#include <QString>

#include <string>
#include <string_view>

inline QString QtText(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string ServerText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
