#pragma once
// A per-user registry under HKEY_CURRENT_USER, kept in one text file in the .reg export format.
//
// Semantics follow the Windows registry that the settings code was drawn for: keys are addressed by
// backslash paths, key and value names compare without regard to letter case and keep the case they
// were created with, subkeys are listed in case-insensitive alphabetical order, and a value has one
// type (REG_SZ or REG_DWORD). Strings are 8-bit text, held as the bytes given.
//
// Every change is written through to the file at once (new file, then rename; mode 0600, since the
// file holds passwords), except inside TRegistryStore::Update, which writes its changes together.
// A damaged file loads what can be read; before the first save over it, the original bytes are
// kept beside it as "<file>.bad" (or "<file>.bad.N" when that name is taken).

#include "platform/RegTypes.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The loaded content of one registry file. Shared by every TRegistry that works on it, as the
// real registry is shared by every handle.
class TRegistryStore {
public:
    // Loads `fileName` at once; a missing file is an empty registry.
    explicit TRegistryStore(QString fileName);
    ~TRegistryStore();
    TRegistryStore(const TRegistryStore&) = delete;
    TRegistryStore& operator=(const TRegistryStore&) = delete;

    // The current user's store: GenericConfigLocation/Tarnvale/Korvana.reg, loaded on first use.
    static TRegistryStore& Default();
    static QString DefaultFileName();

    const QString& FileName() const;
    // The file held lines that could not be read (they are not in memory).
    bool Damaged() const;
    // Where the damaged original was kept by the last save; empty when none was needed.
    const QString& BackupFileName() const;
    // Empty, or "Cannot open file <file>" when the file was there but could not be read when last
    // loaded; it is not written over while so.
    std::string ReadError() const;

    // Applies `change` (made through TRegistry handles on this store) to the file as it is on
    // disk now, and writes the outcome as one replacement of the file: all of it or none of it.
    // The file's folder stays locked meanwhile, so two updates, also by two processes, never
    // interleave. Nothing is written when the content comes out as it was. On failure the file is
    // untouched, the store holds what is on disk, and ERegistryException says why: "Cannot open
    // file <file>" when it cannot be read, "Failed to set data for '<name>'" (the first value
    // `change` wrote) when it cannot be written, or "Cannot create file <file>" when `change` wrote
    // no value. An exception from `change` leaves file and store in the same way and is passed on.
    void Update(const std::function<void()>& change);

    struct TImpl;
    TImpl& Impl() { return *FImpl; }

private:
    std::unique_ptr<TImpl> FImpl;
};

// A handle on the store with one current key, in the manner of a registry access object.
class TRegistry {
public:
    explicit TRegistry(TRegistryStore& store = TRegistryStore::Default());
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Opens `key` (relative to the current key, or to HKEY_CURRENT_USER when it begins with a
    // backslash or no key is open) and makes it current. With `canCreate`, it and every missing key
    // on its path are made. False when it does not exist, a name on the path is empty or holds a
    // control character, or the new keys cannot be saved.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();
    // Path of the current key below HKEY_CURRENT_USER, in stored case; empty when none is open.
    std::string CurrentPath() const;

    // Names of the current key's subkeys, in case-insensitive alphabetical order.
    std::vector<std::string> GetKeyNames() const;
    bool ValueExists(const std::string& name) const;

    // Missing value: empty text. Value of another type: "Invalid data type for '<name>'".
    std::string ReadString(const std::string& name) const;
    // Missing value: "Failed to get data for '<name>'"; another type: "Invalid data type for ...".
    int ReadInteger(const std::string& name) const;
    // Replaces any value of that name, of either type. The text is cut at a NUL byte, as a REG_SZ
    // is. Failure (no open key, file not writable): "Failed to set data for '<name>'".
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);

    // Deletes `key` (resolved as in OpenKey) with every key below it. False when it does not exist
    // or the change cannot be saved.
    bool DeleteKey(const std::string& key);

private:
    TRegistryStore& FStore;
    std::vector<std::string> FCurrent; // path in stored case
    bool FOpen = false;
};
