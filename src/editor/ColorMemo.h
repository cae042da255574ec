#pragma once
// The SQL editor control: a multi-line plain-text view that paints its text as usual and then
// has the colour pass paint coloured runs over it, plus link-like hot spots under the mouse.
// Positions and lengths count a line break as two characters (CR LF), the way the rest of the
// program and the colour pass count text.

#include "editor/BracketMatch.h"
#include "editor/DrawEvent.h"
#include "editor/EditWindow.h"
#include "editor/TextView.h"

#include <QCursor>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

class QPainter;
class QTimer;
class TColorPass;
class TTextFinder;

using TNotifyEvent = std::function<void(QObject* Sender)>;
// SRC is the clicked hot spot's text without its delimiters.
using THotSpotClickEvent = std::function<void(QObject* Sender, const QString& SRC)>;

// The pointing hand shown over hot spots: 32 x 32, monochrome, the fingertip at (13, 9). Made on
// first use; the program asks for it once at start so it exists before any window.
const QCursor& HotSpotCursor();

class TColorMemo : public TTextView {
    Q_OBJECT

public:
    explicit TColorMemo(QWidget* parent = nullptr);
    ~TColorMemo() override;

    // The whole text with CR LF between lines and no line break added after the last line.
    QString Text() const;
    // Replaces the whole text; lone CR, lone LF and the Unicode line separators count as line
    // breaks too.
    void SetText(const QString& text);

    QStringList Lines() const;
    void SetLines(const QStringList& lines);
    // Replaces the whole text with `lines` as one step of the undo history, so Undo brings back
    // what was there.
    void ReplaceLines(const QStringList& lines);

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

    // ---- colouring ----

    // The ordered colour rules. Assigning copies the given rules; neither repaints until the
    // next key, click, scroll, change or paint.
    TDrawRules& ColorRules();
    void SetColorRules(const TDrawRules& rules);

    const THotSpot& HotSpot() const { return FHotSpot; }
    void SetHotSpot(const THotSpot& value) { FHotSpot = value; }

    // Entries of the buffer handed to OnDraw; 0 (or less) means none, and event-drawn rules then
    // add nothing.
    int ColorLimMax() const;
    void SetColorLimMax(int value);

    // Every text change repaints all visible lines (and the caret line is redrawn in the font
    // colour).
    bool RedrawAlways() const { return FRedrawAlways; }
    void SetRedrawAlways(bool value) { FRedrawAlways = value; }

    // Tab characters can be typed; otherwise Tab moves the focus.
    bool WantTabs() const { return !tabChangesFocus(); }
    void SetWantTabs(bool value) { setTabChangesFocus(!value); }

    // The background and the text colour, plain or system colours.
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value);

    TNotifyEvent OnVScroll;
    TNotifyEvent OnHScroll;
    THotSpotClickEvent OnHotSpotClick;
    TDrawEvent& OnDraw();
    TKeyDrawEvent OnDrawKey;

    // The colour pass over all visible lines, or only over the caret's line. Qt paints only
    // inside a paint event, so outside one the pass asks for a repaint of those lines, and the
    // paint that follows draws the colours over what Qt drew.
    virtual void RedrawColors(bool CaretLineOnly);

    // Marks [start, start + length) of the text (positions as SelStart counts them) with a pale
    // wash for `ms` milliseconds, without touching the selection: the editor's way of showing what
    // a command just acted on. A new mark replaces the old one.
    void MarkBriefly(int start, int length, int ms = 700);
    // The marked range (document positions, break = 1), empty when nothing is marked.
    std::pair<int, int> MarkedRange() const { return {FMarkFrom, FMarkTo}; }

    // Every match of `finder` in view is washed over the colours; null shows none.
    void SetFindMarks(std::shared_ptr<const TTextFinder> finder);
    // While on, the bracket beside the caret and its partner are boxed over the colours while the
    // editor has the focus, and a bracket without one is boxed in red. `codeMap` tells which
    // characters are code; brackets elsewhere (in strings, in comments) are passed over. The
    // partner is looked for up to a couple of hundred thousand characters away; one farther off
    // is not shown.
    void SetBracketMatching(bool on, TCodeMap codeMap = {});
    // The bracket boxed and its partner, in document positions (At -1: none).
    TBracketMatch ShownBrackets() const;

    int CaretLine() const;
    int CaretColumn() const;
    int FirstVisibleLine() const;

    // Whether the viewport shows the pointing hand: set over a hot spot while HotSpot.Active.
    bool HotSpotCursorShown() const { return FHotCursorShown; }

    // The runs of the last colour pass (what it drew, or left to the window).
    const TColorPass& Pass() const { return *FPass; }

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    class TWindow;
    friend class TWindow;

    struct THit {
        bool Inside = false;
        QString Line;   // the pointed line
        int Column = 0; // the pointed character in it
        int EndAt = 0;  // the closing delimiter's column
    };
    THit HotSpotAt(QPoint point) const;

    void TextChanged();
    void ContentsChange(int from, int removed, int added);
    void UpdateTabStops();
    QColor ToQColor(TColor color) const;

    std::unique_ptr<TWindow> FWindow;
    std::unique_ptr<TColorPass> FPass;
    THotSpot FHotSpot;
    bool FRedrawAlways = false;
    bool FLoading = true;
    bool FHotCursorShown = false;
    TColor FColor = clWindow;
    TColor FFontColor = clWindowText;
    int FLastLineCount = 0;
    int FBlockCount = 1; // the document's blocks before the last change
    int FLastTextEnd = 0;
    QPainter* FPainter = nullptr; // bound while a paint event draws the colours
    int FMarkFrom = 0, FMarkTo = 0;
    QTimer* FMarkTimer = nullptr;
    void PaintMark(QPainter& painter) const;
    std::shared_ptr<const TTextFinder> FFindMarks;
    void PaintFindMarks(QPainter& painter) const;
    bool FMatchBrackets = false;
    TCodeMap FCodeMap;
    unsigned FEdits = 0; // counts the changes of the text, for the brackets kept below
    mutable struct TKeptBrackets {
        unsigned Edits = ~0u;
        int Caret = -1;
        TBracketMatch Match;
    } FKeptBrackets;
    // The text [from, to) with "\n" for each line break, one character as in the document.
    QString DocText(int from, int to) const;
    void PaintBrackets(QPainter& painter) const;
};
