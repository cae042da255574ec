// The pass over long lines shown only in part: what it draws in the shown columns must be what a
// pass over the whole stretch draws there, through scrolling and edits, and its reading of the
// text must not grow with the line.

#include "FakeEditWindow.h"
#include "TestText.h"
#include "editor/ColorPass.h"
#include "editor/internal/MarkerMemo.h"
#include "sql/SqlRules.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using TKeyCall = std::tuple<int, int, int, std::string>; // left, top, right, key

// A window and its pass, with the settings every pass of one trial shares.
struct Editor {
    TFakeEditWindow win;
    TColorPass pass{win};
    std::vector<TKeyCall> keyCalls;

    explicit Editor(bool extraKeys) {
        AddSqlRules(pass.ColorRules);
        if (extraKeys) {
            // Keys that overlap themselves, so a scan's choices depend on text far before.
            TColorRule& rule = pass.ColorRules.Add();
            rule.KeyDrawingType = dtKeyShow;
            rule.PartWord = true;
            rule.ZOrder = 1;
            rule.SetKeywords({u"--;RED", u"aXa;BLACK", u"*/*;BLUE"});
        }
        win.Hot.BeginChar = u'{';
        win.Hot.EndChar = u'}';
    }
    void Run() {
        win.ClearRecord();
        keyCalls.clear();
        pass.RedrawColors(false);
    }
    void DrawKeys(bool on) {
        if (!on) return;
        win.DrawKey = [this](TCanvas& canvas, std::u16string_view key, TRect rect, TColor) {
            keyCalls.emplace_back(rect.Left, rect.Top, rect.Right, A(key));
            canvas.TextOut(rect.Left, rect.Top, key);
        };
    }
};

// Without WantTabs a run holding a tab is one text output, its characters after the tab off the
// window's places for them; a run cut at the margin of a long line is placed anew there. Those
// texts differ only in that misplacement, so they leave tabs out.
std::u16string RandomText(std::mt19937& rnd, int longLines, bool tabs) {
    static const char* const tokens[] = {
        "/*", "*/", "#", "'", "\"", "select", "FROM",   "where", "InSeRt", "(", ")", ",", ";",   "=",
        "*",  "/",  "-", " ", " ",  "x1",     "values", "\t",    "{",      "}", "a", "X", "\r\n"};
    static const char* const runs[] = {"(", "-", "x", " ", "aXa", "*/", "select "};
    std::u16string text;
    for (int line = 0; line < longLines + 2; ++line) {
        if (line) text += u"\r\n";
        const int length = line < longLines ? 1000 + int(rnd() % 5000) : int(rnd() % 60);
        while (int(text.size() - text.rfind(u'\n') - 1) < length) {
            if (rnd() % 40 == 0) {
                const char* run = runs[rnd() % std::size(runs)];
                for (int n = 20 + int(rnd() % 300); n > 0; --n)
                    text += U(run);
            } else {
                const char* token = tokens[rnd() % std::size(tokens)];
                // Line breaks only between lines, so the long lines stay long.
                if (std::string_view(token) != "\r\n" && (tabs || *token != '\t')) text += U(token);
            }
        }
    }
    return text;
}

// Compares, over every shown column of every line on screen, what the two windows show, and the
// keyword handler calls that lie wholly inside the shown columns.
void ExpectSameInShownColumns(const Editor& cut, const Editor& whole, const std::string& trial) {
    const TFakeEditWindow& w = cut.win;
    std::set<TKeyCall> cutCalls, wholeCalls;
    for (int line = w.First;
         w.LineIndex(line) >= 0 && (line - w.First + 1) * TFakeEditWindow::Height <= w.Bottom; ++line) {
        const int start = w.LineIndex(line);
        const int length = w.LineLength(start);
        auto [a, b] = w.ShownColumns(line);
        b = std::min(b, length);
        for (int i = start + a; i < start + b; ++i) {
            ASSERT_EQ(w.Seen(i), whole.win.Seen(i)) << trial << " line " << line << " column " << i - start;
            ASSERT_EQ(w.SeenChar(i), whole.win.SeenChar(i))
                << trial << " line " << line << " column " << i - start;
        }
        if (a >= b) continue;
        const int left = w.PosFromChar(start + a).X;
        const int right = w.PosFromChar(start + b - 1).X + TFakeEditWindow::CharWidth;
        const int top = w.PosFromChar(start).Y;
        auto inside = [&](const TKeyCall& c) {
            return std::get<1>(c) == top && std::get<0>(c) >= left && std::get<2>(c) <= right;
        };
        for (const auto& c : cut.keyCalls)
            if (inside(c)) cutCalls.insert(c);
        for (const auto& c : whole.keyCalls)
            if (inside(c)) wholeCalls.insert(c);
    }
    EXPECT_EQ(cutCalls, wholeCalls) << trial;
}

} // namespace

