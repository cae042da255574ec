#include "workbench/dialogs/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

TFileDialog::TFileDialog(TKind kind, const QString& name, QObject* parent) : QObject(parent), FKind(kind) {
    setObjectName(name);
}

TDialogs::~TDialogs() = default;

bool TDialogs::Confirm(QWidget* parent, const QString& text) {
    return MessageBox(parent, QStringLiteral("Confirm"), text, TMsgKind::Confirmation, TMsgButtons::YesNo,
                      TMsgResult::No) == TMsgResult::Yes;
}

void TDialogs::ErrorBox(QWidget* parent, const QString& text) {
    MessageBox(parent, QStringLiteral("Error"), text, TMsgKind::Error, TMsgButtons::Ok);
}

void TDialogs::ShowFailure(QWidget* parent, const QString& text) {
    QString title = QApplication::applicationDisplayName();
    if (title.isEmpty()) title = QStringLiteral("Korvana");
    MessageBox(parent, title, text, TMsgKind::Error, TMsgButtons::Ok);
}

bool TDialogs::Execute(QWidget* parent, TFileDialog& dialog) {
    const bool save = dialog.Kind() == TFileDialog::Save;
    const QString title = save ? QStringLiteral("Save As") : QStringLiteral("Open");
    for (;;) {
        const std::optional<QString> chosen = ChooseFile(parent, dialog);
        if (!chosen || chosen->isEmpty()) return false;
        const QString& name = *chosen;
        const QFileInfo info(name);
        if (dialog.PathMustExist && !info.absoluteDir().exists()) {
            MessageBox(parent, title,
                       name + QStringLiteral("\nPath does not exist.\nCheck the path and try again."),
                       TMsgKind::Warning, TMsgButtons::Ok);
            continue;
        }
        if (dialog.FileMustExist && !info.exists()) {
            MessageBox(parent, title,
                       name + QStringLiteral("\nFile not found.\nCheck the file name and try again."),
                       TMsgKind::Warning, TMsgButtons::Ok);
            continue;
        }
        if (save && dialog.OverwritePrompt && info.exists() &&
            MessageBox(parent, QStringLiteral("Confirm Save As"),
                       name + QStringLiteral(" already exists.\nDo you want to replace it?"),
                       TMsgKind::Warning, TMsgButtons::YesNo) != TMsgResult::Yes)
            continue;
        if (save && dialog.CreatePrompt && !info.exists() &&
            MessageBox(parent, title,
                       name + QStringLiteral("\nThis file does not exist.\nDo you want to create it?"),
                       TMsgKind::Confirmation, TMsgButtons::YesNo) != TMsgResult::Yes)
            continue;
        dialog.FileName = name;
        return true;
    }
}

// ---- real dialogs ----

TMsgResult TQtDialogs::MessageBox(QWidget* parent, const QString& title, const QString& text, TMsgKind kind,
                                  TMsgButtons buttons, std::optional<TMsgResult> defaultButton) {
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case TMsgKind::Information:
        icon = QMessageBox::Information;
        break;
    case TMsgKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case TMsgKind::Error:
        icon = QMessageBox::Critical;
        break;
    case TMsgKind::Confirmation:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton def = QMessageBox::Ok;
    switch (buttons) {
    case TMsgButtons::Ok:
        break;
    case TMsgButtons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case TMsgButtons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        def = QMessageBox::Yes;
        break;
    case TMsgButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        def = QMessageBox::Yes;
        break;
    }
    if (defaultButton) {
        switch (*defaultButton) {
        case TMsgResult::Ok:
            def = QMessageBox::Ok;
            break;
        case TMsgResult::Cancel:
            def = QMessageBox::Cancel;
            break;
        case TMsgResult::Yes:
            def = QMessageBox::Yes;
            break;
        case TMsgResult::No:
            def = QMessageBox::No;
            break;
        }
    }
    QMessageBox box(icon, title, text, set, parent);
    box.setDefaultButton(def);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return TMsgResult::Ok;
    case QMessageBox::Yes:
        return TMsgResult::Yes;
    case QMessageBox::No:
        return TMsgResult::No;
    default:
        // The close box answers like the negative button.
        return buttons == TMsgButtons::YesNo ? TMsgResult::No
               : buttons == TMsgButtons::Ok  ? TMsgResult::Ok
                                             : TMsgResult::Cancel;
    }
}

bool TDialogs::PasswordQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) {
    return InputQuery(parent, title, prompt, value);
}

bool TQtDialogs::InputQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, value, &ok);
    if (ok) value = text;
    return ok;
}

bool TQtDialogs::PasswordQuery(QWidget* parent, const QString& title, const QString& prompt, QString& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Password, value, &ok);
    if (ok) value = text;
    return ok;
}

std::optional<QString> TQtDialogs::ChooseFile(QWidget* parent, const TFileDialog& dialog) {
    const bool save = dialog.Kind() == TFileDialog::Save;
    QFileDialog dlg(parent);
    dlg.setObjectName(dialog.objectName());
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The existence questions are asked by TDialogs::Execute, the same for every implementation.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!dialog.FileName.isEmpty()) dlg.selectFile(dialog.FileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return dlg.selectedFiles().front();
}

// ---- scripted answers ----

namespace {

// Takes the next scripted answer into `answer`; once the script has run out, `answer` keeps its
// value and the question is marked unexpected.
template <class T> void NextAnswer(std::deque<T>& answers, TScriptedDialogs::TQuestion& q, T& answer) {
    if (answers.empty()) {
        q.Unexpected = true;
        return;
    }
    answer = std::move(answers.front());
    answers.pop_front();
}

} // namespace

int TScriptedDialogs::UnexpectedCount() const {
    int n = 0;
    for (const TQuestion& q : FQuestions)
        n += q.Unexpected ? 1 : 0;
    return n;
}

TMsgResult TScriptedDialogs::MessageBox(QWidget*, const QString& title, const QString& text, TMsgKind kind,
                                        TMsgButtons buttons, std::optional<TMsgResult> defaultButton) {
    TQuestion q{TQuestion::Message, title, text, kind, buttons, defaultButton, {}, false};
    // An unexpected box is answered as its close box would be.
    TMsgResult result = buttons == TMsgButtons::Ok      ? TMsgResult::Ok
                        : buttons == TMsgButtons::YesNo ? TMsgResult::No
                                                        : TMsgResult::Cancel;
    NextAnswer(FMessages, q, result);
    FQuestions.push_back(q);
    return result;
}

bool TScriptedDialogs::InputQuery(QWidget*, const QString& title, const QString& prompt, QString& value) {
    TQuestion q{TQuestion::Input,      title, prompt, TMsgKind::Information,
                TMsgButtons::OkCancel, {},    value,  false};
    std::optional<QString> answer;
    NextAnswer(FInputs, q, answer);
    FQuestions.push_back(q);
    if (!answer) return false;
    value = *answer;
    return true;
}

bool TScriptedDialogs::PasswordQuery(QWidget* parent, const QString& title, const QString& prompt,
                                     QString& value) {
    const bool ok = InputQuery(parent, title, prompt, value);
    FQuestions.back().Secret = true;
    return ok;
}

std::optional<QString> TScriptedDialogs::ChooseFile(QWidget*, const TFileDialog& dialog) {
    TQuestion q{TQuestion::File,
                dialog.objectName(),
                {},
                TMsgKind::Information,
                TMsgButtons::OkCancel,
                {},
                dialog.FileName,
                false};
    std::optional<QString> answer;
    NextAnswer(FFiles, q, answer);
    FQuestions.push_back(q);
    return answer;
}
