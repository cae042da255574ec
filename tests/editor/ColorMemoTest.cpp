// The edit control on the offscreen platform: what typing, selecting, tabs, hot spots, scrolling
// and odd input look like after Qt has painted the text and the colour pass has painted over it.

#include "editor/ColorMemo.h"
#include "MemoPixels.h"
#include "sql/SqlRules.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

int LongDumpLength = 200000;

// Records the passes that the control's triggers ask for, apart from those of painting.
class TRecordingMemo : public TColorMemo {
public:
    using TColorMemo::TColorMemo;
    std::vector<bool> Calls;
    void RedrawColors(bool CaretLineOnly) override {
        if (!viewport()->paintingActive()) Calls.push_back(CaretLineOnly);
        TColorMemo::RedrawColors(CaretLineOnly);
    }
    void Paste(const QMimeData* data) { insertFromMimeData(data); }
};

class Memo : public ::testing::Test {
protected:
    void SetUp() override {
        Host.resize(480, 200);
        M = new TRecordingMemo(&Host);
        M->setGeometry(0, 0, 480, 200);
        M->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
        Host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Host));
    }

    void Sql() { AddSqlRules(M->ColorRules()); }
    // Without the focus there is no caret to see.
    std::string Seen(int line = 0) {
        M->clearFocus();
        return SeenLine(*M, line);
    }
    QPoint Middle(int index) const { return CharRect(*M, index).center(); }
    QWidget* V() const { return M->viewport(); }

    QWidget Host;
    TRecordingMemo* M = nullptr;
};

TEST_F(Memo, TypedWordsCommentsAndOperatorsShowInTheirColours) {
    Sql();
    QTest::keyClicks(M, "select a.b from t # note");
    EXPECT_EQ(Seen(), "BBBBBB.KRK.BBBB.K.T.TTTT");

    // A second line and a block comment across lines; the words inside it are teal.
    QTest::keyClick(M, Qt::Key_Return);
    QTest::keyClicks(M, "x /* from");
    QTest::keyClick(M, Qt::Key_Return);
    QTest::keyClicks(M, "where */ =");
    EXPECT_EQ(Seen(1), "K.TT.TTTT");
    EXPECT_EQ(Seen(2), "TTTTT.TT.R");

    // Without rules the control is a plain edit: nothing but the text's own colour.
    M->ColorRules().Clear();
    EXPECT_EQ(Seen(0), "KKKKKK.KKK.KKKK.K.K.KKKK");
}

TEST_F(Memo, SelectedTextKeepsTheSelectionHighlight) {
    Sql();
    QPalette pal = M->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Highlight, Qt::black);
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    M->setPalette(pal);
    M->SetText(QStringLiteral("select from"));
    M->SetSelStart(0);
    M->SetSelLength(6);
    const QImage shot = Shot(*M);
    for (int i = 0; i < 6; ++i)
        EXPECT_NE(Ink(shot, CharRect(*M, i)), 'B') << i;
    EXPECT_EQ(SeenLine(*M, shot, 0).substr(7), "BBBB");

    M->SetSelLength(0); // the colour comes back where the selection was
    EXPECT_EQ(Seen(), "BBBBBB.BBBB");
}

TEST_F(Memo, ColoursAreDrawnOnlyByAnEnabledControl) {
    Sql();
    M->SetText(QStringLiteral("select"));
    M->setEnabled(false);
    EXPECT_EQ(Seen().find('B'), std::string::npos);
    M->setEnabled(true);
    EXPECT_EQ(Seen(), "BBBBBB");
}

