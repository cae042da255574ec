#include "platform/Registry.h"

#include "platform/internal/RegFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

// ---- store ----

struct TRegistryStore::TImpl {
    QString FileName;
    TRegKey Root;
    bool Damaged = false;
    // The file is there but could not be read: saving over it would destroy what we never saw.
    bool Unreadable = false;
    std::string Original; // the damaged file's bytes, until they are kept beside it
    QString Backup;
    // Inside Update: writes wait for its one replacement of the file.
    bool Deferred = false;
    std::string FirstDeferredValue;
    bool FileExisted = false;
    std::string OnDisk; // the bytes last read, so an update that changes nothing writes nothing

    void Load() {
        QFile file(FileName);
        if (!file.exists()) return;
        FileExisted = true;
        if (!file.open(QIODevice::ReadOnly)) {
            Damaged = Unreadable = true;
            return;
        }
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            Damaged = Unreadable = true;
            return;
        }
        OnDisk = bytes.toStdString();
        Damaged = !ParseRegFile(OnDisk, Root);
        if (Damaged) Original = OnDisk;
    }

    // Forgets what memory holds and reads the file as it is now.
    void Reload() {
        Root = TRegKey();
        Damaged = Unreadable = FileExisted = false;
        Original.clear();
        OnDisk.clear();
        Load();
        if (Damaged) Backup.clear(); // damage found now is kept on its own (an identical copy is reused)
    }

    // Writes the tree to the file; false when it cannot be written.
    bool Persist() {
        if (Deferred) return true;
        if (Unreadable) return false;
        if (Damaged && Backup.isEmpty()) {
            Backup = KeepCopy(FileName + ".bad", Original);
            if (Backup.isEmpty()) return false;
            Original.clear();
        }
        return WriteFileAtomically(FileName, SerializeRegFile(Root));
    }

    void NoteWrite(const std::string& valueName) {
        if (Deferred && FirstDeferredValue.empty()) FirstDeferredValue = valueName;
    }

    // The deferred writes, when they changed anything.
    bool PersistDeferred() {
        if (!FileExisted && Root.Subkeys.empty() && Root.Values.empty()) return true;
        if (FileExisted && !Damaged && SerializeRegFile(Root) == OnDisk) return true;
        return Persist();
    }
};

TRegistryStore::TRegistryStore(QString fileName) : FImpl(std::make_unique<TImpl>()) {
    FImpl->FileName = std::move(fileName);
    FImpl->Load();
}

TRegistryStore::~TRegistryStore() = default;

QString TRegistryStore::DefaultFileName() {
    // A relative XDG_CONFIG_HOME is invalid by the base directory rules, but Qt takes it as it
    // is, which would put the passwords wherever the program happened to be started.
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (QDir::isRelativePath(config)) config = QDir::homePath() + "/.config";
    return config + "/Tarnvale/Korvana.reg";
}

TRegistryStore& TRegistryStore::Default() {
    static TRegistryStore store(DefaultFileName());
    return store;
}

const QString& TRegistryStore::FileName() const {
    return FImpl->FileName;
}
bool TRegistryStore::Damaged() const {
    return FImpl->Damaged;
}
const QString& TRegistryStore::BackupFileName() const {
    return FImpl->Backup;
}
std::string TRegistryStore::ReadError() const {
    return FImpl->Unreadable ? "Cannot open file " + QFile::encodeName(FImpl->FileName).toStdString()
                             : std::string();
}

namespace {

// How long an update waits for another copy of the program to finish its own.
constexpr int LockTimeoutMs = 10000;

} // namespace

void TRegistryStore::Update(const std::function<void()>& change) {
    TImpl& impl = *FImpl;
    const TFolderLock lock(QFileInfo(impl.FileName).absolutePath(), LockTimeoutMs);
    impl.Reload();
    if (impl.Unreadable) throw ERegistryException(ReadError());
    impl.Deferred = true;
    impl.FirstDeferredValue.clear();
    try {
        change();
    } catch (...) {
        impl.Deferred = false;
        impl.Reload();
        throw;
    }
    impl.Deferred = false;
    // Without the lock another copy may be halfway through its own update: write nothing then.
    if (!lock.Held() || !impl.PersistDeferred()) {
        const std::string message =
            impl.FirstDeferredValue.empty()
                ? "Cannot create file " + QFile::encodeName(impl.FileName).toStdString()
                : "Failed to set data for '" + impl.FirstDeferredValue + "'";
        impl.Reload();
        throw ERegistryException(message);
    }
}

// ---- access object ----

