#include "editor/ColorPass.h"
#include "FakeEditWindow.h"
#include "TestText.h"
#include "sql/SqlRules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ColourPass : public ::testing::Test {
protected:
    TFakeEditWindow win;
    TColorPass pass{win};

    void Show(std::initializer_list<std::string_view> lines) {
        std::u16string text;
        for (auto l : lines)
            text += (text.empty() && l == *lines.begin() ? u"" : u"\r\n") + U(l);
        win.SetText(text);
    }
    void Run(bool caretLineOnly = false) {
        win.ClearRecord();
        pass.RedrawColors(caretLineOnly);
    }
    // What the user sees on a line, one letter per character: '.' the window's own painting,
    // B blue, T teal, R red, F font colour, K black, X a wrong character drawn there.
    std::string Line(int line) const {
        std::string out;
        const int start = win.LineIndex(line);
        for (int i = start; i < start + win.LineLength(start); ++i) {
            auto colour = win.SeenColor(i);
            char c = '.';
            if (colour) c = win.SeenChar(i) != win.Text()[std::size_t(i)] ? 'X' : Letter(*colour);
            out += c;
        }
        return out;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& o : win.Outputs)
            out.push_back(A(o.Text));
        return out;
    }
    static char Letter(TColor c) {
        switch (c) {
        case clBlue:
            return 'B';
        case clTeal:
            return 'T';
        case clRed:
            return 'R';
        case clWindowText:
            return 'F';
        case clBlack:
            return 'K';
        default:
            return '?';
        }
    }
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(ColourPass, SqlRuleSetColoursWordsCommentsAndOperators) {
    AddSqlRules(pass.ColorRules);
    Show({"SELECT * FROM my_table WHERE id = 1; # note", "select count(*) from t /* all rows */",
          "Insert Into t Values (1,2)", "selected counter dates @max int1 float8 int9"});
    Run();
    EXPECT_EQ(Line(0), "BBBBBB.R.BBBB....BBBBB.BBBBB....R....TTTTTT");
    EXPECT_EQ(Line(1), "BBBBBB.BBBBBRRR.BBBB...TTTTTTTTTTTTTT");
    EXPECT_EQ(Line(2), "BBBBBB.BBBB...BBBBBB.R.R.R");
    EXPECT_EQ(Line(3), "............................BBBB.BBBBBB.BBB.");
    EXPECT_EQ(win.Hidden, 1);
    EXPECT_EQ(win.Shown, 1);
}

TEST_F(ColourPass, GatesDrawNothing) {
    AddSqlRules(pass.ColorRules);
    Show({"select"});
    for (int gate = 0; gate < 4; ++gate) {
        win.Enabled = gate != 0;
        win.Visible = gate != 1;
        win.Parented = gate != 2;
        pass.ColorsUsable = gate != 3;
        Run();
        EXPECT_TRUE(win.Outputs.empty()) << gate;
        EXPECT_EQ(win.Hidden, 0) << gate;
    }
    TColorPass bare(win); // no rules and no active hot spot
    win.ClearRecord();
    bare.RedrawColors(false);
    EXPECT_EQ(win.Hidden, 0);

    pass.ColorsUsable = true;
    win.SetText(u"");
    Run();
    EXPECT_TRUE(win.Outputs.empty());
    EXPECT_EQ(win.Shown, 1);
}

TEST_F(ColourPass, PartlyVisibleBottomLineIsNotColoured) {
    AddSqlRules(pass.ColorRules);
    Show({"select a", "select b", "select c", "select d", "select e"});
    win.Bottom = 3 * TFakeEditWindow::Height + 8;
    Run();
    EXPECT_EQ(Line(2), "BBBBBB..");
    EXPECT_EQ(Line(3), "........");
    ASSERT_EQ(win.RangesCopied.size(), 1u);
    EXPECT_EQ(win.RangesCopied[0], std::make_pair(0, win.LineIndex(3)));
    // A line that ends exactly at the client bottom is fully visible.
    win.Bottom = 4 * TFakeEditWindow::Height;
    Run();
    EXPECT_EQ(Line(3), "BBBBBB..");
    EXPECT_EQ(Line(4), "........");
}

