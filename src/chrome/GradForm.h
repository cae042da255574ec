#pragma once
// Base of the main window. It holds the caption text itself and shows it as the window title;
// the gradient caption bar is painted by a later version of this class, so windows deriving from
// it set their title only through Caption.

#include <QMainWindow>
#include <QString>

class TGradientForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TGradientForm(QWidget* parent = nullptr);
    ~TGradientForm() override;

    const QString& Caption() const { return FCaption; }
    // Ignores a value equal to the current one.
    void SetCaption(const QString& value);

private:
    QString FCaption;
};
