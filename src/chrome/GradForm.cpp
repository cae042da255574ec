#include "GradForm.h"

TGradientForm::TGradientForm(QWidget* parent) : QMainWindow(parent) {}

TGradientForm::~TGradientForm() = default;

void TGradientForm::SetCaption(const QString& value) {
    if (value == FCaption) return;
    FCaption = value;
    setWindowTitle(FCaption);
}