TEST_F(ColourPass, KeyMaxHeightOfTheFirstRuleSetsTheScanLine) {
    AddSqlRules(pass.ColorRules);
    Show({"/* open", "select", "inside", "select */ from", "select"});
    win.First = 2;
    Run();
    EXPECT_EQ(Line(2), "......");
    EXPECT_EQ(Line(3), "BBBBBB.RR.BBBB");

    // From two lines above: the comment opened there shows on the visible lines.
    pass.ColorRules[0].KeyMaxHeight = 3;
    Run();
    EXPECT_EQ(Line(2), "TTTTTT");
    EXPECT_EQ(Line(3), "TTTTTTTTT.BBBB");

    // 0: the scan starts below the first visible line, which only the caret line reaches.
    pass.ColorRules[0].KeyMaxHeight = 0;
    win.Always = true;
    win.Sel = win.LineIndex(2) + 2;
    Run();
    EXPECT_EQ(Line(2), "FFF...");
    EXPECT_EQ(Line(3), "BBBBBB.RR.BBBB");
    win.First = 4; // the scan line lies past the text
    Run();
    EXPECT_EQ(Line(4), "......");
}

TEST_F(ColourPass, CaretLineOnlyPaintsTheCaretsLineIfFullyVisible) {
    AddSqlRules(pass.ColorRules);
    Show({"select", "select", "select", "select"});
    win.Bottom = 3 * TFakeEditWindow::Height + 4;
    win.Sel = win.LineIndex(1) + 3;
    Run(true);
    EXPECT_EQ(Line(0), "......");
    EXPECT_EQ(Line(1), "BBBBBB");
    EXPECT_EQ(Line(2), "......");
    win.Sel = win.LineIndex(3);
    Run(true);
    EXPECT_TRUE(win.Outputs.empty());
}

TEST_F(ColourPass, SelectionMasksRuleColoursAndCaretLineShowsFontColour) {
    AddSqlRules(pass.ColorRules);
    Show({"select from where", "abc select def"});
    win.Sel = 3;
    win.SelLen = 7;
    Run();
    EXPECT_EQ(Line(0), "BBB.......B.BBBBB");
    win.SelLen = 0;
    Run();
    EXPECT_EQ(Line(0), "BBBBBB.BBBB.BBBBB");

    win.Always = true;
    win.Sel = win.LineIndex(1) + 2;
    Run();
    EXPECT_EQ(Line(0), "BBBBBB.BBBB.BBBBB");
    EXPECT_EQ(Line(1), "FFF.BBBBBB....");
}

TEST_F(ColourPass, EqualPriorityGoesToTheLaterRuleOrKey) {
    auto& red = pass.ColorRules.Add();
    red.SetKeyBegEndLst({u"<;>;red"});
    auto& blue = pass.ColorRules.Add();
    blue.SetKeyBegEndLst({u"<;>;blue"});
    auto& keys = pass.ColorRules.Add();
    keys.KeyDrawingType = dtKeyShow;
    keys.PartWord = true;
    keys.SetKeywords({u"ab;red", u"bc;blue"});
    Show({"a <b> c abc"});
    Run();
    EXPECT_EQ(Line(0), "..BBB...RBB");
    pass.ColorRules.Move(1, 0);
    Run();
    EXPECT_EQ(Line(0), "..RRR...RBB");
}

TEST_F(ColourPass, BlackSpansAreDrawnOverTheirOwnCharactersOnly) {
    pass.ColorRules.Add().SetKeyBegEndLst({u"{;};black"});
    Show({"x {a} y {b}"});
    Run();
    EXPECT_EQ(Line(0), "..KKK...KKK");
}

