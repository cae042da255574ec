#include "editor/TextFinder.h"

#include "editor/TextView.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace {

// How much of a long line one read takes.
constexpr int Window = 1 << 16;
// Text before a search's start that a regular expression may look back on (\b, look-behinds).
constexpr int Lead = 256;
// How far beyond the view a match shown in it is followed.
constexpr int ShownReach = 4096;

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.isMark();
}

// A lone surrogate (in the text, or left by a window's cut) would make the expression engine refuse
// the whole subject; in its place the replacement character keeps every column where it was.
void MendSurrogates(QString& text) {
    QChar* c = text.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (c[i].isHighSurrogate() && i + 1 < n && c[i + 1].isLowSurrogate())
            ++i;
        else if (c[i].isSurrogate())
            c[i] = QChar::ReplacementCharacter;
    }
}

} // namespace

// Reads one line for a run of searches from left to right, keeping the window it read while the
// searches stay inside it.
class TTextFinder::TBlockScan {
public:
    // `reach`: the column a read may go up to (the line's end for an exact search).
    TBlockScan(const TTextFinder& finder, const QTextBlock& block, int reach = INT_MAX)
        : F(finder), B(block), Len(block.length() - 1), Reach(std::clamp(reach, 0, Len)) {}

    // The first match that starts in the columns [s, last); Start is a column of the line.
    TTextMatch From(int s, int last) { return F.FByRegex ? RegexFrom(s, last) : PlainFrom(s, last); }

private:
    void Load(int from, int to) {
        A = from;
        E = to;
        Text = TTextView::BlockText(B, A, E);
        if (F.FByRegex) MendSurrogates(Text);
    }

    QChar At(int column) const {
        if (column >= A && column < E) return Text[column - A];
        return column >= 0 && column < Len ? B.document()->characterAt(B.position() + column) : QChar();
    }

    // A word's first and last characters may not have word characters beside them; a match that
    // starts or ends with another character may touch anything there.
    bool WholeWordAt(int start, int length) const {
        if (!F.FOptions.WholeWord || length == 0) return true;
        if (IsWordChar(At(start)) && IsWordChar(At(start - 1))) return false;
        return !(IsWordChar(At(start + length - 1)) && IsWordChar(At(start + length)));
    }

    TTextMatch PlainFrom(int s, int last) {
        const int n = int(F.FWhat.size());
        last = std::min(last, Len - n + 1);
        const Qt::CaseSensitivity cs = F.FOptions.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        while (s < last) {
            if (E < 0 || s < A || (s + n > E && E < Len))
                Load(s, std::min({Len, s + Window + n - 1, std::max(Reach, s) + n - 1}));
            const qsizetype i = Text.indexOf(F.FWhat, s - A, cs);
            if (i < 0) {
                // The line read to its end, or as far as the search may read.
                if (E >= Len || E - n + 1 <= s) return {};
                s = E - n + 1; // no start before it fits in this window
                continue;
            }
            const int start = A + int(i);
            if (start >= last) return {};
            if (WholeWordAt(start, n)) return TTextMatch{start, n, {}};
            s = start + 1;
        }
        return {};
    }

    // A window that ends before the line does is searched with partial matching: an attempt that
    // runs into the window's end reports so instead of a match or a failure, and the window grows
    // until the attempt is decided. A match found is the one the whole line would give.
    TTextMatch RegexFrom(int s, int last) {
        last = std::min(last, Len + 1);
        while (s < last) {
            if (E < 0 || A > s - std::min(s, Lead) || s > E || (s == E && E < Len))
                Load(s - std::min(s, Lead), std::max(s, std::min(Reach, s + Window)));
            const bool whole = E >= Len || E >= Reach;
            const QRegularExpressionMatch m = F.FRegex.match(
                Text, s - A,
                whole ? QRegularExpression::NormalMatch : QRegularExpression::PartialPreferFirstMatch,
                QRegularExpression::DontCheckSubjectStringMatchOption);
            if (m.hasMatch()) {
                const int start = A + int(m.capturedStart(0));
                if (start >= last) return {};
                const int length = int(m.capturedLength(0));
                if (WholeWordAt(start, length)) return TTextMatch{start, length, m.capturedTexts()};
                s = start + 1;
            } else if (m.hasPartialMatch()) {
                // Every attempt before the partial one failed; the window grows from there.
                s = std::max(s, A + int(m.capturedStart(0)));
                const int from = s - std::min(s, Lead);
                Load(from, std::min(Reach, E + std::max(Window, E - A)));
            } else {
                if (whole) return {};
                s = E;
            }
        }
        return {};
    }

    const TTextFinder& F;
    QTextBlock B;
    int Len;
    int Reach;
    int A = 0;  // the columns [A, E) read into Text
    int E = -1; // -1: nothing read yet
    QString Text;
};

