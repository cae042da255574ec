#include "editor/ColorMemo.h"

#include "editor/ColorPass.h"
#include "editor/TextFinder.h"
#include "editor/internal/MemoWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

QString ToCrLf(QString s) {
    // The raw text separates blocks with U+2029; toPlainText() would not do here, as it also
    // turns every no-break space into a plain one.
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return s.replace(QChar::LineSeparator, QLatin1String("\r\n"));
}

// A line separator inside a block would make one line of the text show as two, and every
// position the colour pass asks for would be off from there on; so all of them become breaks.
QString FromAnyBreaks(QString s) {
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QLatin1Char('\n'));
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return s;
}

bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

constexpr Qt::KeyboardModifiers ShiftCtrlAlt = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

} // namespace

// ---- the control ----

TColorMemo::TColorMemo(QWidget* parent)
    : TTextView(parent), FWindow(std::make_unique<TWindow>(*this)),
      FPass(std::make_unique<TColorPass>(*FWindow)) {
    setTabChangesFocus(true);           // tabs are text only when WantTabs is set
    viewport()->setMouseTracking(true); // the hot-spot cursor follows the mouse without a button
    UpdateTabStops();
    connect(document(), &QTextDocument::contentsChange, this, &TColorMemo::ContentsChange);
    connect(this, &TTextView::textChanged, this, &TColorMemo::TextChanged);
    FLoading = false;
}

TColorMemo::~TColorMemo() {
    // The pass draws through the window adaptor; nothing may reach either while they go.
    disconnect(this, &TTextView::textChanged, this, &TColorMemo::TextChanged);
    disconnect(document(), &QTextDocument::contentsChange, this, &TColorMemo::ContentsChange);
    FPass.reset();
    FWindow.reset();
}

QString TColorMemo::Text() const {
    return ToCrLf(document()->toRawText());
}

void TColorMemo::SetText(const QString& text) {
    setPlainText(FromAnyBreaks(text));
}

QStringList TColorMemo::Lines() const {
    QStringList lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    // An empty document still has one (empty) block, but holds no lines.
    if (lines.size() == 1 && lines.front().isEmpty()) lines.clear();
    return lines;
}

void TColorMemo::SetLines(const QStringList& lines) {
    setPlainText(FromAnyBreaks(lines.join(QLatin1Char('\n'))));
}

void TColorMemo::ReplaceLines(const QStringList& lines) {
    QTextCursor all(document());
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertText(FromAnyBreaks(lines.join(QLatin1Char('\n'))));
    all.endEditBlock();
    // The caret at the start, as after SetLines.
    Quietly(all, [&] { all.movePosition(QTextCursor::Start); });
    setTextCursor(all);
}

int TColorMemo::ToTextPos(int docPos) const {
    const QTextBlock b = document()->findBlock(docPos);
    return docPos + (b.isValid() ? b.blockNumber() : document()->blockCount() - 1);
}

int TColorMemo::ToDocPos(int textPos) const {
    if (textPos <= 0) return 0;
    const int line = FWindow->LineFromChar(textPos);
    const QTextBlock b = document()->findBlockByNumber(line);
    // Past the line's last character (inside the CR LF pair, or past the end): the line's end.
    return b.position() + std::min(textPos - (b.position() + line), b.length() - 1);
}

int TColorMemo::SelStart() const {
    return ToTextPos(textCursor().selectionStart());
}

int TColorMemo::SelLength() const {
    const QTextCursor c = textCursor();
    return ToTextPos(c.selectionEnd()) - ToTextPos(c.selectionStart());
}

void TColorMemo::SetSelStart(int pos) {
    QTextCursor c = textCursor();
    Quietly(c, [&] { c.setPosition(ToDocPos(pos)); });
    setTextCursor(c);
}

void TColorMemo::SetSelLength(int length) {
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    Quietly(c, [&] {
        c.setPosition(start);
        c.setPosition(ToDocPos(ToTextPos(start) + qMax(0, length)), QTextCursor::KeepAnchor);
    });
    setTextCursor(c);
}

QString TColorMemo::SelText() const {
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return s;
}

