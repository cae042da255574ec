#include "editor/ColorRules.h"
#include "TestText.h"
#include "editor/internal/RuleScan.h"

#include <gtest/gtest.h>

TEST(ColorText, NamesAndHexReadAsRrggbb) {
    EXPECT_EQ(ParseColorText(u"#FF0000"), 0x0000FFu);
    EXPECT_EQ(ParseColorText(u"$FF0000"), 0x0000FFu);
    EXPECT_EQ(ParseColorText(u"FF0000"), 0x0000FFu);
    EXPECT_EQ(ParseColorText(u"abc"), 0xBC0A00u);
    EXPECT_EQ(ParseColorText(u"12"), 0x120000u);
    EXPECT_EQ(ParseColorText(u" blue "), 0xFF0000u);
    EXPECT_EQ(ParseColorText(u"Teal"), 0x808000u);
    EXPECT_EQ(ParseColorText(u"silver"), 0xC0C0C0u);
    // Only the lowest 24 bits count.
    EXPECT_EQ(ParseColorText(u"FF00FF00"), 0x00FF00u);
}

TEST(ColorText, UnreadableTextIsWhite) {
    for (auto text :
         {u"clBlue", u"", u"#", u"$12$", u"-FF", u"x#00FF00", u"1FF0000FF", u"BLUEBLUEBLUE", u"# FF"})
        EXPECT_EQ(ParseColorText(text), clWhite) << A(text);
}

namespace {

std::string Keys(const TColorRule& r) {
    std::string out;
    for (std::size_t i = 0; i < r.KeyCount(); ++i)
        out += (i ? "|" : "") + A(r.KeyText(i));
    return out;
}

} // namespace

TEST(KeywordList, EntrySyntax) {
    TColorRule r;
    r.SetKeywords(
        {u"select;BLUE", u" from", u";", u"   ", u" ;red", u"a;b;c", u"*", u"x;", u"y; ", u"z;teal"});
    EXPECT_EQ(Keys(r), "SELECT| FROM|A|*|X|Y|Z");
    EXPECT_EQ(r.KeyColorOf(0), clBlue);
    EXPECT_EQ(r.KeyColorOf(1), clRed); // DefKeyColor
    EXPECT_EQ(r.KeyColorOf(2), clWhite);
    EXPECT_EQ(r.KeyColorOf(4), clRed);
    EXPECT_EQ(r.KeyColorOf(5), clRed);
    EXPECT_EQ(r.KeyColorOf(6), clTeal);
    EXPECT_EQ(r.Keywords().size(), 10u); // the list is kept as given
}

TEST(KeywordList, ColourCodesShareAndRunOutAfter41) {
    TColorRule r;
    TStringList list;
    for (int i = 0; i < 42; ++i)
        list.push_back(U("k" + std::to_string(i) + ";" + std::to_string(100 + i)));
    list.push_back(u"again;102"); // a colour met before keeps its code
    r.SetKeywords(list);
    ASSERT_EQ(r.KeyCount(), 43u);
    EXPECT_EQ(r.KeyColorCode(0), 1);
    EXPECT_EQ(r.KeyColorCode(40), 41);
    EXPECT_EQ(r.KeyColorCode(41), 41);
    EXPECT_EQ(r.KeyColorOf(41), r.KeyColorOf(40));
    EXPECT_EQ(r.KeyColorCode(42), 3);
}

TEST(KeywordList, CaseFollowsTheCompilation) {
    TColorRule r;
    r.SetKeywords({u"Select"});
    r.SetKeyCase(true);
    EXPECT_EQ(Keys(r), "SELECT");
    r.KeyDrawingType = dtKeyShow;
    r.Compile();
    EXPECT_EQ(Keys(r), "Select");
}

TEST(MarkerLists, BeginEndEntries) {
    TColorRule r;
    r.SetKeyBegEndLst({u"/*;*/", u"/*abcdefgh;x", u"(*;*);TEAL", u"a;"});
    ASSERT_EQ(r.MarkerCount(), 40);
    const TMarkerPair* m = r.Markers();
    EXPECT_EQ(A(m[0].BegMark) + " " + A(m[0].EndMark), "/* */");
    EXPECT_EQ(m[0].MarkColor, clRed);
    EXPECT_EQ(A(m[1].BegMark) + " " + A(m[1].EndMark), "/*abcd x");
    EXPECT_EQ(m[2].MarkColor, clTeal);
    EXPECT_EQ(A(m[3].BegMark) + "|" + A(m[3].EndMark), "a|");
    EXPECT_TRUE(m[4].BegMark.empty());
}

TEST(MarkerLists, TwoLinesWithoutSeparatorCompileEmptyYetCount) {
    TColorRule r;
    r.KeyBegEndLst() = {u"*/", u"/*"};
    EXPECT_TRUE(r.Compile());
    EXPECT_TRUE(r.Markers()[0].BegMark.empty());
    EXPECT_TRUE(r.Markers()[1].BegMark.empty());
}

