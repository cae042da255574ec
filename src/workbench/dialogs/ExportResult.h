#pragma once
// The export-options dialog: the format (delimiter-separated text or INSERT statements), the
// header line and separator, the table name. It only answers OK or Cancel; one instance lives for
// the whole run, so the choices made in it stay for the next export.

#include "sql/ExportWriter.h"

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfrmExportResult : public QDialog {
    Q_OBJECT

public:
    explicit TfrmExportResult(QWidget* parent = nullptr);

    // The choices as they stand now.
    TExportOptions Options() const;

    static constexpr int DesignClientWidth = 261;
    static constexpr int DesignClientHeight = 219;

    QRadioButton* rdbComma;
    QFrame* pnlComma;
    QCheckBox* chkHeader;
    QLabel* lblComma;
    QLineEdit* txtComma;
    QRadioButton* rdbSQL;
    QFrame* pnlSQL;
    QLabel* lblTablename;
    QLineEdit* txtTablename;
    QPushButton* btnOk;
    QPushButton* btnCancel;
};