void TColorMemo::SetSelText(const QString& text) {
    QTextCursor c = textCursor();
    Quietly(c, [&] { c.insertText(FromAnyBreaks(text)); });
    setTextCursor(c);
}

void TColorMemo::CutToClipboard() {
    if (textCursor().hasSelection()) cut();
}

void TColorMemo::CopyToClipboard() {
    if (textCursor().hasSelection()) copy();
}

void TColorMemo::PasteFromClipboard() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty()) SetSelText(text);
}

TDrawRules& TColorMemo::ColorRules() {
    return FPass->ColorRules;
}

void TColorMemo::SetColorRules(const TDrawRules& rules) {
    if (&rules != &FPass->ColorRules) FPass->ColorRules.Assign(rules);
}

int TColorMemo::ColorLimMax() const {
    return FPass->ColorLimMax();
}
void TColorMemo::SetColorLimMax(int value) {
    FPass->SetColorLimMax(value);
}
TDrawEvent& TColorMemo::OnDraw() {
    return FPass->OnDraw;
}

// System colours are read from the application's palette, so that a control whose own palette
// was given a plain colour still finds the system one.
QColor TColorMemo::ToQColor(TColor color) const {
    if (!(color & 0x80000000u))
        return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    const QPalette pal = QApplication::palette(this);
    switch (color & 0xFF) {
    case 0: // scroll bar
    case 1: // desktop
    case 4: // menu
    case 15:
        return pal.color(QPalette::Button); // button face
    case 2:                                 // active caption
    case 13:
        return pal.color(QPalette::Highlight);
    case 9: // caption text
    case 14:
        return pal.color(QPalette::HighlightedText);
    case 6:
        return pal.color(QPalette::Shadow); // window frame
    case 7:                                 // menu text
    case 18:
        return pal.color(QPalette::ButtonText);
    case 8:
        return pal.color(QPalette::Text); // window text
    case 16:
        return pal.color(QPalette::Dark);
    case 17:
        return pal.color(QPalette::Disabled, QPalette::Text); // grey text
    case 20:
        return pal.color(QPalette::Light);
    case 21:
        return pal.color(QPalette::Shadow);
    case 23:
        return pal.color(QPalette::ToolTipText);
    case 24:
        return pal.color(QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Base); // 5, the window background, and anything unknown
    }
}

void TColorMemo::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(value));
    setPalette(pal);
}

void TColorMemo::SetFontColor(TColor value) {
    if (value == FFontColor) return;
    FFontColor = value;
    QPalette pal = palette();
    pal.setColor(QPalette::Text, ToQColor(value));
    setPalette(pal);
}

int TColorMemo::CaretLine() const {
    return FWindow->LineFromChar(SelStart());
}

int TColorMemo::CaretColumn() const {
    return SelStart() - FWindow->LineIndex(CaretLine());
}

int TColorMemo::FirstVisibleLine() const {
    return FWindow->FirstVisibleLine();
}

void TColorMemo::RedrawColors(bool CaretLineOnly) {
    if (!FPass) return; // being destroyed
    if (FPainter) {
        FPass->RedrawColors(CaretLineOnly);
        return;
    }
    // Outside a paint: the same gates as the pass, then a repaint of what it would colour.
    if (!FPass->ColorsUsable || !isEnabled() || !isVisible() || !parentWidget()) return;
    if (FPass->ColorRules.Count() == 0 && !FHotSpot.Active) return;
    if (CaretLineOnly) {
        viewport()->update(
            QRect(0, LineTop(textCursor().blockNumber()), viewport()->width(), LineHeight() + 1));
    } else {
        viewport()->update();
    }
}

void TColorMemo::paintEvent(QPaintEvent* event) {
    TTextView::paintEvent(event);
    QPainter painter(viewport());
    FPainter = &painter;
    struct TUnbind {
        QPainter*& P;
        ~TUnbind() { P = nullptr; }
    } unbind{FPainter};
    RedrawColors(false);
    if (FFindMarks) PaintFindMarks(painter);
    // Like the caret, the brackets beside it show while the editor has the focus.
    if (FMatchBrackets && hasFocus()) PaintBrackets(painter);
    if (FMarkTo > FMarkFrom) PaintMark(painter);
}