// Random scripts of the SQL rule set's tokens with long lines, random shown slices, scrolling and
// edits reported through TextChanged: the shown columns always look as a whole pass paints them.
TEST(ShownColumns, DrawWhatAWholePassDrawsThere) {
    std::mt19937 rnd(20261208);
    for (int trial = 0; trial < 120; ++trial) {
        const bool extraKeys = trial % 3 == 0;
        Editor cut(extraKeys);
        cut.win.Tabs = rnd() % 2;
        cut.win.SetText(RandomText(rnd, 1 + trial % 3, cut.win.Tabs));
        cut.win.Hot.Active = rnd() % 3 == 0;
        cut.DrawKeys(rnd() % 3 == 0);
        const bool drawKeys = bool(cut.win.DrawKey);
        for (int step = 0; step < 12; ++step) {
            TFakeEditWindow& w = cut.win;
            const int lines = w.LineCount();
            w.First = int(rnd() % 2) * int(rnd() % lines);
            w.Bottom = (1 + int(rnd() % 6)) * TFakeEditWindow::Height;
            w.ShownSlices.clear();
            for (int line = 0; line < lines; ++line) {
                const int length = w.LineLength(w.LineIndex(line));
                const int a = int(rnd() % std::uint32_t(length + 40));
                w.ShownSlices[line] = {a, a + 20 + int(rnd() % 100)};
            }
            const int size = int(w.Text().size());
            w.Sel = int(rnd() % std::uint32_t(size + 1));
            w.SelLen = rnd() % 4 == 0 ? int(rnd() % 200) : 0;
            w.Always = rnd() % 2;
            if (step % 2 == 1) {
                // An edit, mostly inside or near a shown slice, through the pass's notice of it.
                auto [line, slice] = *std::next(w.ShownSlices.begin(), int(rnd() % w.ShownSlices.size()));
                const int start = w.LineIndex(line);
                int at = start + std::min(slice.first + int(rnd() % 120), w.LineLength(start));
                if (rnd() % 4 == 0) at = int(rnd() % std::uint32_t(size + 1));
                const int removed = std::min(int(rnd() % 4), size - at);
                static const char16_t* const inserts[] = {u"/*", u"*/", u"#", u"x", u"select ",
                                                          u"-",  u"\t", u"}", u""};
                std::u16string added = inserts[rnd() % std::size(inserts)];
                if (!w.Tabs && added == u"\t") added = u" ";
                std::u16string text = w.Text();
                // Never split a CR LF: the window's lines are cut at CR LF only.
                if (text.substr(std::size_t(std::max(at - 1, 0)), 2) == u"\r\n" ||
                    text.substr(std::size_t(at), std::size_t(removed)).find_first_of(u"\r\n") !=
                        std::u16string::npos ||
                    (at + removed < size && text[std::size_t(at + removed)] == u'\n'))
                    continue;
                text.replace(std::size_t(at), std::size_t(removed), added);
                w.SetText(text);
                cut.pass.TextChanged(at, removed, int(added.size()));
            }
            cut.Run();

            Editor whole(extraKeys);
            whole.win.SetText(w.Text());
            whole.win.First = w.First;
            whole.win.Bottom = w.Bottom;
            whole.win.Sel = w.Sel;
            whole.win.SelLen = w.SelLen;
            whole.win.Always = w.Always;
            whole.win.Tabs = w.Tabs;
            whole.win.Hot.Active = w.Hot.Active;
            whole.DrawKeys(drawKeys);
            whole.Run();
            ExpectSameInShownColumns(cut, whole,
                                     "trial " + std::to_string(trial) + " step " + std::to_string(step));
            if (HasFatalFailure()) return;
        }
    }
}

// Quotes pair up from the start of the line, so one quote typed near the start turns every string
// after it inside out, up to the shown part far to the right; what the pass remembered about the
// line past the edit must not survive it.
TEST(ShownColumns, AnEditNearTheStartReachesTheViewFarRight) {
    Editor cut(false), whole(false);
    for (Editor* e : {&cut, &whole}) {
        TColorRule& strings = e->pass.ColorRules.Add();
        strings.ZOrder = 2;
        strings.SetKeyBegEndLst({u"\";\";RED"});
    }
    std::u16string line;
    while (line.size() < 60000)
        line += u"x \"ab\" ";
    // A short line below the long one is on screen too: the scan walks the long line to reach it.
    line += u"\r\nx \"ab\" y";
    cut.win.SetText(line);
    const int view = 50000;
    cut.win.ShownSlices[0] = {view, view + 80};
    cut.Run();
    EXPECT_EQ(cut.win.SeenColor(view), std::nullopt); // the 'x' between two strings
    for (const auto& [at, typed] : {std::pair{10, u'"'}, {30000, u'"'}, {view - 3, u'"'}, {20000, u'y'}}) {
        line.insert(std::size_t(at), 1, typed);
        cut.win.SetText(line);
        cut.pass.TextChanged(at, 0, 1);
        cut.Run();
        whole.win.SetText(line);
        whole.Run();
        ExpectSameInShownColumns(cut, whole, "typed at " + std::to_string(at));
    }
    EXPECT_EQ(cut.win.SeenColor(view + 4), clRed); // three quotes later: the 'x' is now in a string
    EXPECT_EQ(cut.win.SeenColor(cut.win.IndexOf(u"ab\" y")), std::nullopt);
}

