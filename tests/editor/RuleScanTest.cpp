#include "editor/internal/RuleScan.h"
#include "TestText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One rule of a collection whose host collects the extent, scanned over a text that starts at
// global index `from`.
struct Scanner {
    TScanHost host;
    TDrawRules rules{&host};
    TKeyDescrList list;
    TColorRule& rule = rules.Add();
    std::u16string text;

    std::vector<TKeyDescr> Scan(std::u16string_view s, int from = 0, int count = 0) {
        text = s;
        const int n = rule.Scan(count, TTextStretch{text, from}, list);
        return std::vector<TKeyDescr>(&list[count], &list[count] + (n - count));
    }
    // The spanned pieces of the text, "start:text" each.
    std::vector<std::string> Pieces(std::u16string_view s, int from = 0) {
        std::vector<std::string> out;
        for (const auto& d : Scan(s, from))
            out.push_back(
                std::to_string(d.KeyStart) + ":" +
                A(text.substr(std::size_t(d.KeyStart - from), std::size_t(d.KeyEnd - d.KeyStart + 1))));
        return out;
    }
    void Keys(const TStringList& keys, bool partWord = false) {
        rule.KeyDrawingType = dtKeyShow;
        rule.PartWord = partWord;
        rule.SetKeywords(keys);
    }
};

using Pieces = std::vector<std::string>;

} // namespace

TEST(KeywordScan, WholeWordsWithLettersAndAtAsWordCharacters) {
    Scanner s;
    s.Keys({u"count"});
    EXPECT_EQ(s.Pieces(u"count( Count my_count count1 recount counter @count"),
              (Pieces{"0:count", "7:Count", "16:count", "22:count"}));
    const auto spans = s.Scan(u"x count");
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].KeyFromList, 1);
    EXPECT_EQ(spans[0].KeyColor, clRed);
}

TEST(KeywordScan, PartWordMatchesInsideWords) {
    Scanner s;
    s.Keys({u"(", u"IN"}, true);
    EXPECT_EQ(s.Pieces(u"f((x)) JOIN in"), (Pieces{"1:(", "2:(", "9:IN", "12:in"}));
}

TEST(KeywordScan, StretchStartCountsAsNonWordAndIndexesStayGlobal) {
    Scanner s;
    s.Keys({u"FROM"});
    EXPECT_EQ(s.Pieces(u"from t", 500), (Pieces{"500:from"}));
}

TEST(KeywordScan, KeysInTableOrderAndLaterSearchFromPastTheOccurrence) {
    Scanner s;
    s.Keys({u"B", u"A"}, true);
    EXPECT_EQ(s.Pieces(u"ABAB"), (Pieces{"1:B", "3:B", "0:A", "2:A"}));
    // The occurrence at 1 is no whole word; the search goes on after it, so the whole word at 3
    // that overlaps it is never seen.
    s.Keys({u"A-A"});
    EXPECT_TRUE(s.Scan(u"xA-A-A").empty());
    s.Keys({u"IN", u"INT"}, true);
    EXPECT_EQ(s.Pieces(u"JOINT"), (Pieces{"2:IN", "2:INT"}));
}

TEST(KeywordScan, CaseAndUnitsBeyondAscii) {
    Scanner s;
    s.rule.SetKeyCase(true);
    s.Keys({u"Select"});
    EXPECT_EQ(s.Pieces(u"select Select SELECT"), (Pieces{"7:Select"}));
    // Only the low byte of U+0141 equals 'A': no match. 'ü' is no word character.
    s.rule.SetKeyCase(false);
    s.Keys({u"A", u"SELECT"}, false);
    EXPECT_EQ(s.Pieces(u"\u0141 a selectü"), (Pieces{"2:a", "4:select"}));
}

TEST(KeywordScan, KeysLongerThan31UnitsMatchWhole) {
    Scanner s;
    const std::u16string key = u"a_key_much_longer_than_thirty_one_units";
    s.Keys({key});
    const std::u16string text = u"x " + key.substr(0, 31) + u" " + key + u" y";
    const auto spans = s.Scan(text);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].KeyStart, 34);
    EXPECT_EQ(spans[0].KeyEnd, 34 + int(key.size()) - 1);
}