void TColorMemo::MarkBriefly(int start, int length, int ms) {
    FMarkFrom = ToDocPos(start);
    FMarkTo = ToDocPos(start + std::max(0, length));
    if (!FMarkTimer) {
        FMarkTimer = new QTimer(this);
        FMarkTimer->setSingleShot(true);
        connect(FMarkTimer, &QTimer::timeout, this, [this] {
            FMarkFrom = FMarkTo = 0;
            viewport()->update();
        });
    }
    FMarkTimer->start(ms);
    viewport()->update();
}

// A wash over the text, on top of the colours: it must show whatever they painted.
void TColorMemo::PaintMark(QPainter& painter) const {
    QColor wash = palette().color(QPalette::Highlight);
    wash.setAlpha(60);
    const int bottom = viewport()->height();
    for (QTextBlock b = firstVisibleBlock(); b.isValid() && LineTop(b.blockNumber()) < bottom; b = b.next()) {
        const int from = std::max(FMarkFrom, b.position()) - b.position();
        const int to = std::min(FMarkTo, b.position() + b.length() - 1) - b.position();
        if (b.position() + b.length() <= FMarkFrom) continue;
        if (b.position() >= FMarkTo) break;
        const qreal left = XOf(b, from);
        // A line the mark runs on past carries it to the edge, as a selection does.
        const qreal right = FMarkTo > b.position() + b.length() - 1 ? viewport()->width() : XOf(b, to);
        painter.fillRect(QRectF(left, LineTop(b.blockNumber()), std::max(right - left, 4.0), LineHeight()),
                         wash);
    }
}

void TColorMemo::SetFindMarks(std::shared_ptr<const TTextFinder> finder) {
    FFindMarks = std::move(finder);
    viewport()->update();
}

// Only the columns in view are searched, so a long line costs what a short one does.
void TColorMemo::PaintFindMarks(QPainter& painter) const {
    if (!FFindMarks->IsUsable()) return;
    const QColor wash(255, 170, 0, 110);
    std::vector<std::pair<int, int>> found;
    const int bottom = viewport()->height();
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
        const int top = LineTop(b.blockNumber());
        if (top >= bottom) break;
        const auto [first, last] = ShownColumns(b);
        found.clear();
        // One column more, for an empty match at the line's end.
        FFindMarks->MatchesIn(b, first, std::min(last + 1, b.length()), found);
        for (const auto& [column, length] : found) {
            const qreal left = XOf(b, column);
            // An empty match shows as a thin bar.
            const qreal right = length > 0 ? XOf(b, column + length) : left + 2;
            painter.fillRect(QRectF(left, top, std::max(right - left, 2.0), LineHeight()), wash);
        }
    }
}

void TColorMemo::SetBracketMatching(bool on, TCodeMap codeMap) {
    FMatchBrackets = on;
    FCodeMap = std::move(codeMap);
    FKeptBrackets = {};
    viewport()->update();
}

