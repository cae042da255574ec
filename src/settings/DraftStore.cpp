#include "settings/DraftStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr int FormatVersion = 1;

QString LockOf(const QString& file) {
    return file.left(file.size() - 5) + QStringLiteral(".lock"); // draft-N.json -> draft-N.lock
}

QByteArray Encode(const TDraft& d) {
    QJsonArray history;
    const std::size_t first =
        d.History.size() > TDraftStore::MaxHistory ? d.History.size() - TDraftStore::MaxHistory : 0;
    for (std::size_t i = first; i < d.History.size(); ++i)
        history.append(QJsonArray::fromStringList(d.History[i]));
    QJsonObject o;
    o.insert(QStringLiteral("version"), FormatVersion);
    o.insert(QStringLiteral("saved"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("text"), d.Text);
    o.insert(QStringLiteral("caret"), d.Caret);
    o.insert(QStringLiteral("history"), history);
    o.insert(QStringLiteral("historyIndex"), std::max(0, d.HistoryIndex - static_cast<int>(first)));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// False when the bytes are no draft of ours (damaged, cut short, another program's).
bool Decode(const QByteArray& bytes, TDraft& d) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return false;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("version")).toInt() != FormatVersion ||
        !o.value(QStringLiteral("text")).isString() || !o.value(QStringLiteral("history")).isArray())
        return false;
    d.Text = o.value(QStringLiteral("text")).toString();
    d.Caret = std::clamp(o.value(QStringLiteral("caret")).toInt(), 0, static_cast<int>(d.Text.size()));
    for (const auto& entry : o.value(QStringLiteral("history")).toArray()) {
        if (!entry.isArray()) return false;
        QStringList lines;
        for (const auto& line : entry.toArray()) {
            if (!line.isString()) return false;
            lines.append(line.toString());
        }
        d.History.push_back(std::move(lines));
    }
    d.HistoryIndex =
        std::clamp(o.value(QStringLiteral("historyIndex")).toInt(), 0, static_cast<int>(d.History.size()));
    return true;
}

} // namespace

QString TDraftStore::DefaultFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative paths are invalid by the base directory rules and are ignored.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/korvana");
}

TDraftStore::TDraftStore(QString folder) : FFolder(std::move(folder)) {}

TDraftStore::~TDraftStore() = default;

bool TDraftStore::Take(const QString& file) {
    auto lock = std::make_unique<QLockFile>(LockOf(file));
    // A lock whose holder is gone (a killed copy) is stale and is taken over at once.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) return false;
    FLock = std::move(lock);
    FFile = file;
    return true;
}

TDraftStore::TOpened TDraftStore::Open() {
    TOpened opened;
    QDir dir(FFolder);
    if (!dir.mkpath(QStringLiteral("."))) {
        opened.Error =
            QStringLiteral("Cannot create the folder ") + FFolder + QStringLiteral(" for the editor's draft");
        return opened;
    }
    QFile::setPermissions(FFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The drafts no running copy holds, newest first.
    QFileInfoList drafts = dir.entryInfoList({QStringLiteral("draft-*.json")}, QDir::Files, QDir::Time);
    for (const QFileInfo& info : drafts) {
        if (!Take(info.absoluteFilePath())) continue;
        QFile file(FFile);
        TDraft draft;
        if (file.open(QIODevice::ReadOnly) && Decode(file.readAll(), draft)) {
            opened.Draft = std::move(draft);
            return opened;
        }
        file.close();
        // Kept for the user to look at, out of the way of the next start.
        const QString aside = FFile + QStringLiteral(".bad");
        QFile::remove(aside);
        QFile::rename(FFile, aside);
        opened.Error = QStringLiteral("The editor's draft ") + FFile +
                       QStringLiteral(" could not be read; it was set aside as ") + aside;
        return opened;
    }
    // Nothing to take over: a file of this copy's own.
    for (int n = 1;; ++n) {
        const QString file = dir.absoluteFilePath(QStringLiteral("draft-%1.json").arg(n));
        if (!QFileInfo::exists(file) && Take(file)) break;
    }
    return opened;
}

QString TDraftStore::Save(const TDraft& draft) {
    if (FFile.isEmpty()) return QStringLiteral("The editor's draft has no file");
    QSaveFile file(FFile);
    const QByteArray bytes = Encode(draft);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return QStringLiteral("Cannot write the editor's draft to ") + FFile;
    }
    if (!file.commit()) return QStringLiteral("Cannot write the editor's draft to ") + FFile;
    return {};
}