TEST(MarkerLists, LineEndEntries) {
    TColorRule r;
    r.DefKeyColor = clBlue;
    r.SetKeyLineEndLst({u"#", u";;TEAL", u";", u"--;red", u";x", u"remark-long", u""});
    const TMarkerPair* m = r.Markers();
    EXPECT_EQ(A(m[0].BegMark), "#");
    EXPECT_EQ(m[0].MarkColor, clBlue);
    EXPECT_EQ(A(m[1].BegMark), ";");
    EXPECT_EQ(m[1].MarkColor, clTeal);
    EXPECT_EQ(A(m[2].BegMark), ";");
    EXPECT_EQ(A(m[3].BegMark), "--");
    EXPECT_EQ(m[3].MarkColor, clRed);
    EXPECT_EQ(A(m[4].BegMark), ";x");
    EXPECT_EQ(A(m[5].BegMark), "remark");
    EXPECT_TRUE(m[6].BegMark.empty());
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(m[i].EndMark.empty());
}

TEST(MarkerLists, OneTableServesBothListsAndHolds40) {
    TColorRule r;
    TStringList many;
    for (int i = 0; i < 45; ++i)
        many.push_back(U("b" + std::to_string(i) + ";e"));
    r.SetKeyBegEndLst(many);
    EXPECT_EQ(A(r.Markers()[39].BegMark), "b39");
    r.SetKeyLineEndLst({u"#"});
    EXPECT_EQ(A(r.Markers()[0].BegMark), "#");
    EXPECT_TRUE(r.Markers()[1].BegMark.empty());
    EXPECT_EQ(r.MarkerCount(), 40);
}

TEST(Compile, ContentDependsOnTheKind) {
    TColorRule r;
    r.KeyDrawingType = dtKeyShow;
    EXPECT_FALSE(r.Compile());
    r.Keywords() = {u"select"};
    EXPECT_TRUE(r.Compile());
    EXPECT_EQ(Keys(r), "SELECT");

    TColorRule lineEnd;
    lineEnd.KeyDrawingType = dtBeginLineEnd;
    lineEnd.KeyLineEndLst() = {u"#"};
    lineEnd.KeyBegEndLst() = {u"/*;*/"};
    EXPECT_TRUE(lineEnd.Compile());
    EXPECT_EQ(A(lineEnd.Markers()[0].BegMark), "#"); // the line-end list replaces the begin/end one

    TColorRule event;
    event.KeyDrawingType = dtEventDraw;
    event.Keywords() = {u"select"};
    EXPECT_FALSE(event.Compile());
    EXPECT_EQ(event.KeyCount(), 0u);
}

TEST(Compile, EverySecondPassOnceARuleHasContent) {
    TDrawRules rules;
    auto& r = rules.Add();
    r.KeyDrawingType = dtKeyShow;
    r.Keywords() = {u"a"};
    rules.CompileRules();
    EXPECT_EQ(r.KeyCount(), 1u);
    r.Keywords().push_back(u"b");
    rules.CompileRules();
    EXPECT_EQ(r.KeyCount(), 1u);
    rules.CompileRules();
    EXPECT_EQ(r.KeyCount(), 2u);
}

TEST(Compile, EveryPassWhileNoRuleHasContent) {
    TDrawRules rules;
    auto& r = rules.Add(); // begin/end kind with an empty list: no content
    r.Enabled = false;     // compiled all the same
    for (int pass = 0; pass < 3; ++pass) {
        r.SetKeyLineEndLst({u"#"});
        rules.CompileRules();
        EXPECT_TRUE(r.Markers()[0].BegMark.empty()) << pass;
        EXPECT_TRUE(rules.NeedCompile());
    }
}

TEST(Assign, CopiesSettingsAndListsButNotIntCharOrSelColour) {
    TColorRule src;
    src.KeyDrawingType = dtKeyShow;
    src.ZOrder = 7;
    src.KeyMaxHeight = 3;
    src.SetKeyCase(true);
    src.PartWord = true;
    src.Enabled = false;
    src.DefKeyColor = clTeal;
    src.KeyBrushColor = clBlue;
    src.IntChar = u"src";
    src.KeySelColor = clBlue;
    src.SetKeywords({u"Word"});
    src.SetKeyBegEndLst({u"/*;*/"});

    TDrawRules rules;
    TColorRule& dst = rules.Add();
    dst.IntChar = u"dst";
    dst.Assign(src);
    EXPECT_EQ(dst.KeyDrawingType, dtKeyShow);
    EXPECT_EQ(dst.ZOrder, 7);
    EXPECT_EQ(dst.KeyMaxHeight, 3);
    EXPECT_TRUE(dst.KeyCase());
    EXPECT_TRUE(dst.PartWord);
    EXPECT_FALSE(dst.Enabled);
    EXPECT_EQ(dst.DefKeyColor, clTeal);
    EXPECT_EQ(dst.KeyBrushColor, clBlue);
    EXPECT_EQ(A(dst.IntChar), "dst");
    EXPECT_EQ(dst.KeySelColor, clYellow);
    EXPECT_EQ(Keys(dst), "Word"); // compiled with the copied case, in the copied colour
    EXPECT_EQ(dst.KeyColorOf(0), clTeal);
    EXPECT_EQ(A(dst.Markers()[0].BegMark), "/*");

    TScanHost host;
    TDrawRules copy(&host);
    copy.Assign(rules);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy[0].Memo(), &host);
    EXPECT_EQ(Keys(copy[0]), "Word");
}