QString TColorMemo::DocText(int from, int to) const {
    QTextCursor c(document());
    Quietly(c, [&] {
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
    });
    return c.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

TBracketMatch TColorMemo::ShownBrackets() const {
    if (!FMatchBrackets) return {};
    const int caret = textCursor().position();
    if (FKeptBrackets.Edits == FEdits && FKeptBrackets.Caret == caret) return FKeptBrackets.Match;
    FKeptBrackets = {FEdits, caret, {}};
    const QTextDocument* doc = document();
    const auto bracket = [](QChar c) { return QStringView(u"()[]{}").contains(c); };
    // Most carets have no bracket beside them, and cost two lookups.
    if (!(caret > 0 && bracket(doc->characterAt(caret - 1))) && !bracket(doc->characterAt(caret))) return {};
    const int end = doc->characterCount() - 1;
    // A near partner is found in a small stretch; a far one in a larger, and no farther.
    for (const int reach : {4000, 200000}) {
        int from = std::max(0, caret - reach);
        // From the start of a line when one is near: a string or comment open at the stretch's
        // start would turn what is code and what is not the wrong way round.
        if (const QTextBlock b = doc->findBlock(from); b.position() >= from - reach) from = b.position();
        const int to = std::min(end, caret + reach);
        const QString text = DocText(from, to);
        const std::u16string_view chars(reinterpret_cast<const char16_t*>(text.utf16()),
                                        std::size_t(text.size()));
        std::vector<std::uint8_t> code(chars.size(), 1);
        if (FCodeMap) FCodeMap(chars, code);
        TBracketMatch m = MatchBracket(chars, caret - from, &code);
        if (m.At < 0) return {}; // in a string or a comment
        const bool cut = m.Forward ? to < end : from > 0;
        if (m.Partner >= 0 || !cut) {
            m.At += from;
            if (m.Partner >= 0) m.Partner += from;
            FKeptBrackets.Match = m;
            return m;
        }
    }
    return {};
}

void TColorMemo::PaintBrackets(QPainter& painter) const {
    const TBracketMatch m = ShownBrackets();
    if (m.At < 0) return;
    const QColor box = m.Partner >= 0 ? palette().color(QPalette::Highlight) : QColor(Qt::red);
    QColor wash = box;
    wash.setAlpha(50);
    const int firstLine = FirstLine();
    const int bottom = viewport()->height();
    for (const int pos : {m.At, m.Partner}) {
        if (pos < 0) continue;
        const QTextBlock b = document()->findBlock(pos);
        if (b.blockNumber() < firstLine || LineTop(b.blockNumber()) >= bottom) continue;
        const int column = pos - b.position();
        const qreal left = XOf(b, column);
        const QRectF r(left, LineTop(b.blockNumber()), std::max(XOf(b, column + 1) - left, 2.0),
                       LineHeight());
        painter.fillRect(r, wash);
        painter.setPen(box);
        painter.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

// The pass keeps what it found on long lines between paints: it hears of every change, in
// positions of the text (a line break counting two).
void TColorMemo::ContentsChange(int from, int removed, int added) {
    FWindow->Forget();
    ++FEdits;
    const QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    const QTextBlock first = doc->findBlock(from);
    const QTextBlock last = doc->findBlock(from + added);
    const int addedBreaks = (last.isValid() ? last.blockNumber() : blocks - 1) - first.blockNumber();
    const int removedBreaks = std::max(0, FBlockCount - blocks + addedBreaks);
    FBlockCount = blocks;
    if (FPass) FPass->TextChanged(ToTextPos(from), removed + removedBreaks, added + addedBreaks);
}

void TColorMemo::TextChanged() {
    if (FLoading || !FPass) return;
    if (FRedrawAlways) {
        RedrawColors(false);
        return;
    }
    // One character more and no line more: only the caret's line changed.
    const int lines = FWindow->LineCount();
    const int end =
        lines > 0 ? FWindow->LineIndex(lines - 1) + FWindow->LineLength(FWindow->LineIndex(lines - 1)) : 0;
    RedrawColors(lines == FLastLineCount && end == FLastTextEnd + 1);
    FLastLineCount = lines;
    FLastTextEnd = end;
}

void TColorMemo::changeEvent(QEvent* event) {
    TTextView::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateTabStops();
}

void TColorMemo::keyPressEvent(QKeyEvent* event) {
    // Alt with a character key belongs to menus and shortcuts; it never types the character.
    if ((event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier) &&
        !event->text().isEmpty() && event->text().front().isPrint()) {
        event->ignore();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ShiftCtrlAlt;
    // Without WantTabs, Tab belongs to the focus chain; Qt would type it when there is nowhere to
    // go.
    if (!WantTabs() && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        event->ignore();
        return;
    }
    // A movement key without modifiers starts from the end of the selection, whichever way the
    // selection was made.
    if (mods == Qt::NoModifier && IsNavigationKey(event->key()) && textCursor().hasSelection()) {
        QTextCursor c = textCursor();
        Quietly(c, [&] { c.setPosition(c.selectionEnd()); });
        setTextCursor(c);
        RedrawColors(false);
    }
    // Shift+Enter would put a line separator inside the line; it breaks the line like Enter.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (mods & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier, event->text(),
                        event->isAutoRepeat(), ushort(event->count()));
        TTextView::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    TTextView::keyPressEvent(event);
}

void TColorMemo::keyReleaseEvent(QKeyEvent* event) {
    // Releasing Shift ends a keyboard selection: the colours catch up with it.
    if (event->key() == Qt::Key_Shift && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        RedrawColors(false);
    TTextView::keyReleaseEvent(event);
}

void TColorMemo::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton &&
        !(event->modifiers() & ShiftCtrlAlt))
        RedrawColors(false);
    TTextView::mousePressEvent(event);
}

void TColorMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click does not run the pass; the release after it does.
    TTextView::mouseDoubleClickEvent(event);
}

void TColorMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) RedrawColors(false);
    TTextView::mouseReleaseEvent(event);
    if (!FHotCursorShown) return;
    // Every button clicks a hot spot.
    const THit hit = HotSpotAt(event->position().toPoint());
    if (!hit.Inside || !OnHotSpotClick) return;
    const QString right = hit.Line.mid(hit.Column, hit.EndAt - hit.Column);
    QString left = hit.Line.left(hit.Column);
    const qsizetype open = left.lastIndexOf(QChar(FHotSpot.BeginChar));
    if (open >= 0) left = left.mid(open + 1);
    OnHotSpotClick(this, left + right);
}