// Typing in a long line: after the first pass has learnt the line, each pass reads about as much of
// the text for a 2,000,000-character line as for a 20,000-character one.
TEST(ShownColumns, TypingReadsTheSameWhateverTheLineLength) {
    std::vector<long> reads;
    for (const int length : {20000, 2000000}) {
        Editor e(false);
        std::u16string line = u"insert into t values ";
        while (int(line.size()) < length)
            line += u"(1,'a /* b',\t\"#\"),";
        line += u" /* the end */";
        e.win.SetText(u"select 1\r\n" + line + u"\r\nselect 2");
        e.win.Tabs = true;
        e.win.Always = true;
        const int middle = e.win.LineIndex(1) + length / 2;
        e.win.ShownSlices[1] = {length / 2 - 40, length / 2 + 40};
        e.win.Sel = middle;
        e.Run();
        long copied = 0;
        for (int key = 0; key < 5; ++key) {
            std::u16string text = e.win.Text();
            text.insert(std::size_t(middle + key), 1, u'x');
            e.win.SetText(text);
            e.pass.TextChanged(middle + key, 0, 1);
            e.win.Sel = middle + key + 1;
            e.Run();
            for (const auto& [start, end] : e.win.RangesCopied)
                copied += end - start;
        }
        EXPECT_LT(copied, 5 * 2000) << length;
        reads.push_back(copied);
        // The first '/*' of the line is closed only at its very end: the shown part is comment.
        EXPECT_EQ(e.win.SeenColor(middle), clTeal);
        EXPECT_EQ(e.win.SeenColor(e.win.IndexOf(u"select 2")), clBlue);
    }
    EXPECT_LE(reads[1], reads[0] + reads[0] / 10);
}

// The memo of marker places: what an edit may have changed is searched again, the rest moves.
TEST(MarkerMemo, EditsForgetOnlyWhatTheyTouch) {
    TFakeEditWindow win;
    TMarkerMemo memo(win);
    std::u16string text(5000, u'x');
    text.replace(4000, 2, u"*/");
    win.SetText(text);
    memo.Limit = int(text.size());
    EXPECT_EQ(memo.Find(u"*/", 0), 4000);
    EXPECT_EQ(memo.Find(u"*/", 4001), -1);
    const long learnt = memo.CharsRead();

    // A '*' typed before the '/' of "*/" would not make a new marker, but one typed at 2000 next to
    // a '/' does; the marker at 4000 moves by one.
    text.insert(2000, u"*/");
    win.SetText(text);
    memo.TextChanged(2000, 0, 2);
    EXPECT_EQ(memo.Find(u"*/", 0), 2000);
    EXPECT_EQ(memo.Find(u"*/", 2001), 4002);
    EXPECT_LT(memo.CharsRead() - learnt, 10);

    // Splitting a marker removes it; joining its halves again brings it back.
    text.erase(4003, 1);
    win.SetText(text);
    memo.TextChanged(4003, 1, 0);
    EXPECT_EQ(memo.Find(u"*/", 2001), -1);
    text.insert(4003, u"/");
    win.SetText(text);
    memo.TextChanged(4003, 0, 1);
    EXPECT_EQ(memo.Find(u"*/", 2001), 4002);
    // The limit cuts a marker that does not end before it.
    memo.Limit = 4003;
    EXPECT_EQ(memo.Find(u"*/", 2001), -1);
}

// An edit before many known occurrences keeps only the nearest; the others are found again.
TEST(MarkerMemo, ManyOccurrencesAfterAnEdit) {
    TFakeEditWindow win;
    TMarkerMemo memo(win);
    std::u16string text;
    while (text.size() < 100000)
        text += u"ab */ ";
    win.SetText(text);
    memo.Limit = int(text.size());
    std::vector<int> before;
    for (int p = memo.Find(u"*/", 0); p >= 0; p = memo.Find(u"*/", p + 1))
        before.push_back(p);
    ASSERT_EQ(before.size(), text.size() / 6);
    text.insert(3, u"x*/");
    win.SetText(text);
    memo.TextChanged(3, 0, 3);
    memo.Limit = int(text.size());
    std::vector<int> after;
    for (int p = memo.Find(u"*/", 0); p >= 0; p = memo.Find(u"*/", p + 1))
        after.push_back(p);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after[0], 4);
    for (std::size_t k = 0; k < before.size(); ++k)
        ASSERT_EQ(after[k + 1], before[k] + 3) << k;
}
