#include "SplitStatements.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

namespace {

using Statements = std::vector<std::string>;

Statements Split(std::string_view text) {
    Statements list;
    SplitStatements(list, text);
    return list;
}

// The scan as the rules state it, one character at a time with plain searches: the reference the
// fast scan is checked against.
Statements Reference(const std::string& t) {
    Statements list;
    std::size_t p = 0, s = 0;
    bool appended = false;
    while (p < t.size()) {
        if (t[p] == '#') {
            const std::size_t q = t.find("\r\n", p);
            if (q == std::string::npos) break;
            p = q + 1;
        } else if (t[p] == '/' && p + 1 < t.size() && t[p + 1] == '*') {
            const std::size_t q = t.find("*/", p);
            p = q == std::string::npos ? p + 1 : q + 2;
        } else if (t[p] == ';') {
            list.push_back(t.substr(s, p - s));
            appended = true;
            s = ++p;
        } else {
            ++p;
        }
    }
    if (!appended) list.push_back(t);
    return list;
}

TEST(SplitStatements, StatementBoundaries) {
    EXPECT_EQ(Split("SELECT 1"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1;\r\nSELECT 2;"), (Statements{"SELECT 1", "\r\nSELECT 2"}));
    EXPECT_EQ(Split("SELECT 1; SELECT 2"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1;"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("a;;b;"), (Statements{"a", "", "b"}));
    EXPECT_EQ(Split(";"), Statements{""});
    EXPECT_EQ(Split(""), Statements{""});
    EXPECT_EQ(Split("  \r\n  "), Statements{"  \r\n  "});
}

TEST(SplitStatements, AppendsToWhatTheListHolds) {
    Statements list{"kept"};
    SplitStatements(list, "x;y;");
    EXPECT_EQ(list, (Statements{"kept", "x", "y"}));
}

TEST(SplitStatements, HashCommentRunsToCrLf) {
    EXPECT_EQ(Split("SELECT 1 # no; split\r\n;"), Statements{"SELECT 1 # no; split\r\n"});
    // A bare LF does not end the comment.
    EXPECT_EQ(Split("# a\n; b\r\n;x;"), (Statements{"# a\n; b\r\n", "x"}));
    // On the last line, with or without a line break, the scan just ends.
    EXPECT_EQ(Split("SELECT 1;\r\n# last; line"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1;\r\n# last; line\r\n"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("# only ; a comment"), Statements{"# only ; a comment"});
    EXPECT_EQ(Split("#"), Statements{"#"});
    EXPECT_EQ(Split("#\r"), Statements{"#\r"});
    // The LF of the pair is an ordinary character again, so a ';' right after it splits.
    EXPECT_EQ(Split("#\r\n;"), Statements{"#\r\n"});
}

TEST(SplitStatements, BlockComments) {
    EXPECT_EQ(Split("SELECT /* a;b */ 1;2"), Statements{"SELECT /* a;b */ 1"});
    EXPECT_EQ(Split("/*/;*/;"), (Statements{"/*/", "*/"})); // "/*/" is already a whole comment
    EXPECT_EQ(Split("/**/;"), Statements{"/**/"});
    EXPECT_EQ(Split("/* ; unclosed; x"), (Statements{"/* ", " unclosed"}));
    EXPECT_EQ(Split("/"), Statements{"/"});
    EXPECT_EQ(Split("/*"), Statements{"/*"});
    EXPECT_EQ(Split("a/;b;"), (Statements{"a/", "b"}));
    // A "#" inside a block comment is part of the comment, and "/*" inside a "#" comment too.
    EXPECT_EQ(Split("/* # */;x;"), (Statements{"/* # */", "x"}));
    EXPECT_EQ(Split("# /*\r\n;*/;"), (Statements{"# /*\r\n", "*/"}));
    // Several unclosed openings: each is an ordinary character, and every later ';' still splits.
    EXPECT_EQ(Split("/*a;/*b;/*c;"), (Statements{"/*a", "/*b", "/*c"}));
}

TEST(SplitStatements, QuotesAndDashCommentsAreNotRecognised) {
    EXPECT_EQ(Split("SELECT 'a;b';"), (Statements{"SELECT 'a", "b'"}));
    EXPECT_EQ(Split("SELECT \"#\";\r\n1;"), Statements{"SELECT \"#\";\r\n1"});
    EXPECT_EQ(Split("SELECT 1 -- c;d\r\n;"), (Statements{"SELECT 1 -- c", "d\r\n"}));
}

TEST(SplitStatements, ViewsPointIntoTheText) {
    const std::string text = "one; two /*;*/;three";
    std::vector<std::string_view> views;
    SplitStatements(views, text);
    ASSERT_EQ(views.size(), 2u);
    EXPECT_EQ(views[0].data(), text.data());
    EXPECT_EQ(views[1], " two /*;*/");
    EXPECT_EQ(views[1].data(), text.data() + 4);
}

// Long texts go through the wide scan: specials at every offset around its block edges.
TEST(SplitStatements, SpecialsAtEveryOffsetOfLongTexts) {
    for (std::size_t length : {15u, 16u, 17u, 63u, 64u, 65u, 130u, 511u, 512u, 513u, 1100u}) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const char* special : {";", "#", "/*", "*/", "\r\n"}) {
                std::string text(length, 'x');
                text.replace(at, std::string(special).size(), special);
                text.resize(length);
                text += ";tail;";
                EXPECT_EQ(Split(text), Reference(text))
                    << "length " << length << " at " << at << " " << special;
            }
        }
    }
}

// Random texts over the characters that matter: the cut equals the reference scan, the statements
// are disjoint pieces of the text in order, and joining them with ";" never exceeds the text.
TEST(SplitStatements, RandomTextsFollowTheRules) {
    std::mt19937 random(20260508);
    const std::string alphabet = ";#/*\r\n ab'\"-";
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 80, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];

        std::vector<std::string_view> views;
        SplitStatements(views, text);
        ASSERT_FALSE(views.empty());
        std::size_t next = 0, joined = 0;
        for (std::string_view v : views) {
            ASSERT_GE(v.data(), text.data() + next) << text;
            ASSERT_LE(v.data() + v.size(), text.data() + text.size()) << text;
            next = static_cast<std::size_t>(v.data() - text.data()) + v.size();
            joined += v.size();
        }
        joined += views.size() - 1;
        ASSERT_LE(joined, text.size()) << text;
        ASSERT_EQ(Split(text), Reference(text)) << text;
    }
    // Long texts with sparse specials, so comments jump across the scan's windows.
    for (int round = 0; round < 300; ++round) {
        std::string text(random() % 5000, 'x');
        for (char& c : text)
            if (random() % 40 == 0) c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(Split(text), Reference(text)) << text;
    }
}

// Texts full of unclosed "/*" or of "#" comments must not make the scan quadratic: 200,000
// unclosed openings would take minutes if each searched to the end.
TEST(SplitStatements, UnclosedCommentsStayLinear) {
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "/*;";
    const auto start = std::chrono::steady_clock::now();
    Statements list;
    SplitStatements(list, text);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(list.size(), 200000u);
    EXPECT_EQ(list.back(), "/*");
    // Linear takes milliseconds; quadratic would take minutes.
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

} // namespace
