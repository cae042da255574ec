#include "platform/internal/RegFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// ---- key tree ----

TRegKey* TRegKey::FindSubkey(const std::string& name) const {
    auto it = std::lower_bound(Subkeys.begin(), Subkeys.end(), name,
                               [](const std::unique_ptr<TRegKey>& k, const std::string& n) {
                                   return CompareKeyNames(k->Name, n) < 0;
                               });
    return it != Subkeys.end() && SameKeyName((*it)->Name, name) ? it->get() : nullptr;
}

TRegKey* TRegKey::AddSubkey(const std::string& name) {
    if (TRegKey* found = FindSubkey(name)) return found;
    auto key = std::make_unique<TRegKey>();
    key->Name = name;
    TRegKey* raw = key.get();
    InsertSubkey(std::move(key));
    return raw;
}

std::unique_ptr<TRegKey> TRegKey::RemoveSubkey(const std::string& name) {
    auto it = std::find_if(Subkeys.begin(), Subkeys.end(),
                           [&](const std::unique_ptr<TRegKey>& k) { return SameKeyName(k->Name, name); });
    if (it == Subkeys.end()) return nullptr;
    std::unique_ptr<TRegKey> key = std::move(*it);
    Subkeys.erase(it);
    return key;
}

void TRegKey::InsertSubkey(std::unique_ptr<TRegKey> key) {
    auto it = std::lower_bound(Subkeys.begin(), Subkeys.end(), key->Name,
                               [](const std::unique_ptr<TRegKey>& k, const std::string& n) {
                                   return CompareKeyNames(k->Name, n) < 0;
                               });
    Subkeys.insert(it, std::move(key));
}

TRegValue* TRegKey::FindValue(const std::string& name) {
    auto it = std::find_if(Values.begin(), Values.end(),
                           [&](const TRegValue& v) { return SameKeyName(v.Name, name); });
    return it == Values.end() ? nullptr : &*it;
}

const TRegValue* TRegKey::FindValue(const std::string& name) const {
    return const_cast<TRegKey*>(this)->FindValue(name);
}

// ---- writing ----

namespace {

const char* const Header = "Windows Registry Editor Version 5.00";
const char* const RootName = "HKEY_CURRENT_USER";

// Quoted text with the .reg escapes; line breaks get escapes of their own, since a raw one would
// cut the line.
void AppendQuoted(std::string& out, const std::string& text) {
    out += '"';
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    out += '"';
}

// The key's section: its path and its values, not its subkeys.
void AppendSection(std::string& out, const TRegKey& key, const std::string& path) {
    out += '[';
    out += path;
    out += "]\n";
    for (const TRegValue& v : key.Values) {
        if (v.Name.empty())
            out += '@';
        else
            AppendQuoted(out, v.Name);
        out += '=';
        if (v.Type == rdString) {
            AppendQuoted(out, v.Text);
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x", v.Dword);
            out += buf;
        }
        out += '\n';
    }
    out += '\n';
}

void AppendKey(std::string& out, const TRegKey& key, const std::string& path) {
    AppendSection(out, key, path);
    for (const auto& sub : key.Subkeys)
        AppendKey(out, *sub, path + '\\' + sub->Name);
}

} // namespace

std::string SerializeRegFile(const TRegKey& root) {
    std::string out = Header;
    out += "\n\n";
    // Values of HKEY_CURRENT_USER itself are never the program's, but a file may hold them.
    if (!root.Values.empty()) AppendSection(out, root, std::string(RootName));
    for (const auto& sub : root.Subkeys)
        AppendKey(out, *sub, std::string(RootName) + '\\' + sub->Name);
    return out;
}

// ---- reading ----

namespace {

bool IEquals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// Reads a quoted text at `pos` (which holds the opening quote); `pos` ends after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view line, std::size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    std::string text;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return text;
        }
        if (c == '\\' && pos + 1 < line.size()) {
            char e = line[++pos];
            switch (e) {
            case 'r':
                text += '\r';
                break;
            case 'n':
                text += '\n';
                break;
            case '\\':
            case '"':
                text += e;
                break;
            default: // a lone backslash written by hand: keep it as it stands
                text += '\\';
                text += e;
            }
            continue;
        }
        text += c;
    }
    return std::nullopt; // no closing quote: a truncated line
}

void SkipBlanks(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
}

