#pragma once
// The about box: program icon, product name, the main window's version text and the notice, in
// a bevelled panel above an OK button. Fixed size, centred on the screen, shown modally.

#include <QDialog>

class QLabel;
class QPushButton;
class TfrmMain;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // Made after `mainForm`, whose version text it shows.
    explicit TAboutBox(const TfrmMain& mainForm, QWidget* parent = nullptr);

    static constexpr int ClientWidth = 298;
    static constexpr int ClientHeight = 213;

    QWidget* Panel1;
    QWidget* ProgramIcon;
    QLabel* ProductName;
    QLabel* VersionCaption;
    QLabel* Version;
    QLabel* Copyright;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const TfrmMain& mainForm);
};
