#pragma once
// For the length of a command that waits on the server: the waits run the event loop, so the
// windows paint; the user's keys and clicks are neither acted on nor kept for later; Esc stops the
// wait; closing a window stops it and closes the window once the command is over. One guard per
// command, made before its first server call; guards may nest.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

class TEventLoopWaiter;

class TServerWaitGuard : public QObject {
public:
    TServerWaitGuard();
    ~TServerWaitGuard() override;
    TServerWaitGuard(const TServerWaitGuard&) = delete;
    TServerWaitGuard& operator=(const TServerWaitGuard&) = delete;

    // The user's input to `window` goes on as usual (Esc still asks to stop): a progress window's
    // Cancel button stays usable while everything else waits.
    void LetThrough(QWidget* window) { FThrough = window; }

    // While one lives, the command asks the user something in a dialog of its own (an SSH
    // passphrase): input reaches every window as usual and Esc answers the dialog, not the wait.
    class TQuestion {
    public:
        TQuestion();
        ~TQuestion();
        TQuestion(const TQuestion&) = delete;
        TQuestion& operator=(const TQuestion&) = delete;
    };

    // The waiter the guards install, for tests and benchmarks that stop a wait themselves.
    static TEventLoopWaiter& Waiter();
    // True while a guard is in place.
    static bool Active();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool LetsThrough(QObject* watched) const;

    bool FOutermost;
    QPointer<QWidget> FThrough;
    std::vector<QPointer<QWidget>> FCloseAfter;
};
