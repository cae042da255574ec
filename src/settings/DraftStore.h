#pragma once
// The editor's draft and the query history, kept between runs in the user's state folder
// ($XDG_STATE_HOME/korvana, else ~/.local/state/korvana), owner-only: statements can hold
// passwords.
//
// Each running copy of the program owns one draft file (draft-N.json, held by a lock beside it)
// and writes only that one, so two copies never overwrite each other's work. At start the newest
// draft no running copy holds is restored and taken over: the last copy to exit, or one that was
// killed. The others stay on disk beside it.

#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

struct TDraft {
    QString Text; // the editor's text, CR LF between lines
    int Caret = 0;
    std::vector<QStringList> History; // oldest first
    int HistoryIndex = 0;
};

class TDraftStore {
public:
    // At most this many history entries are kept, the newest.
    static constexpr std::size_t MaxHistory = 500;

    // The state folder: $XDG_STATE_HOME/korvana, or ~/.local/state/korvana.
    static QString DefaultFolder();

    struct TOpened {
        TDraft Draft;  // empty when there was nothing to restore
        QString Error; // a damaged draft that was set aside (as .bad), said once; empty otherwise
    };
    // Takes a draft file of `folder` for this copy and reads what it holds.
    explicit TDraftStore(QString folder = DefaultFolder());
    ~TDraftStore();
    TDraftStore(const TDraftStore&) = delete;
    TDraftStore& operator=(const TDraftStore&) = delete;

    TOpened Open();
    // Writes `draft` to this copy's file, atomically; an error text when it could not.
    QString Save(const TDraft& draft);
    // The file this copy writes, for tests.
    QString FileName() const { return FFile; }

private:
    bool Take(const QString& file);

    QString FFolder;
    QString FFile;
    std::unique_ptr<QLockFile> FLock;
};
