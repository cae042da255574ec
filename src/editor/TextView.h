#pragma once
// A plain-text editing view over a QTextDocument that never lays out more than it shows. The
// document is the buffer, the caret, the selection and the undo history; the view draws one line
// per block without wrapping and shapes only the segments of a line that are in view, so typing in
// a 10 MB line or a 100,000-line script costs what it costs in a short script. It offers the
// members of a plain text edit that the editor uses.

#include "editor/internal/LineMetrics.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>

class QMenu;
class QMimeData;
class QTextDocument;

class TTextView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TTextView(QWidget* parent = nullptr);
    ~TTextView() override;

    QTextDocument* document() const { return FDoc; }
    QTextCursor textCursor() const { return FCursor; }
    void setTextCursor(const QTextCursor& cursor);
    void moveCursor(QTextCursor::MoveOperation operation,
                    QTextCursor::MoveMode mode = QTextCursor::MoveAnchor);

    QString toPlainText() const;
    // Replaces the text and forgets the undo history; the caret goes to the start.
    void setPlainText(const QString& text);

    bool isReadOnly() const { return FReadOnly; }
    void setReadOnly(bool value);
    bool tabChangesFocus() const { return FTabChangesFocus; }
    void setTabChangesFocus(bool value) { FTabChangesFocus = value; }
    // Enter starts the new line with the blanks the caret's line starts with.
    bool keepsIndent() const { return FKeepIndent; }
    void setKeepIndent(bool value) { FKeepIndent = value; }
    qreal tabStopDistance() const { return FTabStop; }
    void setTabStopDistance(qreal distance);

    // Viewport coordinates of the caret (or of a cursor's position): one pixel wide, a line high.
    QRect cursorRect() const { return cursorRect(FCursor); }
    QRect cursorRect(const QTextCursor& cursor) const;
    QTextCursor cursorForPosition(QPoint point) const;
    void ensureCursorVisible();

    QMenu* createStandardContextMenu();

    // Runs a change of the cursor (a move, a selection, an edit) inside an edit block: outside one
    // the document would work out the caret's x on its own layout of the whole line, on every
    // call. With `joinPrevious` the change joins the last step of the undo history.
    static void Quietly(QTextCursor& cursor, const std::function<void()>& change, bool joinPrevious = false);
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // ---- geometry, in viewport coordinates ----

    int LineHeight() const { return FLineHeight; }
    int FirstLine() const;
    QTextBlock firstVisibleBlock() const;
    int LineTop(int line) const;
    // The distance from a line's top to its baseline.
    int LineAscent() const { return FAscent; }
    // Where the text of every line starts (scrolled sideways).
    qreal TextLeft() const;
    qreal XOf(const QTextBlock& block, int column) const;
    // The column whose gap is nearest x, or with `onCharacter` the character under x.
    int ColumnAt(const QTextBlock& block, qreal x, bool onCharacter = false) const;
    // The columns [first, last) of the block that can be seen, with a character to spare each side.
    std::pair<int, int> ShownColumns(const QTextBlock& block) const;
    // The block's characters [from, to) without copying the rest of a long line.
    QString TextOf(const QTextBlock& block, int from, int to) const { return BlockText(block, from, to); }
    static QString BlockText(const QTextBlock& block, int from, int to);
    // Draws the glyphs of the block's columns [column, column + length) where the view drew them, in
    // the painter's pen on `back`; the part out of view is passed over.
    void DrawRange(QPainter& p, const QTextBlock& block, int column, int length, const QColor& back,
                   bool underline) const;

    // ---- the line numbers at the left ----

    bool LineNumbers() const { return FGutter != nullptr; }
    void SetLineNumbers(bool shown);
    // The width the numbers take beside the text; 0 while they are not shown.
    int GutterWidth() const;

public slots:
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();
    void clear();

