#include "workbench/controllers/RunSqlFileController.h"

#include "server/MySql.h"
#include "sql/QtText.h"
#include "sql/ScriptReader.h"
#include "workbench/controllers/HostController.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/dialogs/RunSqlFile.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/waiting/EventLoopWaiter.h"
#include "workbench/waiting/ServerWaitGuard.h"
#include "workbench/window/AppWindows.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <charconv>
#include <memory>

namespace {

// How often the progress window is brought up to date.
constexpr int ProgressIntervalMs = 100;

QString Statements(std::size_t n) {
    return QStringLiteral("%1 statement(s)").arg(n);
}

} // namespace

void TRunSqlFileController::mnuRunSqlFileClick() {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode || !hostNode->Host()) return;
    if (!FWindow.Dialogs().Execute(&FWindow, *FUi.dlgOpen)) return;
    const QString path = FUi.dlgOpen->FileName;
    const QString name = QFileInfo(path).fileName();
    TScriptReader reader(std::make_unique<QFile>(path));
    TfrmRunSqlFile& progress = *FWindow.Windows().frmRunSqlFile;
    FRan = 0;
    FChanges = {};
    FClock.start();
    QString outcome;
    {
        TServerWaitGuard waiting;
        waiting.LetThrough(&progress);
        TEventLoopWaiter& waiter = TServerWaitGuard::Waiter();
        const QMetaObject::Connection cancel = QObject::connect(
            &progress, &TfrmRunSqlFile::CancelRequested, &progress, [&waiter] { waiter.RequestStop(); });
        // Between the waits on the server (a long stretch of the file read and cut) the windows
        // still paint and Cancel still works; the ticks come during the waits too.
        reader.SetProgress([&waiter] {
            QCoreApplication::processEvents();
            return !waiter.StopAsked();
        });
        QTimer ticks;
        ticks.setInterval(ProgressIntervalMs);
        QObject::connect(&ticks, &QTimer::timeout, &progress, [this, &reader] { ShowProgress(reader); });
        ticks.start();
        progress.Start(path, QFileInfo(path).size());
        progress.show();
        progress.raise();
        progress.activateWindow();
        FWindow.SetStatusText(QStringLiteral("Running ") + name, true);

        outcome = Run(reader, hostNode, name);

        QObject::disconnect(cancel);
        reader.SetProgress({});
        progress.hide();
    }
    FWindow.activateWindow();
    FWindow.ForgetLostConnection(hostNode);
    FWindow.Hosts().AfterRun(hostNode, FChanges);
    FWindow.SetStatusText(outcome);
    // As Load SQL reports a file it cannot take.
    if (reader.Error() == TScriptReader::CannotOpen || reader.Error() == TScriptReader::NotText)
        FWindow.Dialogs().ShowFailure(&FWindow, outcome);
}

void TRunSqlFileController::ShowProgress(const TScriptReader& reader) {
    TfrmRunSqlFile& progress = *FWindow.Windows().frmRunSqlFile;
    if (FChecking)
        progress.ShowCheck(reader.BytesRead(), FClock.elapsed());
    else
        progress.ShowProgress(reader.BytesRead(), FRan, FClock.elapsed());
}

QString TRunSqlFileController::Run(TScriptReader& reader, TTreeNode* hostNode, const QString& name) {
    TEventLoopWaiter& waiter = TServerWaitGuard::Waiter();
    FChecking = true;
    const bool checked = reader.Check();
    FChecking = false;
    if (!checked) {
        const QString path = QDir::toNativeSeparators(FUi.dlgOpen->FileName);
        switch (reader.Error()) {
        case TScriptReader::CannotOpen:
            return QStringLiteral("Cannot open file ") + path;
        case TScriptReader::NotText:
            return QStringLiteral("Cannot run file ") + path +
                   QStringLiteral(": it holds NUL bytes and is not a text file");
        case TScriptReader::Stopped:
            return QStringLiteral("Stopped by the user; nothing of %1 was sent").arg(name);
        default:
            return QStringLiteral("Error: cannot read %1; nothing was sent").arg(name);
        }
    }

    // The server cuts off a statement longer than its max_allowed_packet and drops the connection:
    // such a statement is refused before anything of it is sent.
    const TResult& limit = *hostNode->Host()->Execute("SELECT @@max_allowed_packet");
    std::size_t maxPacket = 0;
    if (limit.Rows.Count() == 1) {
        const std::string_view value = limit.Rows.Items(0).Values(0);
        std::from_chars(value.data(), value.data() + value.size(), maxPacket);
    }
    if (maxPacket == 0)
        return QStringLiteral("Error: ") + QtText(limit.ErrorText()) + QStringLiteral("; nothing was sent");
    // The packet holds the statement behind a command byte and must stay below the limit: a
    // statement of max_allowed_packet - 1 bytes is refused already.
    reader.SetLimit(maxPacket > 2 ? maxPacket - 2 : 0);

    const QString ranBefore = QStringLiteral("; %1 run before it");
    while (!waiter.StopAsked() && reader.Next()) {
        const TResult& result = *hostNode->Host()->Execute(reader.Statement());
        if (!ShowResultOutcome(result, false).Success) {
            const QString where = QStringLiteral("statement %1 (line %2 of %3)")
                                      .arg(reader.Number())
                                      .arg(reader.Line())
                                      .arg(name);
            if (waiter.StopAsked())
                return QStringLiteral("Stopped by the user at ") + where + ranBefore.arg(Statements(FRan));
            return QStringLiteral("Error: ") + QtText(result.ErrorText()) + QStringLiteral(" in ") + where +
                   ranBefore.arg(Statements(FRan));
        }
        ++FRan;
        FChanges.Add(reader.Statement(), *hostNode->Host());
    }
    const QString unsent =
        QStringLiteral(": statement %1 (line %2) was not sent").arg(reader.Number()).arg(reader.Line()) +
        ranBefore.arg(Statements(FRan));
    switch (reader.Error()) {
    case TScriptReader::None:
        if (waiter.StopAsked())
            return QStringLiteral("Stopped by the user after %1 of %2").arg(Statements(FRan), name);
        // One arg() for all, so a file name holding "%3" stays as it is.
        return QStringLiteral("%1 of %2 run in %3 milliseconds.")
            .arg(Statements(FRan), name, QString::number(FClock.elapsed()));
    case TScriptReader::Stopped:
        return QStringLiteral("Stopped by the user after %1 of %2").arg(Statements(FRan), name);
    case TScriptReader::BadDelimiter:
        return QStringLiteral("Error: line %1 of %2: %3")
                   .arg(reader.Line())
                   .arg(name, QtText(reader.ErrorText())) +
               ranBefore.arg(Statements(FRan));
    case TScriptReader::EndsInQuote:
        return QStringLiteral("Error: %1 ends inside a quoted text").arg(name) + unsent;
    case TScriptReader::EndsInBody:
        return QStringLiteral("Error: %1 ends before the delimiter %2")
                   .arg(name, QtText(reader.Delimiter())) +
               unsent;
    case TScriptReader::TooLong:
        return QStringLiteral(
                   "Error: a statement of %1 is longer than the server's max_allowed_packet of %2 bytes")
                   .arg(name, QString::number(maxPacket)) +
               unsent;
    case TScriptReader::Changed:
        return QStringLiteral("Error: %1 changed while it ran").arg(name) + unsent;
    default:
        return QStringLiteral("Error: %1 could not be read to its end").arg(name) + unsent;
    }
}
