#pragma once
// The progress window of Run SQL file: the file, how many of its bytes are done of the total, the
// statements run, the time gone and an estimate of the time left, and a Cancel button. It is
// shown, not modal, while the run waits on the server; Cancel, Esc and the close box all ask the
// run to stop.

#include <QDialog>

#include <cstddef>

class QLabel;
class QProgressBar;
class QPushButton;

class TfrmRunSqlFile : public QDialog {
    Q_OBJECT

public:
    explicit TfrmRunSqlFile(QWidget* parent = nullptr);

    // A run of `fileName`, `totalBytes` long, begins: everything shows zero.
    void Start(const QString& fileName, qint64 totalBytes);
    // How far the look at the whole file, before anything is sent, is.
    void ShowCheck(qint64 bytesChecked, qint64 elapsedMs);
    // How far the run is.
    void ShowProgress(qint64 bytesDone, std::size_t statements, qint64 elapsedMs);
    // Esc: asks to stop instead of closing; the run hides the window when it is over.
    void reject() override;

    static constexpr int DesignClientWidth = 380;
    static constexpr int DesignClientHeight = 160;

    QLabel* lblRunFile;
    QProgressBar* prgRunBytes;
    QLabel* lblRunBytes;
    QLabel* lblRunStatements;
    QLabel* lblRunElapsed;
    QLabel* lblRunLeft;
    QPushButton* btnRunCancel;

signals:
    // Cancel was pressed (or Esc, or the close box).
    void CancelRequested();

private:
    void ShowBar(qint64 bytes, qint64 elapsedMs);

    qint64 FTotal = 0;
};

// "5 bytes", "12.3 KB", "4.5 MB", "1.2 GB" (units of 1,024).
QString ByteSizeText(qint64 bytes);
// "0:07", "12:34", "1:02:03".
QString DurationText(qint64 ms);