TEST(BeginEndScan, EarliestBeginWinsAndUnclosedBeginEndsTheScan) {
    Scanner s;
    s.rule.SetKeyBegEndLst({u"/*;*/", u"(*;*)"});
    EXPECT_EQ(s.Pieces(u"x (* y *) /* z */"), (Pieces{"2:(* y *)", "10:/* z */"}));
    EXPECT_EQ(s.Pieces(u"/* a */ /* c (* d *)"), (Pieces{"0:/* a */"}));
    s.rule.SetKeyBegEndLst({u"REM;END"});
    EXPECT_TRUE(s.Scan(u"rem x end").empty()); // markers compare with case as written
}

TEST(BeginEndScan, EndSearchedFromTheCharacterAfterTheBeginMarkersFirst) {
    Scanner s;
    s.rule.SetKeyBegEndLst({u"/*;*/"});
    EXPECT_EQ(s.Pieces(u"/*/"), (Pieces{"0:/*/"}));
    EXPECT_EQ(s.Pieces(u"x /* a */* b */"), (Pieces{"2:/* a */", "8:/* b */"}));
}

TEST(BeginEndScan, TieGoesToTheEarlierEntryAndAnEmptyEntryEndsTheTable) {
    Scanner s;
    s.rule.SetKeyBegEndLst({u"/*;*/;red", u"/;/;blue"});
    auto spans = s.Scan(u"/* x */");
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].KeyColor, clRed);
    s.rule.SetKeyBegEndLst({u"/*;*/", u";bad", u"(*;*)"});
    EXPECT_EQ(s.Pieces(u"(* y *) /* z */"), (Pieces{"8:/* z */"}));
    s.rule.SetKeyBegEndLst({u"a;"});
    EXPECT_TRUE(s.Scan(u"a b a").empty()); // an empty end marker is never found
}

TEST(LineEndScan, ToTheLineEndOrTheStretchEnd) {
    Scanner s;
    s.rule.KeyDrawingType = dtBeginLineEnd;
    s.rule.SetKeyLineEndLst({u"#", u"--"});
    EXPECT_EQ(s.Pieces(u"a # b\r\nc -- d # e\r\n# f"), (Pieces{"2:# b", "9:-- d # e", "19:# f"}));
    EXPECT_EQ(s.Pieces(u"ab#"), (Pieces{"2:#"}));
}

TEST(EventScan, SpansFromTheHandlerOffsetFromTheStretch) {
    Scanner s;
    s.rule.KeyDrawingType = dtEventDraw;
    s.rule.ZOrder = 7;
    int calls = 0;
    s.host.OnDraw = [&](TColorRule& sender, std::u16string_view from, std::span<TKeyDescr> a, int& items) {
        ++calls;
        EXPECT_EQ(&sender, &s.rule);
        EXPECT_EQ(A(from), "abcdef");
        EXPECT_EQ(from.data()[from.size()], 0);
        EXPECT_EQ(a.size(), 10u);
        EXPECT_EQ(items, 0);
        for (const auto& d : a)
            EXPECT_EQ(d.KeyStart | d.KeyEnd | int(d.KeyColor) | d.KeyZOrder, 0);
        a[0] = TKeyDescr{1, 2, clBlue, 0, 1};
        a[1] = TKeyDescr{4, 5, clTeal, 5, 0};
        a[2] = TKeyDescr{5, 6, clTeal, 5, 0}; // reaches past the stretch: ignored
        a[3] = TKeyDescr{-1, 0, clTeal, 5, 0};
        items = 4;
    };
    EXPECT_TRUE(s.Scan(u"abcdef", 100).empty()); // no buffer yet: no call
    EXPECT_EQ(calls, 0);
    s.host.SetColorLimMax(10);
    const auto spans = s.Scan(u"abcdef", 100);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].KeyStart, 101);
    EXPECT_EQ(spans[0].KeyEnd, 102);
    EXPECT_EQ(spans[0].KeyZOrder, 7);
    EXPECT_EQ(spans[0].KeyFromList, 0);
    EXPECT_EQ(spans[1].KeyZOrder, 5);
    EXPECT_EQ(spans[1].KeyColor, clTeal);

    // A count beyond the buffer is cut to it.
    s.host.OnDraw = [](TColorRule&, std::u16string_view, std::span<TKeyDescr>, int& items) { items = 1000; };
    EXPECT_EQ(s.Scan(u"abcdef", 100).size(), 10u);
    s.host.SetColorLimMax(0);
    EXPECT_TRUE(s.Scan(u"abcdef", 100).empty());
}