TEST_F(Memo, DrawKeyHandlerDrawsKeywordRunsInsteadOfTheControl) {
    Sql();
    std::vector<std::u16string> keys;
    TRect rect;
    TColor given = 0;
    TColor canvasColour = 0;
    M->OnDrawKey = [&](TCanvas& canvas, std::u16string_view key, TRect r, TColor fontColour) {
        keys.emplace_back(key);
        rect = r;
        given = fontColour;
        canvasColour = canvas.Attr.Font;
        canvas.Attr.Font = clRed;
        canvas.TextOut(r.Left, r.Top, key);
    };
    M->SetText(QStringLiteral("x select"));
    EXPECT_EQ(Seen(), "K.RRRRRR");
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back(), u"select");
    EXPECT_EQ(given, M->FontColor());
    EXPECT_EQ(canvasColour, clBlue); // the run's colour is already set
    const QRect cells = CharRect(*M, 2).united(CharRect(*M, 7));
    EXPECT_NEAR(rect.Left, cells.left(), 1);
    EXPECT_NEAR(rect.Right - rect.Left, cells.width(), 1);
}

// Characters the editor's font lacks come from other fonts, which may make the line taller and
// move its baseline; the colours must still land on the glyphs the window drew, so the coloured
// line has ink exactly where the plain one has.
TEST_F(Memo, ColoursCoverTheGlyphsOnLinesWithFallbackFonts) {
    const QStringList lines{QStringLiteral("select (a) from t # \u4E2D\u6587 note"),
                            QStringLiteral("x = '\u6F22\u5B57' + \U0001F600 /* c */ ;"),
                            QStringLiteral("plain (1) = 2 from")};
    M->SetLines(lines);
    M->clearFocus();
    const QImage plain = Shot(*M);
    Sql();
    M->viewport()->repaint();
    const QImage coloured = Shot(*M);
    for (int line = 0; line < lines.size(); ++line) {
        const QTextBlock b = M->document()->findBlockByNumber(line);
        const QRect r =
            CharRect(*M, b.position() + line).united(CharRect(*M, b.position() + line + b.length() - 2));
        const QRect band(0, r.top(), V()->width(), r.height());
        const std::vector<bool> before = InkMask(plain, band);
        const int inked = int(std::count(before.begin(), before.end(), true));
        EXPECT_LE(InkDifference(before, InkMask(coloured, band)), inked / 50) << line;
    }
    // And the colours are there.
    EXPECT_EQ(SeenLine(*M, coloured, 0).substr(0, 10), "BBBBBB.RKR");
    EXPECT_EQ(SeenLine(*M, coloured, 2).substr(6, 3), "RKR");
}

// ---- the triggers ----

TEST_F(Memo, OneTypedCharacterAsksForTheCaretLineAndOtherChangesForAllLines) {
    Sql();
    QTest::keyClicks(M, "abc def");
    M->SetSelStart(3);
    M->Calls.clear();
    QTest::keyClick(M, Qt::Key_X);
    EXPECT_EQ(M->Calls, std::vector<bool>{true});

    M->Calls.clear();
    QTest::keyClick(M, Qt::Key_Return);
    EXPECT_EQ(M->Calls, std::vector<bool>{false});

    M->Calls.clear();
    M->SetSelText(QStringLiteral("yz")); // two characters at once
    EXPECT_EQ(M->Calls, std::vector<bool>{false});

    M->Calls.clear();
    QTest::keyClick(M, Qt::Key_Backspace);
    EXPECT_EQ(M->Calls, std::vector<bool>{false});

    // Overtyping one selected character keeps the length.
    M->SetSelStart(0);
    M->SetSelLength(1);
    M->Calls.clear();
    QTest::keyClick(M, Qt::Key_Q);
    ASSERT_FALSE(M->Calls.empty());
    EXPECT_FALSE(M->Calls.back());
    EXPECT_EQ(M->Text(), QStringLiteral("qbcx\r\ny def"));
}

TEST_F(Memo, RedrawAlwaysAsksForAllLinesAndLeavesTheLastCountsAlone) {
    Sql();
    QTest::keyClicks(M, "ab");
    M->SetRedrawAlways(true);
    M->Calls.clear();
    QTest::keyClicks(M, "cd");
    EXPECT_EQ(M->Calls, (std::vector<bool>{false, false}));

    // The counts are still those of "ab": one more character than that is not "one more".
    M->SetRedrawAlways(false);
    M->Calls.clear();
    QTest::keyClick(M, Qt::Key_E);
    EXPECT_EQ(M->Calls, std::vector<bool>{false});
    M->Calls.clear();
    QTest::keyClick(M, Qt::Key_F);
    EXPECT_EQ(M->Calls, std::vector<bool>{true});
}