// Plain text in any letter case goes through the expression engine too: the toolkit's own search
// in any case is several times slower on some texts, and reads a 10 MB line in 40 ms.
TTextFinder::TTextFinder(const QString& what, TFindOptions options)
    : FWhat(what), FOptions(options), FByRegex(options.RegExp || !options.MatchCase) {
    if (!FByRegex) return;
    QRegularExpression::PatternOptions patternOptions = QRegularExpression::UseUnicodePropertiesOption;
    if (!FOptions.MatchCase) patternOptions |= QRegularExpression::CaseInsensitiveOption;
    FRegex = QRegularExpression(FOptions.RegExp ? what : QRegularExpression::escape(what), patternOptions);
    if (FRegex.isValid()) FRegex.optimize();
}

bool TTextFinder::IsUsable() const {
    return !FWhat.isEmpty() && (!FByRegex || FRegex.isValid());
}

QString TTextFinder::ErrorText() const {
    if (!FOptions.RegExp || FWhat.isEmpty() || FRegex.isValid()) return {};
    return QStringLiteral("%1 (at %2)").arg(FRegex.errorString()).arg(FRegex.patternErrorOffset());
}

TTextMatch TTextFinder::Next(const QTextDocument& doc, int from, int to) const {
    if (!IsUsable()) return {};
    from = std::max(from, 0);
    for (QTextBlock b = doc.findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        // A start may lie at the line's end (an empty match there), so up to length - 1 inclusive.
        const int first = std::max(0, from - b.position());
        const int last = int(std::min<qint64>(b.length(), qint64(to) - b.position()));
        if (first >= last) continue;
        TTextMatch m = TBlockScan(*this, b).From(first, last);
        if (m.Found()) {
            m.Start += b.position();
            return m;
        }
    }
    return {};
}

TTextMatch TTextFinder::Previous(const QTextDocument& doc, int before, int from) const {
    if (!IsUsable() || before <= from) return {};
    for (QTextBlock b = doc.findBlock(before - 1); b.isValid() && b.position() + b.length() > from;
         b = b.previous()) {
        const int first = std::max(0, from - b.position());
        const int last = std::min(b.length(), before - b.position());
        // Window by window from the right; in each, the last of its matches from the left.
        for (int hi = last; hi > first;) {
            const int lo = std::max(first, hi - Window);
            TBlockScan scan(*this, b);
            TTextMatch best;
            for (int s = lo; s < hi;) {
                TTextMatch m = scan.From(s, hi);
                if (!m.Found()) break;
                s = m.Start + std::max(1, m.Length);
                best = std::move(m);
            }
            if (best.Found()) {
                best.Start += b.position();
                return best;
            }
            hi = lo;
        }
    }
    return {};
}

void TTextFinder::EachMatch(const QTextDocument& doc,
                            const std::function<void(const TTextMatch&)>& found) const {
    if (!IsUsable()) return;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        TBlockScan scan(*this, b);
        for (int s = 0; s < b.length();) {
            TTextMatch m = scan.From(s, b.length());
            if (!m.Found()) break;
            s = m.Length > 0 ? m.End() : m.Start + 1;
            m.Start += b.position();
            found(m);
        }
    }
}

void TTextFinder::MatchesIn(const QTextBlock& block, int first, int last,
                            std::vector<std::pair<int, int>>& out) const {
    if (!IsUsable()) return;
    // A match that starts left of the view may still reach into it.
    const int before = FOptions.RegExp ? Lead : int(FWhat.size()) - 1;
    TBlockScan scan(*this, block, last + ShownReach);
    for (int s = std::max(0, first - before); s < last;) {
        const TTextMatch m = scan.From(s, last);
        if (!m.Found()) break;
        if (m.End() >= first) out.emplace_back(m.Start, m.Length);
        s = m.Length > 0 ? m.End() : m.Start + 1;
    }
}

QString TTextFinder::Replacement(const QString& with, const TTextMatch& match) const {
    if (!FOptions.RegExp) return with;
    const auto digit = [&](qsizetype i) {
        return i < with.size() && with[i] >= QLatin1Char('0') && with[i] <= QLatin1Char('9')
                   ? with[i].unicode() - u'0'
                   : -1;
    };
    QString out;
    out.reserve(with.size());
    for (qsizetype i = 0; i < with.size(); ++i) {
        if (with[i] != QLatin1Char('\\') || i + 1 == with.size()) {
            out += with[i];
            continue;
        }
        if (int group = digit(i + 1); group >= 0) {
            i += 1;
            // A second digit belongs to the number when the pattern has that many groups.
            if (const int next = digit(i + 1); next >= 0 && group * 10 + next < match.Captures.size()) {
                group = group * 10 + next;
                i += 1;
            }
            if (group < match.Captures.size()) out += match.Captures[group];
            continue;
        }
        const QChar c = with[++i];
        if (c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (c == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (c == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else
            out += QLatin1Char('\\') + QString(c);
    }
    return out;
}