TEST_F(ColourPass, EngineCodesAsRulePriorities) {
    auto& marker = pass.ColorRules.Add();
    marker.ZOrder = zoHotSpotMarker;
    marker.SetKeyBegEndLst({u"<;>;teal"});
    auto& mask = pass.ColorRules.Add();
    mask.ZOrder = zoSelection;
    mask.SetKeyBegEndLst({u"[;]"});
    auto& words = pass.ColorRules.Add();
    words.KeyDrawingType = dtKeyShow;
    words.SetKeywords({u"w"});
    Show({"<w> [w] w"});
    Run();
    ASSERT_EQ(Texts(), (Strings{"<w>", "w"}));
    EXPECT_EQ(win.Outputs[0].Attr, (TTextAttr{clTeal, clTeal, false}));
    EXPECT_EQ(win.Outputs[1].X, 8 * TFakeEditWindow::CharWidth);
}

TEST_F(ColourPass, TabsSplitRunsAndStayAsTheWindowDrewThem) {
    AddSqlRules(pass.ColorRules);
    Show({"select\tfrom /*\tx*/"});
    win.Tabs = true;
    Run();
    EXPECT_EQ(Texts(), (Strings{"select", "from", "/*", "x*/"}));
    EXPECT_EQ(win.Outputs[1].X, 8 * TFakeEditWindow::CharWidth);
    EXPECT_EQ(Line(0), "BBBBBB.BBBB.TT.TTT");
    win.Tabs = false;
    Run();
    EXPECT_EQ(Texts(), (Strings{"select", "from", "/*\tx*/"}));
}

TEST_F(ColourPass, MultiLineRunsAreDrawnLineByLine) {
    AddSqlRules(pass.ColorRules);
    Show({"x /* a", "bb", "c */ y"});
    Run();
    ASSERT_EQ(Texts(), (Strings{"/* a", "bb", "c */"}));
    EXPECT_EQ(win.Outputs[0].X, 2 * TFakeEditWindow::CharWidth);
    EXPECT_EQ(win.Outputs[1].Y, TFakeEditWindow::Height);
    EXPECT_EQ(win.Outputs[2].Y, 2 * TFakeEditWindow::Height);
    for (const auto& o : win.Outputs)
        EXPECT_EQ(o.Attr.Font, clTeal);
}

TEST_F(ColourPass, TrailingCrLfOfASingleLineRunIsNotDrawn) {
    auto& keys = pass.ColorRules.Add();
    keys.KeyDrawingType = dtKeyShow;
    keys.PartWord = true;
    keys.SetKeywords({u"b\r\n"});
    Show({"ab", "cd"});
    Run();
    EXPECT_EQ(Texts(), (Strings{"b"}));
}

TEST_F(ColourPass, HotSpotsShowMarkerBlocksAndUnderlinedText) {
    win.Hot.Active = true;
    win.SetText(u"see \x1E"
                u"docs\x1F here \x1E"
                u"dangling");
    Run();
    ASSERT_EQ(Texts(), (Strings{"\x1E", "docs", "\x1F"}));
    EXPECT_EQ(win.Outputs[0].Attr, (TTextAttr{clWindow, clWindow, false}));
    EXPECT_EQ(win.Outputs[1].Attr, (TTextAttr{clBlue, clWindow, true}));
    EXPECT_EQ(win.Outputs[2].X, 9 * TFakeEditWindow::CharWidth);

    win.Hot.Underlined = false;
    win.Hot.MarkerColor = clRed;
    Run();
    EXPECT_EQ(win.Outputs[0].Attr, (TTextAttr{clRed, clRed, false}));
    EXPECT_FALSE(win.Outputs[1].Attr.Underline);

    win.Hot.BeginChar = 0;
    Run();
    EXPECT_TRUE(win.Outputs.empty());
}

