#pragma once
// A drop-down list that reports the opening of its list before it shows, so the list can be
// rebuilt just in time.

#include <QComboBox>

class TDropDownCombo : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void DropDown();
};
