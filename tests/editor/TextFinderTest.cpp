// The editor's search, on a document whose one line is longer than a search reads at a time: what
// it finds must be what a search over the whole line in memory finds, wherever the windows it
// reads are cut.

#include "editor/TextFinder.h"
#include "editor/ColorMemo.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using TFound = std::vector<std::pair<int, int>>;

bool WordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Every match over the whole line in memory, the way the finder claims to find them.
TFound Expected(const QString& line, const QString& what, TFindOptions o) {
    TFound out;
    const QRegularExpression re(
        o.RegExp ? what : QRegularExpression::escape(what),
        QRegularExpression::UseUnicodePropertiesOption |
            (o.MatchCase ? QRegularExpression::NoPatternOption : QRegularExpression::CaseInsensitiveOption));
    const auto at = [&](qsizetype i) { return i >= 0 && i < line.size() && WordChar(line[i]); };
    for (qsizetype s = 0; s <= line.size();) {
        const QRegularExpressionMatch m = re.match(line, s);
        if (!m.hasMatch()) break;
        const qsizetype start = m.capturedStart(), length = m.capturedLength();
        const bool word = !o.WholeWord || length == 0 ||
                          (!(at(start) && at(start - 1)) && !(at(start + length - 1) && at(start + length)));
        if (!word) {
            s = start + 1;
            continue;
        }
        out.emplace_back(int(start), int(length));
        s = length > 0 ? start + length : start + 1;
    }
    return out;
}

TEST(TextFinder, FindsInALongLineWhatTheWholeLineGives) {
    // Marks sit on both sides of the places a 64 K window would cut, and one match is longer than
    // a window.
    QString line(300000, QLatin1Char('.'));
    const auto put = [&](int at, const char* text) {
        line.replace(at, int(qstrlen(text)), QLatin1String(text));
    };
    for (const int cut : {65536, 131072, 196608}) {
        put(cut - 3, "abc12345");
        put(cut - 40, "Word");
        put(cut + 20, "word_x");
    }
    put(1000, "<start");
    put(140000, "end>");
    put(250000, "\xC3"); // not ASCII: the search must not trip over it
    TColorMemo memo;
    memo.SetText(QStringLiteral("first line abc1\n") + line + QStringLiteral("\nabc9 last"));
    const int lineStart = memo.document()->findBlockByNumber(1).position();

    struct TCase {
        QString What;
        TFindOptions Options;
    };
    const TCase cases[] = {
        {QStringLiteral("abc1"), {}},
        {QStringLiteral("ABC1"), {true, false, false}}, // as typed: nowhere
        {QStringLiteral("word"), {false, true, false}}, // "word_x" is no whole word
        {QStringLiteral("word"), {}},
        {QStringLiteral("[a-c]+\\d{3,}"), {false, false, true}},
        {QStringLiteral("<start.*end>"), {false, false, true}}, // spans two windows' cuts
        {QStringLiteral("(?<=c)\\d+"), {false, false, true}},
        {QStringLiteral("\\bword\\b"), {false, false, true}},
        {QStringLiteral("x$"), {false, false, true}},
    };
    for (const TCase& c : cases) {
        const TTextFinder finder(c.What, c.Options);
        TFound found;
        finder.EachMatch(*memo.document(), [&](const TTextMatch& m) {
            if (m.Start >= lineStart && m.Start <= lineStart + line.size())
                found.emplace_back(m.Start - lineStart, m.Length);
        });
        EXPECT_EQ(found, Expected(line, c.What, c.Options)) << c.What.toStdString();
        // Next and Previous step through the same matches, one at a time.
        if (found.size() > 1) {
            const TTextMatch next = finder.Next(*memo.document(), lineStart + found.front().first +
                                                                      std::max(1, found.front().second));
            EXPECT_EQ(next.Start - lineStart, found[1].first) << c.What.toStdString();
            const TTextMatch previous = finder.Previous(*memo.document(), lineStart + found.back().first);
            EXPECT_EQ(previous.Start - lineStart, found[found.size() - 2].first) << c.What.toStdString();
        }
    }
}

TEST(TextFinder, EmptyMatchesEndAndReplacementsTakeTheGroups) {
    TColorMemo memo;
    memo.SetText(QStringLiteral("baaac\n\nx"));
    const TTextFinder star(QStringLiteral("a*"), {false, false, true});
    TFound found;
    star.EachMatch(*memo.document(), [&](const TTextMatch& m) { found.emplace_back(m.Start, m.Length); });
    EXPECT_EQ(found, (TFound{{0, 0}, {1, 3}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}}));

    const TTextFinder bad(QStringLiteral("a(b"), {false, false, true});
    EXPECT_FALSE(bad.IsUsable());
    EXPECT_FALSE(bad.ErrorText().isEmpty());
    EXPECT_FALSE(bad.Next(*memo.document(), 0).Found());

    const TTextFinder groups(QStringLiteral("(b)(a+)"), {false, false, true});
    const TTextMatch m = groups.Next(*memo.document(), 0);
    ASSERT_TRUE(m.Found());
    EXPECT_EQ(groups.Replacement(QStringLiteral("\\2-\\1\\\\\\0\\9\\q"), m),
              QStringLiteral("aaa-b\\baaa\\q"));
    EXPECT_EQ(TTextFinder(QStringLiteral("b"), {}).Replacement(QStringLiteral("\\1"), m),
              QStringLiteral("\\1"));
}

} // namespace
