#pragma once
// Whole files as bytes, for tests that check what a command wrote.

#include <QFile>
#include <QString>

#include <string>

// The file's bytes, or "<missing>" when it cannot be read.
inline std::string ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
}

inline bool WriteFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}
