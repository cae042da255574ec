#include "workbench/dialogs/SshPrompt.h"

#include "sql/QtText.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/waiting/ServerWaitGuard.h"

#include <QCoreApplication>
#include <QFileInfo>

std::optional<std::string> TSshPrompt::Ask(const std::string& prompt) {
    // The connect waits meanwhile; the question must be answerable.
    const TServerWaitGuard::TQuestion asking;
    QString answer;
    if (!FDialogs.PasswordQuery(FParent, QStringLiteral("SSH tunnel"), QtText(prompt).trimmed(), answer))
        return std::nullopt;
    std::string bytes = ServerText(answer);
    // The typed text should not linger in the dialog's string.
    answer.fill(QChar(u' '));
    return bytes;
}

std::string TSshPrompt::AskpassProgram() {
    // The same place in the build tree and in an installed one (packaging installs it there).
    const QFileInfo helper(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../libexec/korvana/korvana-askpass"));
    return helper.isFile() && helper.isExecutable() ? helper.canonicalFilePath().toStdString()
                                                    : std::string();
}
