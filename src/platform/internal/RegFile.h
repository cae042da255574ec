#pragma once
// Internals of the registry store: the key tree and its .reg text form. Not for use outside
// src/platform and its tests.

#include "platform/RegTypes.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TRegValue {
    std::string Name;
    TRegDataType Type = rdString;
    std::string Text;
    std::uint32_t Dword = 0;
};

struct TRegKey {
    std::string Name;
    std::vector<std::unique_ptr<TRegKey>> Subkeys; // kept in CompareKeyNames order
    std::vector<TRegValue> Values;                 // in the order they were first written

    TRegKey* FindSubkey(const std::string& name) const;
    // The subkey of that name, made (in the given case) when missing.
    TRegKey* AddSubkey(const std::string& name);
    // Takes the subkey out of the tree and hands it back, so a failed save can put it back.
    std::unique_ptr<TRegKey> RemoveSubkey(const std::string& name);
    void InsertSubkey(std::unique_ptr<TRegKey> key);

    TRegValue* FindValue(const std::string& name);
    const TRegValue* FindValue(const std::string& name) const;
};

// The whole tree as a .reg file. Every key below HKEY_CURRENT_USER gets a section.
std::string SerializeRegFile(const TRegKey& root);

// Reads a .reg file into `root` (HKEY_CURRENT_USER). Returns false when any part could not be read:
// a missing or wrong header, a line that is neither a section, a value nor a comment, a section
// outside HKEY_CURRENT_USER, a value of a type other than REG_SZ and REG_DWORD, a truncated line,
// a NUL byte. Whatever can be read is loaded all the same.
bool ParseRegFile(const std::string& bytes, TRegKey& root);

// Writes `bytes` to a new file beside `path` (mode 0600) and renames it over `path`: either the
// old file or the complete new one is there afterwards. Makes the folder when missing.
bool WriteFileAtomically(const QString& path, const std::string& bytes);

// Keeps `bytes` in `stem`, or in "stem.N" (N = 1, 2, ...) when `stem` exists with other content;
// never overwrites an existing file. Returns the name used, or an empty text on failure.
QString KeepCopy(const QString& stem, const std::string& bytes);

// An exclusive lock on a folder that every process taking it honours (flock), so that two copies
// of the program never read and replace the file in it at the same time. Makes the folder when
// missing. Waits up to `timeoutMs` for another holder; Held() tells whether the lock was taken.
class TFolderLock {
public:
    TFolderLock(const QString& folder, int timeoutMs);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};