TEST(ProducerContract, AppendsFromCountWidensTheExtentAndReusesSlots) {
    Scanner s;
    s.Keys({u"ab"}, true);
    s.host.Widen(TKeyDescr{40, 60, 0, 0, 0});
    s.list.Slot(2) = TKeyDescr{40, 60, clTeal, 0, 0};
    const auto spans = s.Scan(u"ab ab ab", 10, 3);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(s.list.Count(), 6);
    EXPECT_EQ(s.list[2].KeyColor, clTeal); // slots below Count are left alone
    EXPECT_EQ(s.host.MinPos(), 10);
    EXPECT_EQ(s.host.MaxPos(), 60);
    s.Scan(u"ab", 0, 0);
    EXPECT_EQ(s.list.Count(), 6); // the list never shrinks
    EXPECT_EQ(s.host.MinPos(), 0);
}

namespace {

// The plain matcher: one substring search per key (or per marker and position), as the scans are
// defined. The scans visit each position once instead, and must give exactly the same spans.
std::vector<std::pair<int, int>> PlainKeys(const TStringList& keys, std::u16string text, bool partWord) {
    auto word = [](char16_t c) { return (c >= u'@' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    for (auto& c : text)
        c = AsciiUpper(c);
    std::vector<std::pair<int, int>> out;
    for (auto key : keys) {
        if (key.find_first_not_of(u' ') == std::u16string::npos) continue; // blank keys are skipped
        for (auto& c : key)
            c = AsciiUpper(c);
        for (auto p = text.find(key); p != std::u16string::npos; p = text.find(key, p + key.size())) {
            const bool whole = (p == 0 || !word(text[p - 1])) &&
                               (p + key.size() == text.size() || !word(text[p + key.size()]));
            if (partWord || whole) out.emplace_back(int(p), int(p + key.size()) - 1);
        }
    }
    return out;
}

std::vector<std::pair<int, int>>
PlainBeginEnd(const std::vector<std::pair<std::u16string, std::u16string>>& pairs,
              const std::u16string& text) {
    std::vector<std::pair<int, int>> out;
    for (std::size_t p = 0;;) {
        std::size_t best = std::u16string::npos, winner = 0;
        for (std::size_t i = 0; i < pairs.size(); ++i)
            if (auto at = text.find(pairs[i].first, p); at < best) best = at, winner = i;
        if (best == std::u16string::npos) break;
        auto e = text.find(pairs[winner].second, best + 1);
        if (e == std::u16string::npos) break;
        out.emplace_back(int(best), int(e + pairs[winner].second.size()) - 1);
        p = e + 1;
    }
    return out;
}

std::u16string RandomText(unsigned& seed, std::size_t n, std::u16string_view alphabet) {
    std::u16string s;
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s += alphabet[(seed >> 16) % alphabet.size()];
    }
    return s;
}

} // namespace

TEST(ScansAgreeWithPlainSearch, RandomTextsAndKeys) {
    unsigned seed = 7;
    for (int round = 0; round < 300; ++round) {
        Scanner s;
        TStringList keys;
        for (int k = 0; k < 12; ++k) {
            seed = seed * 1103515245u + 12345u;
            keys.push_back(RandomText(seed, 1 + (seed >> 16) % 4, u"abAB-@_1 \u0141"));
        }
        const bool partWord = round % 2 == 1;
        s.Keys(keys, partWord);
        const std::u16string text = RandomText(seed, 200, u"abAB-@_1 \u0141\u0162");
        std::vector<std::pair<int, int>> got;
        for (const auto& d : s.Scan(text))
            got.emplace_back(d.KeyStart, d.KeyEnd);
        ASSERT_EQ(got, PlainKeys(keys, text, partWord)) << "round " << round;

        std::vector<std::pair<std::u16string, std::u16string>> pairs;
        TStringList lines;
        for (int m = 0; m < 3; ++m) {
            pairs.emplace_back(RandomText(seed, 1 + m % 2, u"ab*/"),
                               RandomText(seed, 1 + (m + 1) % 2, u"ab*/"));
            lines.push_back(pairs.back().first + u";" + pairs.back().second);
        }
        s.rule.KeyDrawingType = dtBeginEnd;
        s.rule.SetKeyBegEndLst(lines);
        const std::u16string marked = RandomText(seed, 200, u"ab*/ xy");
        got.clear();
        for (const auto& d : s.Scan(marked))
            got.emplace_back(d.KeyStart, d.KeyEnd);
        ASSERT_EQ(got, PlainBeginEnd(pairs, marked)) << "round " << round;
    }
}
