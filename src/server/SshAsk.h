#pragma once
// Asking the user for what ssh wants to know while a tunnel opens: a key's passphrase, a password,
// a one-time code. ssh runs the askpass helper (korvana-askpass), which hands the prompt over a
// private socket to the program, whose asker shows it. Without an asker or a helper, ssh runs in
// batch mode and asks nothing: a key that needs a passphrase then fails with ssh's message.
//
// Questions about an unknown host key are never put to the asker: they are refused, so the key
// is refused with ssh's own message as in batch mode.

#include <optional>
#include <string>

class TSshAsker {
public:
    virtual ~TSshAsker() = default;
    // The answer to ssh's `prompt` ("Enter passphrase for key '/home/ann/.ssh/id_ed25519': "), or
    // nullopt when the user declines.
    virtual std::optional<std::string> Ask(const std::string& prompt) = 0;
};

// Who answers ssh's questions from now on (null: nobody); not taken over.
void SetSshAsker(TSshAsker* asker);
// The helper program ssh runs to ask (empty: none). Asking needs both.
void SetSshAskpassProgram(std::string path);
