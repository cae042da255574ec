#include "workbench/controllers/CompletionController.h"

#include "workbench/tree/NavigationTree.h"
#include "workbench/window/CompletionList.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "sql/Completion.h"
#include "sql/QtText.h"
#include "sql/ScriptPlaces.h"
#include "sql/SqlNames.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace {

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The statement the caret at byte `caret` of `text` is in, and the caret's offset in it. Past the
// end of the statement before (on the blanks after its delimiter) a new one begins: an empty one.
std::pair<std::string_view, std::size_t> StatementAround(std::string_view text, std::size_t caret) {
    const TScriptCut cut = CutScript(text);
    // A malformed DELIMITER line leaves the cut short: read the text after it as it stands.
    if (!cut.Error.empty() && caret >= cut.ErrorAt) return {text.substr(cut.ErrorAt), caret - cut.ErrorAt};
    const std::size_t at = StatementAt(cut, text, caret);
    if (at == NoStatement) return {std::string_view(), 0};
    const std::string_view s = cut.Statements[at];
    const auto begin = static_cast<std::size_t>(s.data() - text.data());
    if (caret < begin || caret > begin + s.size()) return {std::string_view(), 0};
    return {s, caret - begin};
}

// Past this many characters either side of the caret the text is not read: completion reads one
// statement, and cutting the whole of a huge script at every word would make typing in it wait.
constexpr int ReadAround = 128 * 1024;

// The editor's text (CR LF between lines) as completion reads it, and the caret's place in it: the
// whole text, or in a large one the part around the caret.
QString TextAround(const TColorMemo& memo, int caretDoc, int& caretText) {
    const QTextDocument* doc = memo.document();
    if (doc->characterCount() <= 2 * ReadAround) {
        caretText = memo.ToTextPos(caretDoc);
        return memo.Text();
    }
    // From a line's start, which is seldom inside a quoted text: a part that began inside one would
    // read the rest inside out. Only a line longer than the part itself is cut into.
    int from = std::max(0, caretDoc - ReadAround);
    if (const QTextBlock start = doc->findBlock(from); caretDoc - start.position() <= 2 * ReadAround)
        from = start.position();
    const int to = std::min(doc->characterCount() - 1, caretDoc + ReadAround);
    QString text;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        const int first = std::max(from, b.position()) - b.position();
        const int last = std::min(to, b.position() + b.length() - 1) - b.position();
        if (b.position() > from) text += QStringLiteral("\r\n");
        if (b.contains(caretDoc)) caretText = static_cast<int>(text.size()) + caretDoc - b.position() - first;
        text += memo.TextOf(b, first, last);
    }
    return text;
}

} // namespace

TCompletionController::TCompletionController(const TWorkbench& workbench)
    : QObject(&workbench.Window), FWindow(workbench.Window), FUi(workbench.Ui),
      FList(new TCompletionList(&workbench.Window)) {
    FUi.mmoIn->installEventFilter(this);
    connect(FList, &TCompletionList::Chosen, this, [this] { Insert(); });
    connect(FUi.mmoIn, &TTextView::cursorPositionChanged, this, [this] {
        if (IsOpen() && !FBusy) Refine();
    });
    // A list left standing over a scrolled text or another host's names would point at the wrong thing.
    connect(FUi.mmoIn->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { Close(); });
    connect(FUi.mmoIn->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { Close(); });
    connect(FUi.Tree, &QTreeWidget::itemSelectionChanged, this, [this] { Close(); });
}

TCompletionController::~TCompletionController() = default;

bool TCompletionController::IsOpen() const {
    return FList->isVisible();
}

void TCompletionController::mnuCompleteClick() {
    FUi.mmoIn->setFocus();
    Open(TTrigger::Asked);
}

void TCompletionController::Open(TTrigger trigger) {
    TColorMemo& memo = *FUi.mmoIn;
    const QTextCursor cursor = memo.textCursor();
    if (cursor.hasSelection() && trigger != TTrigger::Asked) return;
    const int caretDoc = cursor.position();
    int caretText = 0;
    const QString shown = TextAround(memo, caretDoc, caretText);
    const std::string text = ServerText(shown);
    const std::size_t caretByte = std::min(Utf8Length(shown, caretText), text.size());
    const auto [statement, offset] = StatementAround(text, caretByte);
    const TCompletionPlace place = CompletionPlace(statement, offset);

    using W = TCompletionPlace::TWants;
    const bool fits = trigger == TTrigger::Asked ? place.Wants != W::Nothing
                      : trigger == TTrigger::Dot ? place.Wants == W::Members
                                                 : place.Wants != W::Nothing && place.Wants != W::Keywords;
    if (!fits) return;

    const TMySql* host = FUi.Tree->SelectedHost();
    const bool connected = host && host->IsAlive() && host->Databases();
    FPool = std::make_unique<TCompletionPool>(place, connected ? host->Databases() : nullptr,
                                              connected ? host->ReservedWords() : std::vector<std::string>());
    const std::string_view replaced = statement.substr(place.Start, offset - place.Start);
    // A name never holds a line break, so the document counts its length as the text does.
    FStart = caretDoc - static_cast<int>(Utf16Length(replaced));
    if (FStart < 0) return;
    FBlock = memo.document()->findBlock(FStart).blockNumber();
    if (memo.document()->findBlock(caretDoc).blockNumber() != FBlock) return;

    std::vector<TCandidate> candidates = FPool->Match(place.Prefix);
    if (candidates.empty()) {
        FPool.reset();
        return;
    }
    FList->SetCandidates(std::move(candidates));
    Place();
}