TEST_F(ColourPass, OnDrawKeyReplacesTheDrawingOfKeywordRuns) {
    AddSqlRules(pass.ColorRules);
    Show({"select /* from */ x = 1"});
    struct Call {
        std::string Key;
        TRect Rect;
        TColor KColor;
        TColor Canvas;
    };
    std::vector<Call> calls;
    win.DrawKey = [&](TCanvas& canvas, std::u16string_view key, TRect rect, TColor kcolor) {
        calls.push_back({A(key), rect, kcolor, canvas.Attr.Font});
    };
    Run();
    EXPECT_EQ(Texts(), (Strings{"/* from */"}));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Key, "select");
    EXPECT_EQ(calls[0].Rect, (TRect{0, 0, 48, 16}));
    EXPECT_EQ(calls[0].KColor, clWindowText);
    EXPECT_EQ(calls[0].Canvas, clBlue);
    EXPECT_EQ(calls[1].Key, "=");
    EXPECT_EQ(calls[1].Rect, (TRect{160, 0, 168, 16}));
    EXPECT_EQ(calls[1].Canvas, clRed);
}

TEST_F(ColourPass, EventRuleSpansCountFromTheScanLine) {
    auto& event = pass.ColorRules.Add();
    event.KeyDrawingType = dtEventDraw;
    pass.SetColorLimMax(4);
    pass.OnDraw = [](TColorRule&, std::u16string_view from, std::span<TKeyDescr> a, int& items) {
        if (from.substr(0, 3) != u"def") return;
        a[0] = TKeyDescr{1, 2, clTeal, 0, 0};
        items = 1;
    };
    Show({"abc", "def"});
    win.First = 1;
    Run();
    EXPECT_EQ(Line(1), ".TT");
}

// The pass copies and scans only the painted stretch: a long document costs no more than a short
// one, and nothing outside the stretch changes what the user sees.
TEST_F(ColourPass, OnlyThePaintedStretchIsCopiedScannedAndShown) {
    AddSqlRules(pass.ColorRules);
    auto document = [](std::string outside) {
        std::u16string text;
        for (int line = 0; line < 3000; ++line) {
            std::string l = line == 1005   ? "select /* open"
                            : line == 1010 ? "*/ x"
                                           : "select a, b from t where c = 1";
            if (line < 1000 || line >= 1010) l = outside.substr(0, l.size());
            text += (line ? u"\r\n" : u"") + U(l);
        }
        return text;
    };
    win.First = 1000;
    win.Bottom = 10 * TFakeEditWindow::Height;
    win.SetText(document("*/ select /* # from where "));
    Run();
    const auto closedBelow = win.Screen();
    ASSERT_EQ(win.RangesCopied.size(), 1u);
    EXPECT_EQ(win.RangesCopied[0], std::make_pair(win.LineIndex(1000), win.LineIndex(1010)));
    EXPECT_EQ(Line(1000), "BBBBBB..R...BBBB...BBBBB...R..");
    EXPECT_EQ(Line(1005), "BBBBBB.RR.....");
    EXPECT_EQ(pass.TextBufSize(), 2048u);

    win.SetText(document("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"));
    Run();
    EXPECT_EQ(win.Screen(), closedBelow);

    // Selecting everything neither grows the merge with the document nor shows any colour.
    win.Sel = 0;
    win.SelLen = int(win.Text().size());
    Run();
    EXPECT_TRUE(win.Screen().empty());
    EXPECT_LE(pass.CellsSize(), std::size_t(pass.StretchEnd() - pass.StretchStart()) + 2);
}

TEST_F(ColourPass, BuffersOnlyGrow) {
    AddSqlRules(pass.ColorRules);
    std::u16string text;
    for (int line = 0; line < 400; ++line)
        text += u"select a from t where b = c\r\n";
    win.SetText(text);
    win.Bottom = 300 * TFakeEditWindow::Height;
    Run();
    const std::size_t copied = std::size_t(pass.StretchEnd() - pass.StretchStart());
    EXPECT_EQ(pass.TextBufSize(), copied + 1024);
    const std::size_t cells = pass.CellsSize();
    EXPECT_GT(cells, 8000u);
    win.Bottom = 2 * TFakeEditWindow::Height;
    Run();
    EXPECT_EQ(pass.TextBufSize(), copied + 1024);
    EXPECT_EQ(pass.CellsSize(), cells);
    EXPECT_EQ(Line(1), "BBBBBB...BBBB...BBBBB...R..");
}
