#pragma once
// The small set of modal dialogs the workbench asks the user through: message boxes, the input
// box and the file dialogs. Windows reach them only through TDialogs, so widget tests can answer
// them with TScriptedDialogs instead of a human.

#include <QObject>
#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

enum class TMsgKind { Information, Warning, Error, Confirmation };
enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgResult { Ok, Cancel, Yes, No };

// A file dialog of a window (dlgOpen, dlgSave): its options and the file name chosen last, which
// is offered again the next time it runs.
class TFileDialog : public QObject {
    Q_OBJECT

public:
    enum TKind { Open, Save };

    TFileDialog(TKind kind, const QString& name, QObject* parent = nullptr);

    TKind Kind() const { return FKind; }
    QString FileName;
    bool HideReadOnly = true;
    bool PathMustExist = false;
    bool FileMustExist = false;
    bool OverwritePrompt = false;
    bool CreatePrompt = false;

private:
    TKind FKind;
};

class TDialogs {
public:
    virtual ~TDialogs();

    // `defaultButton`: the button Enter presses; nullopt for the first of `buttons`.
    virtual TMsgResult MessageBox(QWidget* parent, const QString& title, const QString& text, TMsgKind kind,
                                  TMsgButtons buttons,
                                  std::optional<TMsgResult> defaultButton = std::nullopt) = 0;
    // The input box: true and `value` changed on OK; false and `value` untouched on Cancel.
    virtual bool InputQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) = 0;
    // The input box for a secret (a passphrase, a password): what is typed is not shown. By default
    // the input box, for implementations that show nothing anyway.
    virtual bool PasswordQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value);
    // Lets the user pick a file in `dialog`, offering its FileName; nullopt when cancelled.
    virtual std::optional<QString> ChooseFile(QWidget* parent, const TFileDialog& dialog) = 0;

    // Runs `dialog` with the questions its options ask for (a missing file or folder, replacing
    // an existing file, creating a new one); on acceptance its FileName holds the chosen file.
    bool Execute(QWidget* parent, TFileDialog& dialog);

    // A confirmation of something that cannot be undone: title "Confirm", Yes and No, No the
    // default so that Enter keeps what is there; true for Yes.
    bool Confirm(QWidget* parent, const QString& text);
    // An input error: title "Error", one OK button.
    void ErrorBox(QWidget* parent, const QString& text);
    // A failure of the platform (settings store, files): the application's title, one OK button.
    void ShowFailure(QWidget* parent, const QString& text);
};

// The real dialogs: QMessageBox, QInputDialog, QFileDialog.
class TQtDialogs : public TDialogs {
public:
    TMsgResult MessageBox(QWidget* parent, const QString& title, const QString& text, TMsgKind kind,
                          TMsgButtons buttons,
                          std::optional<TMsgResult> defaultButton = std::nullopt) override;
    bool InputQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) override;
    bool PasswordQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) override;
    std::optional<QString> ChooseFile(QWidget* parent, const TFileDialog& dialog) override;
};

// Answers from a script, for tests: each question takes the next queued answer of its sort and
// is recorded. A question without a queued answer is recorded as unexpected and answered
// negatively (Cancel / No / OK for a lone OK button), so a test can tell and nothing blocks.
class TScriptedDialogs : public TDialogs {
public:
    struct TQuestion {
        enum TSort { Message, Input, File } Sort;
        QString Title; // message and input boxes; the dialog's object name for files
        QString Text;  // the message, or the input prompt
        TMsgKind Kind = TMsgKind::Information;
        TMsgButtons Buttons = TMsgButtons::Ok;
        std::optional<TMsgResult> DefaultButton; // as asked for; nullopt: the first button
        QString Offered;                         // input default or file name offered
        bool Unexpected = false;
        bool Secret = false; // an input box that does not show what is typed
    };

    void Answer(TMsgResult result) { FMessages.push_back(result); }
    // nullopt: the box is cancelled.
    void AnswerInput(std::optional<QString> text) { FInputs.push_back(std::move(text)); }
    void AnswerFile(std::optional<QString> fileName) { FFiles.push_back(std::move(fileName)); }

    const std::vector<TQuestion>& Questions() const { return FQuestions; }
    int UnexpectedCount() const;
    bool AllAnswersUsed() const { return FMessages.empty() && FInputs.empty() && FFiles.empty(); }
    void ClearQuestions() { FQuestions.clear(); }

    TMsgResult MessageBox(QWidget* parent, const QString& title, const QString& text, TMsgKind kind,
                          TMsgButtons buttons,
                          std::optional<TMsgResult> defaultButton = std::nullopt) override;
    bool InputQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) override;
    // Recorded as an input question marked Secret.
    bool PasswordQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) override;
    std::optional<QString> ChooseFile(QWidget* parent, const TFileDialog& dialog) override;

private:
    std::deque<TMsgResult> FMessages;
    std::deque<std::optional<QString>> FInputs;
    std::deque<std::optional<QString>> FFiles;
    std::vector<TQuestion> FQuestions;
};