namespace {

// `key` as a list of names from the root; nullopt when it is not a path the registry can hold.
std::optional<std::vector<std::string>> ResolvePath(const std::vector<std::string>& current, bool open,
                                                    const std::string& key) {
    std::string_view path = key;
    std::vector<std::string> names;
    if (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    else if (open)
        names = current;
    if (path.empty()) return names;
    while (true) {
        std::size_t cut = path.find('\\');
        std::string name(path.substr(0, cut));
        if (!IsValidKeyName(name)) return std::nullopt;
        names.push_back(std::move(name));
        if (cut == std::string_view::npos) return names;
        path.remove_prefix(cut + 1);
    }
}

TRegKey* FindKey(TRegKey& root, const std::vector<std::string>& names) {
    TRegKey* key = &root;
    for (const std::string& name : names) {
        key = key->FindSubkey(name);
        if (!key) return nullptr;
    }
    return key;
}

std::string Quoted(const char* format, const std::string& name) {
    std::string text = format;
    text.replace(text.find("%s"), 2, name);
    return text;
}

} // namespace

TRegistry::TRegistry(TRegistryStore& store) : FStore(store) {}

TRegistry::~TRegistry() {
    CloseKey();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    auto names = ResolvePath(FCurrent, FOpen, key);
    if (!names) return false;
    TRegistryStore::TImpl& store = FStore.Impl();
    TRegKey* node = &store.Root;
    TRegKey* firstMadeParent = nullptr;
    std::string firstMade;
    std::vector<std::string> stored;
    for (const std::string& name : *names) {
        TRegKey* next = node->FindSubkey(name);
        if (!next) {
            if (!canCreate) return false;
            if (!firstMadeParent) {
                firstMadeParent = node;
                firstMade = name;
            }
            next = node->AddSubkey(name);
        }
        stored.push_back(next->Name);
        node = next;
    }
    if (firstMadeParent && !store.Persist()) {
        firstMadeParent->RemoveSubkey(firstMade); // leave the tree as the file still has it
        return false;
    }
    CloseKey();
    FCurrent = std::move(stored);
    FOpen = true;
    return true;
}

void TRegistry::CloseKey() {
    FCurrent.clear();
    FOpen = false;
}

std::string TRegistry::CurrentPath() const {
    std::string path;
    for (const std::string& name : FCurrent) {
        if (!path.empty()) path += '\\';
        path += name;
    }
    return path;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    if (!FOpen) return names;
    if (const TRegKey* key = FindKey(FStore.Impl().Root, FCurrent))
        for (const auto& sub : key->Subkeys)
            names.push_back(sub->Name);
    return names;
}

bool TRegistry::ValueExists(const std::string& name) const {
    const TRegKey* key = FOpen ? FindKey(FStore.Impl().Root, FCurrent) : nullptr;
    return key && key->FindValue(name);
}

std::string TRegistry::ReadString(const std::string& name) const {
    const TRegKey* key = FOpen ? FindKey(FStore.Impl().Root, FCurrent) : nullptr;
    const TRegValue* value = key ? key->FindValue(name) : nullptr;
    if (!value) return {};
    if (value->Type != rdString) throw ERegistryException(Quoted("Invalid data type for '%s'", name));
    return value->Text;
}

int TRegistry::ReadInteger(const std::string& name) const {
    const TRegKey* key = FOpen ? FindKey(FStore.Impl().Root, FCurrent) : nullptr;
    const TRegValue* value = key ? key->FindValue(name) : nullptr;
    if (!value) throw ERegistryException(Quoted("Failed to get data for '%s'", name));
    if (value->Type != rdInteger) throw ERegistryException(Quoted("Invalid data type for '%s'", name));
    return static_cast<int>(value->Dword);
}

namespace {

void WriteValue(TRegistryStore& store, bool open, const std::vector<std::string>& current, TRegValue value) {
    TRegistryStore::TImpl& impl = store.Impl();
    TRegKey* key = open ? FindKey(impl.Root, current) : nullptr;
    if (!key) throw ERegistryException(Quoted("Failed to set data for '%s'", value.Name));
    const std::string name = value.Name;
    std::optional<TRegValue> before;
    impl.NoteWrite(name);
    if (TRegValue* old = key->FindValue(name)) {
        before = *old;
        value.Name = old->Name;
        *old = std::move(value);
    } else {
        key->Values.push_back(std::move(value));
    }
    if (!impl.Persist()) {
        // Keep memory as the file has it, so a later save does not carry a value that failed.
        if (before)
            *key->FindValue(name) = std::move(*before);
        else
            key->Values.pop_back();
        throw ERegistryException(Quoted("Failed to set data for '%s'", name));
    }
}

} // namespace

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    TRegValue v;
    v.Name = name.substr(0, name.find('\0'));
    v.Type = rdString;
    v.Text = value.substr(0, value.find('\0'));
    WriteValue(FStore, FOpen, FCurrent, std::move(v));
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    TRegValue v;
    v.Name = name.substr(0, name.find('\0'));
    v.Type = rdInteger;
    v.Dword = static_cast<std::uint32_t>(value);
    WriteValue(FStore, FOpen, FCurrent, std::move(v));
}

bool TRegistry::DeleteKey(const std::string& key) {
    auto names = ResolvePath(FCurrent, FOpen, key);
    if (!names || names->empty()) return false;
    TRegistryStore::TImpl& store = FStore.Impl();
    const std::string leaf = names->back();
    names->pop_back();
    TRegKey* parent = FindKey(store.Root, *names);
    std::unique_ptr<TRegKey> removed = parent ? parent->RemoveSubkey(leaf) : nullptr;
    if (!removed) return false;
    if (!store.Persist()) {
        parent->InsertSubkey(std::move(removed));
        return false;
    }
    return true;
}
