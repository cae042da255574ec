#pragma once
// The SQL editor control: a multi-line plain-text edit with the text, lines, selection, caret and
// clipboard operations the workbench uses. Positions and lengths count a line break as two
// characters (CR LF), the way the rest of the program counts text; the colour pass is added on
// top of this class.

#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

class TColorMemo : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TColorMemo(QWidget* parent = nullptr);
    ~TColorMemo() override;

    // The whole text with CR LF between lines and no line break added after the last line.
    QString Text() const;
    // Replaces the whole text; lone CR and lone LF count as line breaks too.
    void SetText(const QString& text);

    QStringList Lines() const;
    void SetLines(const QStringList& lines);

    int SelStart() const;
    int SelLength() const;
    // Moves the caret to `pos` and drops the selection; a position inside a CR LF pair means the
    // end of that line.
    void SetSelStart(int pos);
    // Selects `length` characters from the current start.
    void SetSelLength(int length);
    QString SelText() const;
    // Replaces the selection, or inserts at the caret when nothing is selected.
    void SetSelText(const QString& text);

    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();

    // Conversions between positions of the text above (CR LF = 2) and of the document (break = 1).
    int ToTextPos(int docPos) const;
    int ToDocPos(int textPos) const;

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateTabStops();
};