void TCompletionController::AfterTyping(const QString& text) {
    if (text.size() != 1) return;
    const QTextCursor cursor = FUi.mmoIn->textCursor();
    const QTextBlock block = cursor.block();
    const int column = cursor.position() - block.position();
    // Five characters are enough to tell: "x." or a word of three after a non-name character.
    const QString before = FUi.mmoIn->TextOf(block, std::max(0, column - 5), column);
    const QChar typed = text.front();
    if (typed == u'.') {
        if (before.size() >= 2 &&
            (IsNameChar(before[before.size() - 2]) || before[before.size() - 2] == u'`'))
            Open(TTrigger::Dot);
        return;
    }
    if (!IsNameChar(typed)) return;
    qsizetype word = 0;
    while (word < before.size() && IsNameChar(before[before.size() - 1 - word]))
        ++word;
    if (word == 3 && !before[before.size() - 3].isDigit()) Open(TTrigger::Letters);
}

void TCompletionController::Refine() {
    if (!IsOpen() || !FPool) return;
    TColorMemo& memo = *FUi.mmoIn;
    const QTextCursor cursor = memo.textCursor();
    const QTextBlock block = cursor.block();
    if (cursor.hasSelection() || cursor.position() < FStart || block.blockNumber() != FBlock) {
        Close();
        return;
    }
    QString typed = memo.TextOf(block, FStart - block.position(), cursor.position() - block.position());
    const bool quoted = typed.startsWith(u'`');
    if (quoted) typed.remove(0, 1);
    const bool name = quoted ? !typed.contains(u'`') : std::all_of(typed.begin(), typed.end(), IsNameChar);
    if (!name) {
        Close();
        return;
    }
    std::vector<TCandidate> candidates = FPool->Match(ServerText(typed));
    if (candidates.empty()) {
        Close();
        return;
    }
    FList->SetCandidates(std::move(candidates));
    Place();
}

void TCompletionController::Insert() {
    const TCandidate* chosen = FList->Current();
    if (!chosen) {
        Close();
        return;
    }
    const TMySql* host = FUi.Tree->SelectedHost();
    QString text;
    switch (chosen->Kind) {
    case TCandidateKind::Keyword:
        text = chosen->Name;
        break;
    case TCandidateKind::Function:
        text = chosen->Name + QLatin1Char('(');
        break;
    default:
        text = SqlName(chosen->Name, host && host->IsAlive() ? host : nullptr);
        break;
    }
    TColorMemo& memo = *FUi.mmoIn;
    QTextCursor cursor = memo.textCursor();
    const int caret = cursor.position();
    Close();
    TTextView::Quietly(cursor, [&] {
        cursor.setPosition(FStart);
        cursor.setPosition(caret, QTextCursor::KeepAnchor);
        cursor.insertText(text);
    });
    memo.setTextCursor(cursor);
    memo.ensureCursorVisible();
}

void TCompletionController::Close() {
    FList->hide();
    FPool.reset();
}

void TCompletionController::Place() {
    TColorMemo& memo = *FUi.mmoIn;
    QTextCursor at = memo.textCursor();
    at.setPosition(FStart);
    const QRect caret = memo.cursorRect(at);
    const QSize size = FList->FittingSize();
    QPoint topLeft = memo.viewport()->mapTo(&FWindow, caret.bottomLeft() + QPoint(0, 2));
    // Above the line when there is no room below it.
    if (topLeft.y() + size.height() > FWindow.height())
        topLeft.setY(memo.viewport()->mapTo(&FWindow, caret.topLeft()).y() - size.height() - 2);
    topLeft.setX(std::clamp(topLeft.x(), 0, std::max(0, FWindow.width() - size.width())));
    topLeft.setY(std::max(0, topLeft.y()));
    FList->setGeometry(QRect(topLeft, size));
    FList->show();
    FList->raise();
}

bool TCompletionController::KeyWhileOpen(QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Escape:
        Close();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        Insert();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (key->modifiers() != Qt::NoModifier) return false;
        return FList->MoveCurrent(key->key());
    default:
        return false;
    }
}

bool TCompletionController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FUi.mmoIn) return false;
    if (event->type() == QEvent::FocusOut) {
        Close();
        return false;
    }
    if (event->type() != QEvent::KeyPress || FBusy) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsOpen() && KeyWhileOpen(key)) return true;
    // A typed character: the editor takes it first, and what it typed then decides about the list.
    // Other keys take their usual way; a move of the caret refines or closes the list.
    const QString text = key->text();
    const bool typing = !text.isEmpty() && text.front().isPrint() &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!typing) return false;
    FBusy = true;
    static_cast<QObject*>(FUi.mmoIn)->event(event);
    FBusy = false;
    if (IsOpen()) Refine();
    // A "." ends the name the list was for and may open one for what follows it.
    if (!IsOpen()) AfterTyping(text);
    return true;
}
