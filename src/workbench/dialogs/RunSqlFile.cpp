#include "workbench/dialogs/RunSqlFile.h"

#include "workbench/dialogs/FixedDialog.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

template <class T> T* Named(T* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* label = Named(new QLabel(parent), name, geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The bar counts in thousandths, so a file of any size fits its int range.
constexpr int BarSteps = 1000;

} // namespace

QString ByteSizeText(qint64 bytes) {
    if (bytes < 1024) return QStringLiteral("%1 bytes").arg(bytes);
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString DurationText(qint64 ms) {
    const qint64 seconds = ms / 1000;
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

TfrmRunSqlFile::TfrmRunSqlFile(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmRunSqlFile"));
    setWindowTitle(QStringLiteral("Run SQL file"));
    MakeFixedDialog(*this, DesignClientWidth, DesignClientHeight);

    lblRunFile = AddLabel(this, "lblRunFile", {8, 8, 364, 16});
    prgRunBytes = Named(new QProgressBar(this), "prgRunBytes", {8, 30, 364, 18});
    prgRunBytes->setRange(0, BarSteps);
    prgRunBytes->setTextVisible(false);
    lblRunBytes = AddLabel(this, "lblRunBytes", {8, 54, 364, 16});
    lblRunStatements = AddLabel(this, "lblRunStatements", {8, 74, 364, 16});
    lblRunElapsed = AddLabel(this, "lblRunElapsed", {8, 94, 180, 16});
    lblRunLeft = AddLabel(this, "lblRunLeft", {192, 94, 180, 16});
    btnRunCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "btnRunCancel", {297, 127, 75, 25});
    btnRunCancel->setDefault(true);
    connect(btnRunCancel, &QPushButton::clicked, this, &TfrmRunSqlFile::CancelRequested);
}

void TfrmRunSqlFile::Start(const QString& fileName, qint64 totalBytes) {
    FTotal = totalBytes;
    lblRunFile->setText(QDir::toNativeSeparators(fileName));
    lblRunFile->setToolTip(lblRunFile->text());
    ShowCheck(0, 0);
}

void TfrmRunSqlFile::ShowBar(qint64 bytes, qint64 elapsedMs) {
    const double share = FTotal > 0 ? double(bytes) / double(FTotal) : 0;
    prgRunBytes->setValue(static_cast<int>(share * BarSteps));
    lblRunElapsed->setText(QStringLiteral("Elapsed: %1").arg(DurationText(elapsedMs)));
}

void TfrmRunSqlFile::ShowCheck(qint64 bytesChecked, qint64 elapsedMs) {
    ShowBar(bytesChecked, elapsedMs);
    lblRunBytes->setText(
        QStringLiteral("%1 of %2 checked").arg(ByteSizeText(bytesChecked), ByteSizeText(FTotal)));
    lblRunStatements->setText(QStringLiteral("Checking the file before anything is sent"));
    lblRunLeft->setText(QStringLiteral("Left: -"));
}

void TfrmRunSqlFile::ShowProgress(qint64 bytesDone, std::size_t statements, qint64 elapsedMs) {
    ShowBar(bytesDone, elapsedMs);
    lblRunBytes->setText(QStringLiteral("%1 of %2 done").arg(ByteSizeText(bytesDone), ByteSizeText(FTotal)));
    lblRunStatements->setText(QStringLiteral("Statements run: %1").arg(statements));
    // Only once there is something to go by.
    if (bytesDone > 0 && elapsedMs >= 1000 && bytesDone < FTotal) {
        const double left = double(elapsedMs) * double(FTotal - bytesDone) / double(bytesDone);
        lblRunLeft->setText(QStringLiteral("Left: about %1").arg(DurationText(static_cast<qint64>(left))));
    } else {
        lblRunLeft->setText(QStringLiteral("Left: -"));
    }
}

void TfrmRunSqlFile::reject() {
    emit CancelRequested();
}