signals:
    void textChanged();
    void cursorPositionChanged();
    void selectionChanged();
    void copyAvailable(bool yes);
    void undoAvailable(bool yes);
    void redoAvailable(bool yes);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void timerEvent(QTimerEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    virtual bool canInsertFromMimeData(const QMimeData* source) const;
    virtual void insertFromMimeData(const QMimeData* source);
    virtual QMimeData* createMimeDataFromSelection() const;

private:
    class TGutter;
    friend class TGutter;

    struct TShaped {
        QTextLayout Layout;
        QTextLine Line;
    };

    TLineMetrics& Metrics(const QTextBlock& block) const;
    const TShaped& Shaped(const QTextBlock& block, int segment) const;
    TLineMetrics::TTextOf TextOfBlock(const QTextBlock& block) const;
    void ContentsChange(int from, int removed, int added);
    void FontChanged();
    void NoteWidth(TLineMetrics& m) const;
    // The segments [first, last] of a line that lie in view; -1 for an empty line.
    std::pair<int, int> ShownSegments(const TLineMetrics& m) const;
    QPointF GlyphOrigin(const TLineMetrics& m, int segment, int top, const TShaped& shaped) const;
    void UpdateScrollBars();
    int FullLines() const;
    // Fits the gutter to the line count and the font; with `repaint` its numbers are drawn afresh.
    void UpdateGutter(bool repaint);

    int PositionAt(QPoint point) const;
    int NextChar(int pos) const;
    int PreviousChar(int pos) const;
    int NextWord(int pos) const;
    int PreviousWord(int pos) const;
    int WordEnd(int pos) const;
    int WordStartAt(int pos) const;
    int VerticalMove(int lines) const;

    bool Navigate(QKeyEvent* event);
    bool Edit(QKeyEvent* event);
    void MoveTo(int position, bool select);
    enum class TRun { None, Typing, Backspace };
    void ReplaceSelection(const QString& text, TRun run = TRun::None);
    void CursorChanged();
    void UndoStep(bool redo);
    void RestartBlink();
    void AutoScroll(QPoint point);
    void SetSelectionClipboard();
    static void InstallAccessibility();
    // Tells assistive tools of a change of the text, or (from < 0) of the caret.
    void TellAccessibility(int from, int removed, int added);
    void DragSelection();

    QTextDocument* FDoc;
    QTextCursor FCursor;
    TCharWidths FWidths;
    int FGeneration = 0;
    qreal FTabStop = 80;
    int FLineHeight = 16;
    int FAscent = 12;
    bool FReadOnly = false;
    bool FTabChangesFocus = false;
    bool FKeepIndent = false;
    mutable std::multiset<qreal> FLineWidths; // of every measured line
    mutable qreal FWidest = 0;
    mutable QHash<QString, std::shared_ptr<TShaped>> FShapedCache;
    struct TLastShaped {
        const TLineMetrics* Line = nullptr;
        std::uint64_t Version = 0;
        int Segment = -1;
        std::shared_ptr<TShaped> Shape;
    };
    mutable TLastShaped FLastShaped;

    // Caret and pointer state.
    QBasicTimer FBlink;
    bool FCaretShown = true;
    qreal FWantX = -1; // the x up and down keep to
    QBasicTimer FAutoScroll;
    QPoint FLastPoint;
    bool FSelecting = false;
    bool FWordSelect = false;
    int FWordStart = 0; // the word a double click selected, which a drag keeps
    int FWordEnd = 0;
    qint64 FLastDoubleClick = 0;
    int FDropAt = -1;
    std::optional<QPoint> FDragFrom; // a press inside the selection, until it drags or clicks
    QString FPreedit;
    TRun FRun = TRun::None; // the run of typing the next key may join, ending at FRunEnd
    int FRunEnd = -1;
    bool FChanged = false; // the text changed since textChanged was last sent
    int FLastPosition = 0;
    int FLastAnchor = 0;
    QWidget* FGutter = nullptr; // a TGutter, while the line numbers are shown
    int FGutterDigits = 0;
    int FGutterLines = 0;
    int FCaretLine = 0; // the caret's line as the gutter last drew it
};