std::optional<std::uint32_t> ReadDword(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

// The key a section header names, made when missing; null when it is not one this store can hold.
TRegKey* OpenSection(std::string_view path, TRegKey& root) {
    const std::string_view rootName = RootName;
    if (path.size() < rootName.size() || !IEquals(path.substr(0, rootName.size()), rootName)) return nullptr;
    path.remove_prefix(rootName.size());
    if (path.empty()) return &root;
    if (path.front() != '\\') return nullptr;
    path.remove_prefix(1);
    std::vector<std::string> names;
    while (true) {
        std::size_t cut = path.find('\\');
        std::string name(path.substr(0, cut));
        if (!IsValidKeyName(name)) return nullptr;
        names.push_back(std::move(name));
        if (cut == std::string_view::npos) break;
        path.remove_prefix(cut + 1);
    }
    TRegKey* key = &root;
    for (const std::string& name : names)
        key = key->AddSubkey(name);
    return key;
}

// One value line into `key`; false when it cannot be read.
bool ReadValueLine(std::string_view line, TRegKey& key) {
    std::size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
        pos = 1;
    } else {
        auto quoted = ReadQuoted(line, pos);
        if (!quoted) return false;
        name = std::move(*quoted);
    }
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    SkipBlanks(line, pos);

    TRegValue value;
    value.Name = name;
    if (pos < line.size() && line[pos] == '"') {
        auto text = ReadQuoted(line, pos);
        if (!text) return false;
        SkipBlanks(line, pos);
        if (pos != line.size()) return false;
        value.Type = rdString;
        value.Text = std::move(*text);
    } else {
        std::string_view rest = line.substr(pos);
        const std::string_view prefix = "dword:";
        if (rest.size() < prefix.size() || !IEquals(rest.substr(0, prefix.size()), prefix))
            return false; // deletions, hex: and the other kinds this store does not hold
        rest.remove_prefix(prefix.size());
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
            rest.remove_suffix(1);
        auto dword = ReadDword(rest);
        if (!dword) return false;
        value.Type = rdInteger;
        value.Dword = *dword;
    }
    if (TRegValue* old = key.FindValue(name)) {
        value.Name = old->Name; // keeps the case it was first given
        *old = std::move(value);
    } else {
        key.Values.push_back(std::move(value));
    }
    return true;
}

} // namespace

bool ParseRegFile(const std::string& bytes, TRegKey& root) {
    bool clean = true;
    bool sawHeader = false;
    bool first = true;
    TRegKey* section = nullptr;
    bool inForeignSection = false;

    std::string_view rest = bytes;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    while (!rest.empty()) {
        std::size_t cut = rest.find('\n');
        std::string_view line = rest.substr(0, cut);
        const bool lastLine = cut == std::string_view::npos;
        rest = lastLine ? std::string_view() : rest.substr(cut + 1);

        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty()) continue;
        if (line.find('\0') != std::string_view::npos) {
            clean = false;
            continue;
        }
        if (first) {
            first = false;
            if (line == Header) {
                sawHeader = true;
                continue;
            }
        }
        if (line[0] == ';') continue;
        if (line[0] == '[') {
            section = nullptr;
            inForeignSection = true;
            if (line.back() == ']') section = OpenSection(line.substr(1, line.size() - 2), root);
            if (section)
                inForeignSection = false;
            else
                clean = false;
            continue;
        }
        if (line[0] == '"' || line[0] == '@') {
            if (!section) {
                // Values before any section belong nowhere; those of an unreadable section were
                // already counted with it.
                if (!inForeignSection) clean = false;
                continue;
            }
            if (!ReadValueLine(line, *section)) clean = false;
            continue;
        }
        clean = false;
    }
    return clean && sawHeader;
}

// ---- files ----

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const QString& path, const std::string& bytes) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) return false;
    QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray temp = target + ".XXXXXX";
    int fd = ::mkstemp(temp.data()); // made 0600, never over an existing file
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temp.constData(), target.constData()) == 0;
    if (!ok) ::unlink(temp.constData());
    return ok;
}

QString KeepCopy(const QString& stem, const std::string& bytes) {
    for (int n = 0; n < 1000; ++n) {
        QString name = n == 0 ? stem : stem + '.' + QString::number(n);
        const QByteArray native = QFile::encodeName(name);
        int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0) {
            if (errno != EEXIST) return {};
            QFile existing(name);
            if (existing.open(QIODevice::ReadOnly) && existing.readAll() == QByteArray::fromStdString(bytes))
                return name; // kept already by an earlier run
            continue;
        }
        bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        if (ok) return name;
        ::unlink(native.constData());
        return {};
    }
    return {};
}

TFolderLock::TFolderLock(const QString& folder, int timeoutMs) {
    if (!QDir().mkpath(folder)) return;
    const QByteArray native = QFile::encodeName(folder);
    int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Polled rather than blocking, so a copy that hangs while holding it cannot hang this one too.
    for (int waited = 0;; waited += 10) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            FFd = fd;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= timeoutMs) break;
        ::usleep(10 * 1000);
    }
    ::close(fd);
}

TFolderLock::~TFolderLock() {
    if (FFd >= 0) ::close(FFd); // closing the last descriptor releases the flock
}
