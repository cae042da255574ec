#pragma once
// What ssh asks while a tunnel opens (a key's passphrase, a password), put to the user in the
// input box for secrets, over the window that waits.

#include "server/SshAsk.h"

#include <QString>

class QWidget;
class TDialogs;

class TSshPrompt : public TSshAsker {
public:
    TSshPrompt(TDialogs& dialogs, QWidget* parent) : FDialogs(dialogs), FParent(parent) {}
    std::optional<std::string> Ask(const std::string& prompt) override;

    // The askpass helper beside the program (bin/../libexec/korvana/korvana-askpass); empty when it
    // is not there.
    static std::string AskpassProgram();

private:
    TDialogs& FDialogs;
    QWidget* FParent;
};