void TColorMemo::mouseMoveEvent(QMouseEvent* event) {
    TTextView::mouseMoveEvent(event);
    if (!FHotSpot.Active) return;
    if (HotSpotAt(event->position().toPoint()).Inside) {
        if (!FHotCursorShown) viewport()->setCursor(HotSpotCursor());
        FHotCursorShown = true;
    } else {
        // The edit control's own cursor, as the parent's default cursor shows it.
        viewport()->setCursor(Qt::IBeamCursor);
        FHotCursorShown = false;
    }
}

// Inside a hot spot when the next closing delimiter on the pointed line comes before any opening
// one. Only the pointed line is looked at.
TColorMemo::THit TColorMemo::HotSpotAt(QPoint point) const {
    THit hit;
    const QTextBlock b = cursorForPosition(point).block();
    if (!b.isValid()) return hit;
    hit.Line = b.text();
    // The character under the point, not the nearest gap between two.
    hit.Column = std::clamp(ColumnAt(b, point.x(), true), 0, int(hit.Line.size()));
    const QString rest = hit.Line.mid(hit.Column);
    const qsizetype end = rest.indexOf(QChar(FHotSpot.EndChar));
    const qsizetype begin = rest.indexOf(QChar(FHotSpot.BeginChar));
    hit.Inside = end >= 0 && (begin < 0 || begin > end || FHotSpot.BeginChar == FHotSpot.EndChar);
    hit.EndAt = hit.Column + int(end);
    return hit;
}

void TColorMemo::scrollContentsBy(int dx, int dy) {
    TTextView::scrollContentsBy(dx, dy);
    if (dy != 0 && OnVScroll) OnVScroll(this);
    if (dx != 0 && OnHScroll) OnHScroll(this);
    // Scrolling moves what was drawn; a line that was only partly visible, and so uncoloured,
    // may now be whole.
    RedrawColors(false);
}

// Pastes, drops and middle-button pastes of the selection all arrive here. Only text is taken:
// data without it (an empty clipboard, an image) inserts nothing, and never reaches the toolkit's
// own insertion, which reads the first of the data's formats even when there is none.
bool TColorMemo::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText();
}

void TColorMemo::insertFromMimeData(const QMimeData* source) {
    if (!canInsertFromMimeData(source) || isReadOnly()) return;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.insertText(FromAnyBreaks(source->text()));
    c.endEditBlock();
    setTextCursor(c);
    ensureCursorVisible();
}

void TColorMemo::UpdateTabStops() {
    // Tab stops every eight average characters, as in the classic edit control.
    setTabStopDistance(8 * QFontMetricsF(font()).averageCharWidth());
}
