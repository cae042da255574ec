#include "workbench/dialogs/ExportResult.h"

#include "workbench/dialogs/FixedDialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

template <class T> T* Named(T* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QFrame* BevelledPanel(const char* name, const QRect& geometry, QWidget* parent) {
    auto* panel = Named(new QFrame(parent), name, geometry);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    return panel;
}

} // namespace

TfrmExportResult::TfrmExportResult(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmExportResult"));
    setWindowTitle(QStringLiteral("Export result"));
    MakeFixedDialog(*this, DesignClientWidth, DesignClientHeight);

    rdbComma =
        Named(new QRadioButton(QStringLiteral("Comma-seperated file"), this), "rdbComma", {8, 8, 245, 17});
    rdbComma->setChecked(true);
    pnlComma = BevelledPanel("pnlComma", {8, 28, 245, 65}, this);
    chkHeader = Named(new QCheckBox(QStringLiteral("Include table header (field names)"), pnlComma),
                      "chkHeader", {8, 8, 229, 17});
    chkHeader->setChecked(true);
    lblComma = Named(new QLabel(QStringLiteral("Field seperator:"), pnlComma), "lblComma", {8, 38, 90, 13});
    txtComma = Named(new QLineEdit(QStringLiteral(";"), pnlComma), "txtComma", {104, 34, 25, 21});
    txtComma->setMaxLength(1);
    lblComma->setBuddy(txtComma);

    rdbSQL =
        Named(new QRadioButton(QStringLiteral("SQL Insert statements"), this), "rdbSQL", {8, 101, 245, 17});
    pnlSQL = BevelledPanel("pnlSQL", {8, 121, 245, 57}, this);
    lblTablename = Named(new QLabel(QStringLiteral("Tablename to insert into:"), pnlSQL), "lblTablename",
                         {8, 6, 229, 13});
    txtTablename = Named(new QLineEdit(pnlSQL), "txtTablename", {8, 24, 229, 21});
    lblTablename->setBuddy(txtTablename);

    btnOk = Named(new QPushButton(QStringLiteral("&Ok"), this), "btnOk", {97, 186, 75, 25});
    btnOk->setDefault(true);
    btnCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel", {178, 186, 75, 25});
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The option buttons and the two buttons first, then the panels' controls.
    setTabOrder(rdbComma, rdbSQL);
    setTabOrder(rdbSQL, btnOk);
    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, chkHeader);
    setTabOrder(chkHeader, txtComma);
    setTabOrder(txtComma, txtTablename);
}

TExportOptions TfrmExportResult::Options() const {
    TExportOptions options;
    options.Format = rdbSQL->isChecked() ? TExportOptions::SqlInsert : TExportOptions::Delimited;
    options.Header = chkHeader->isChecked();
    options.Separator = txtComma->text().toStdString();
    options.TableName = txtTablename->text().toStdString();
    return options;
}