TEST_F(Memo, MovementKeysStartFromTheEndOfTheSelection) {
    M->SetText(QStringLiteral("abcdef\r\nghijkl"));
    auto select = [&](int anchor, int position) {
        QTextCursor c = M->textCursor();
        c.setPosition(anchor);
        c.setPosition(position, QTextCursor::KeepAnchor);
        M->setTextCursor(c);
    };
    select(1, 4);
    QTest::keyClick(M, Qt::Key_Left);
    EXPECT_EQ(M->SelStart(), 3);
    EXPECT_EQ(M->SelLength(), 0);

    select(4, 1); // made backwards: still from its end
    QTest::keyClick(M, Qt::Key_Right);
    EXPECT_EQ(M->SelStart(), 5);

    select(4, 1);
    QTest::keyClick(M, Qt::Key_Down);
    EXPECT_EQ(M->SelStart(), 8 + 4);

    select(4, 1);
    QTest::keyClick(M, Qt::Key_End);
    EXPECT_EQ(M->SelStart(), 6);

    // With Shift the selection grows as usual, and letting Shift go asks for a pass.
    select(1, 4);
    QTest::keyPress(M, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(M->SelStart(), 1);
    EXPECT_EQ(M->SelLength(), 2);
    M->Calls.clear();
    QTest::keyRelease(M, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(M->Calls, std::vector<bool>{false});
}

TEST_F(Memo, LeftClicksAskForPassesButNotTheSecondPressOfADoubleClick) {
    Sql();
    M->SetText(QStringLiteral("select x"));
    const QPoint at = Middle(2);
    M->Calls.clear();
    QTest::mousePress(V(), Qt::LeftButton, {}, at);
    EXPECT_EQ(M->Calls.size(), 1u);
    QTest::mouseRelease(V(), Qt::LeftButton, {}, at);
    EXPECT_EQ(M->Calls.size(), 2u);

    M->Calls.clear();
    QTest::mousePress(V(), Qt::LeftButton, Qt::ShiftModifier, at);
    QTest::mouseRelease(V(), Qt::RightButton, {}, at); // only the left button's release
    EXPECT_TRUE(M->Calls.empty());

    // A double click: press, release, the second press (reported as the double click), release.
    M->Calls.clear();
    QTest::mousePress(V(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(V(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(V(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(V(), Qt::LeftButton, {}, at);
    EXPECT_EQ(M->Calls.size(), 3u);
}

TEST_F(Memo, ScrollingReportsAndRecoloursTheLinesThatComeIntoView) {
    Sql();
    QStringList lines;
    for (int i = 0; i < 60; ++i)
        lines << QStringLiteral("select %1").arg(i, 2, 10, QLatin1Char('0'));
    M->SetLines(lines);
    int scrolls = 0;
    M->OnVScroll = [&](QObject* sender) {
        EXPECT_EQ(sender, M);
        ++scrolls;
    };
    M->verticalScrollBar()->setValue(20);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(M->FirstVisibleLine(), 20);

    // Make sure a line is cut by the bottom edge, then look at every line on screen.
    const int h = CharRect(*M, 0).height();
    if (V()->height() % h == 0) M->resize(M->width(), M->height() + h / 2);
    const QImage shot = Shot(*M);
    int whole = 0;
    bool cut = false;
    for (int line = 20; line < 60; ++line) {
        const QRect r = CharRect(*M, M->document()->findBlockByNumber(line).position() + line);
        if (r.top() >= V()->height()) break;
        if (r.bottom() < V()->height()) {
            EXPECT_EQ(SeenLine(*M, shot, line), "BBBBBB.KK") << line;
            ++whole;
        } else {
            EXPECT_EQ(SeenLine(*M, shot, line).find('B'), std::string::npos)
                << "a partly visible line is not coloured";
            cut = true;
        }
    }
    EXPECT_GE(whole, 5);
    EXPECT_TRUE(cut);
}

// ---- tabs ----

TEST_F(Memo, WantTabsDecidesWhetherTabIsText) {
    EXPECT_FALSE(M->WantTabs());
    QTest::keyClicks(M, "a");
    M->setFocus();
    QTest::keyClick(M, Qt::Key_Tab); // no other control to go to: nothing happens
    QTest::keyClick(M, Qt::Key_Tab);
    EXPECT_EQ(M->Text(), QStringLiteral("a"));

    M->SetWantTabs(true);
    M->setFocus();
    QTest::keyClick(M, Qt::Key_Tab);
    QTest::keyClicks(M, "b");
    EXPECT_EQ(M->Text(), QStringLiteral("a\tb"));
}

TEST_F(Memo, TextAfterATabIsColouredWhereTheWindowDrewIt) {
    Sql();
    M->SetWantTabs(true);
    M->SetText(QStringLiteral("\tselect\tfrom"));
    EXPECT_EQ(Seen(), ".BBBBBB.BBBB");

    // Without WantTabs a comment run spans the tab; its text still lands on the window's tab stop.
    M->SetWantTabs(false);
    M->SetText(QStringLiteral("# a\tfrom"));
    EXPECT_EQ(Seen(), "T.T.TTTT");
}

// ---- hot spots ----

class HotSpots : public Memo {
protected:
    void SetUp() override {
        Memo::SetUp();
        THotSpot hot;
        hot.Active = true;
        M->SetHotSpot(hot);
        M->OnHotSpotClick = [this](QObject* sender, const QString& src) {
            EXPECT_EQ(sender, M);
            Clicked << src;
        };
    }
    // Moves the mouse onto a character and releases a button there; true when the hand showed.
    bool ClickAt(int index, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseMove(V(), Middle(index));
        const bool hand = M->HotSpotCursorShown();
        QTest::mouseRelease(V(), button, {}, Middle(index));
        return hand;
    }
    QStringList Clicked;
};

TEST_F(HotSpots, TheWordBetweenTheDelimitersLooksLikeALinkAndReportsItsText) {
    M->SetText(QStringLiteral("see \x1E"
                              "docs\x1F here"));
    M->clearFocus();
    const QImage shot = Shot(*M);
    EXPECT_EQ(SeenLine(*M, shot, 0), "KKK..BBBB..KKKK"); // the delimiters are blocks of the background
    const QRect docs = CharRect(*M, 5).united(CharRect(*M, 8));
    const QFontMetrics metrics(M->font());
    const QRect underline(docs.left(), docs.top() + metrics.ascent() + 1, docs.width(),
                          metrics.underlinePos() + 1);
    EXPECT_EQ(Ink(shot, underline), 'B');
    EXPECT_EQ(Ink(shot, underline.translated(-CharRect(*M, 0).width() * 5, 0)), '.');

    for (int i = 5; i <= 8; ++i)
        EXPECT_TRUE(ClickAt(i)) << i;
    EXPECT_EQ(V()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(V()->cursor().hotSpot(), QPoint(13, 9));
    EXPECT_TRUE(ClickAt(9));  // the closing delimiter is inside
    EXPECT_FALSE(ClickAt(4)); // the opening one is not
    EXPECT_FALSE(ClickAt(1));
    EXPECT_NE(V()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(Clicked, QStringList(5, QStringLiteral("docs")));

    // Beyond the end of the line nothing closes.
    QTest::mouseMove(V(), QPoint(V()->width() - 5, Middle(0).y()));
    EXPECT_FALSE(M->HotSpotCursorShown());
}

TEST_F(HotSpots, EveryButtonClicksButOnlyTheMouseTestDecides) {
    M->SetText(QStringLiteral("plain text\x1F"));
    EXPECT_TRUE(ClickAt(7, Qt::RightButton));
    EXPECT_TRUE(ClickAt(1, Qt::RightButton)); // (the middle button would paste the X selection first)
    EXPECT_EQ(Clicked, (QStringList{QStringLiteral("plain text"), QStringLiteral("plain text")}));

    // A closing delimiter on a later line is coloured, but the mouse never finds it.
    Clicked.clear();
    M->SetText(QStringLiteral("go \x1E"
                              "far\r\naway\x1F ok"));
    EXPECT_EQ(Seen(0), "KK..BBB");
    EXPECT_FALSE(ClickAt(5));
    EXPECT_TRUE(Clicked.isEmpty());

    // Without Active the hand never shows and nothing is coloured.
    THotSpot off;
    M->SetHotSpot(off);
    M->SetText(QStringLiteral("see \x1E"
                              "docs\x1F here"));
    EXPECT_FALSE(ClickAt(6));
    EXPECT_TRUE(Clicked.isEmpty());
    EXPECT_EQ(Seen().find('B'), std::string::npos);
}

TEST_F(HotSpots, EqualDelimitersMakeEverythingBeforeABarInside) {
    THotSpot bars;
    bars.Active = true;
    bars.BeginChar = bars.EndChar = u'|';
    M->SetHotSpot(bars);
    M->SetText(QStringLiteral("a |link| b"));
    EXPECT_TRUE(ClickAt(0));
    EXPECT_TRUE(ClickAt(4));
    EXPECT_FALSE(ClickAt(9));
    EXPECT_EQ(Clicked, (QStringList{QStringLiteral("a "), QStringLiteral("link")}));
}

// ---- odd input ----

TEST_F(Memo, OddTextNeverBreaksTheLines) {
    Sql();
    M->SetWantTabs(true);
    M->SetRedrawAlways(true);

    // A lone CR is a line break, typed, set or pasted.
    M->SetText(QStringLiteral("select\rfrom\nx\r\ny"));
    EXPECT_EQ(M->Lines(), (QStringList{"select", "from", "x", "y"}));
    QMimeData paste;
    paste.setText(QStringLiteral("a\rb\x2028"
                                 "c\x2029"
                                 "d"));
    M->SetSelStart(0);
    M->Paste(&paste);
    EXPECT_EQ(M->Lines().mid(0, 4), (QStringList{"a", "b", "c", "dselect"}));
    EXPECT_EQ(Seen(3), "KKKKKKK"); // 'select' after a letter is no word

    // Shift+Enter breaks the line like Enter, instead of a separator inside it.
    M->SetText(QStringLiteral("ab"));
    M->SetSelStart(1);
    QTest::keyClick(M, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(M->Text(), QStringLiteral("a\r\nb"));
}

// On a long line only the part in view is drawn, yet spans that open far to the left of it keep
// their colour, and the typed character is coloured where the window drew it.
TEST_F(Memo, ColoursOfALongLineScrolledSidewaysStayInPlace) {
    Sql();
    M->SetRedrawAlways(true);
    QString line = QStringLiteral("select /*");
    for (int i = 0; i < 3000; ++i)
        line += QStringLiteral(" a(1)");
    const int close = int(line.size()) + 1;
    line += QStringLiteral(" */ from (t) # x");
    M->SetText(line);
    M->moveCursor(QTextCursor::End);
    M->setFocus();
    QTest::keyClicks(M, " (");
    M->horizontalScrollBar()->setValue(M->horizontalScrollBar()->maximum());
    M->clearFocus();
    const QImage shot = Shot(*M);
    std::string seen;
    // " a(1) */ from (t) # x (": the typed " (" is inside the "#" comment.
    for (int i = close - 6; i < close + 17; ++i)
        seen += Ink(shot, CharRect(*M, i));
    EXPECT_EQ(seen, ".TTTT.TT.BBBB.RKR.T.T.T");
}

// A long line keeps its shaped glyphs from one change to the next; whatever happens to it, it must
// look exactly as the same text shown afresh.
TEST_F(Memo, ALongLineAfterEditsLooksAsTheSameTextShownAfresh) {
    QString line = QStringLiteral("insert into t values ");
    for (int i = 0; i < 400; ++i)
        line += QStringLiteral("(%1, 'x /* %1 */'), ").arg(i);
    const QFont other(QStringLiteral("DejaVu Sans"), 13);
    const struct {
        const char* Name;
        std::function<void(TColorMemo&)> Edit;
    } edits[] = {
        {"typed", [](TColorMemo& m) { QTest::keyClicks(&m, "ab'c"); }},
        {"comment opened key by key", [](TColorMemo& m) { QTest::keyClicks(&m, " /* x "); }},
        {"deleted", [](TColorMemo& m) { QTest::keyClick(&m, Qt::Key_Backspace); }},
        {"undone",
         [](TColorMemo& m) {
             QTest::keyClicks(&m, "xyz");
             m.undo();
         }},
        {"line split", [](TColorMemo& m) { QTest::keyClick(&m, Qt::Key_Return); }},
        // The same length, but the rest of the line becomes a comment.
        {"one character replaced",
         [](TColorMemo& m) {
             m.SetSelLength(1);
             QTest::keyClicks(&m, "#");
         }},
        {"font changed", [&](TColorMemo& m) { m.setFont(other); }},
        {"typed, then font changed",
         [&](TColorMemo& m) {
             QTest::keyClicks(&m, "q");
             m.setFont(other);
         }},
    };
    for (const auto& e : edits) {
        M->SetText(line);
        Sql();
        M->SetSelStart(120);
        M->setFocus();
        Shot(*M); // painted once, so the pass has something to remember before the change
        e.Edit(*M);
        M->clearFocus();
        TColorMemo fresh(&Host);
        fresh.setGeometry(M->geometry());
        fresh.setFont(M->font());
        AddSqlRules(fresh.ColorRules());
        fresh.SetText(M->Text());
        fresh.show();
        QApplication::processEvents(); // the scroll bars follow the new widths
        for (TColorMemo* m : {static_cast<TColorMemo*>(M), &fresh}) {
            m->horizontalScrollBar()->setValue(CharRect(*m, 100).x() - CharRect(*m, 0).x());
            m->verticalScrollBar()->setValue(0);
        }
        EXPECT_EQ(M->horizontalScrollBar()->maximum(), fresh.horizontalScrollBar()->maximum()) << e.Name;
        EXPECT_TRUE(Shot(*M) == Shot(fresh)) << e.Name;
        M->ColorRules().Clear();
        M->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
    }
}

// A comment typed key by key far along a dump's long line reaches the comment's end beyond the
// view's first columns, as in the same text shown afresh.
TEST_F(Memo, ACommentTypedDeepInALongLineColoursAsTheSameTextAfresh) {
    QString line = QStringLiteral("INSERT INTO orders VALUES ");
    for (int row = 1; line.size() < LongDumpLength; ++row)
        line += QStringLiteral("(%1, 'Customer %1', %2.95, 'note /* %1 */'), ").arg(row).arg(row % 300);
    Sql();
    M->SetRedrawAlways(true);
    for (const bool paintedFirst : {true, false}) {
        M->SetText(QStringLiteral("-- a dump\n") + line);
        QTextCursor c(M->document()->findBlockByNumber(1));
        c.setPosition(c.block().position() + int(line.size() / 2));
        M->setTextCursor(c);
        M->setFocus();
        if (paintedFirst) Shot(*M);
        QTest::keyClicks(M, " /* typed ");
        M->clearFocus();
        TColorMemo fresh(&Host);
        fresh.setGeometry(M->geometry());
        fresh.setFont(M->font());
        AddSqlRules(fresh.ColorRules());
        fresh.SetRedrawAlways(true);
        fresh.SetText(M->Text());
        fresh.show();
        QApplication::processEvents();
        fresh.verticalScrollBar()->setValue(M->verticalScrollBar()->value());
        fresh.horizontalScrollBar()->setValue(M->horizontalScrollBar()->value());
        EXPECT_TRUE(Shot(*M) == Shot(fresh)) << paintedFirst;
    }
}

// The paints between the keys read the long line through the document; the typed run stays one
// step of the undo history all the same.
TEST_F(Memo, ARunTypedBetweenPaintsOfALongLineIsUndoneAtOnce) {
    Sql();
    M->SetRedrawAlways(true);
    const QString line = QStringLiteral("select /* a */ 1, ").repeated(20000);
    M->SetText(line);
    M->SetSelStart(int(line.size() / 2));
    M->setFocus();
    for (const char* key : {"x", "/", "*", "y"}) {
        QTest::keyClicks(M, key);
        M->viewport()->repaint();
    }
    EXPECT_NE(M->Text(), line);
    QTest::keyClick(M, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(M->Text(), line);
}

// Outside data without text (an empty clipboard, an image) pasted with Ctrl+V, by the paste
// command or dropped: nothing is inserted and nothing breaks. Text still arrives each way.
TEST_F(Memo, PastesAndDropsWithoutTextInsertNothing) {
    M->SetText(QStringLiteral("select 1"));
    M->setFocus();
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    auto noText = [&](int kind) {
        auto* data = new QMimeData;
        if (kind == 1) data->setImageData(image);
        return data;
    };
    auto drop = [&](QMimeData* data) {
        const QPointF at = Middle(3);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(V(), &enter);
        QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(V(), &dropped);
        return enter.isAccepted();
    };
    for (int kind : {0, 1}) {
        QApplication::clipboard()->setMimeData(noText(kind));
        M->SetSelStart(8);
        QTest::keyClick(M, Qt::Key_V, Qt::ControlModifier);
        M->PasteFromClipboard();
        std::unique_ptr<QMimeData> data(noText(kind));
        EXPECT_FALSE(drop(data.get())) << kind;
        EXPECT_EQ(M->Text(), QStringLiteral("select 1")) << kind;
    }

    QApplication::clipboard()->setText(QStringLiteral(" + 2"));
    M->SetSelStart(8);
    QTest::keyClick(M, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(M->Text(), QStringLiteral("select 1 + 2"));
    QMimeData text;
    text.setText(QStringLiteral("x"));
    EXPECT_TRUE(drop(&text));
    EXPECT_EQ(M->Text(), QStringLiteral("selxect 1 + 2"));
}

TEST_F(Memo, BinaryTextAndVeryLongLinesArePaintedWithoutHarm) {
    Sql();
    M->SetWantTabs(true);
    M->SetRedrawAlways(true);
    THotSpot hot;
    hot.Active = true;
    M->SetHotSpot(hot);

    QRandomGenerator random(7);
    QString binary;
    for (int i = 0; i < 4000; ++i)
        binary += QChar(char16_t(random.bounded(0, 0x10000)));
    for (char16_t c = 0; c < 256; ++c)
        binary += QChar(c);
    binary += QStringLiteral("\xD83D select \xDE00 /* \x1E # \x1F");
    M->SetText(binary);
    for (int i = 0; i < 20; ++i) {
        M->SetSelStart(int(random.bounded(0, int(M->Text().size()) + 1)));
        M->SetSelLength(int(random.bounded(0, 50)));
        QTest::keyClicks(M, "a*/(");
        Shot(*M);
        QTest::mouseMove(V(),
                         QPoint(int(random.bounded(0, V()->width())), int(random.bounded(0, V()->height()))));
    }
    const QStringList lines = M->Lines();
    EXPECT_EQ(M->Text().count(QStringLiteral("\r\n")), lines.size() - 1);

    // One line of 200000 characters, typed at its end and scrolled through.
    M->SetText(QString(200000, QLatin1Char('x')) + QStringLiteral(" select"));
    M->moveCursor(QTextCursor::End);
    QTest::keyClicks(M, " from");
    M->horizontalScrollBar()->setValue(M->horizontalScrollBar()->maximum());
    const QImage shot = Shot(*M);
    std::string tail;
    for (int i = 200000; i < 200012; ++i)
        tail += Ink(shot, CharRect(*M, i));
    EXPECT_EQ(tail, ".BBBBBB.BBBB");
}

} // namespace
