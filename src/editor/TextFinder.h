#pragma once
// Finding text in the editor's document: plain text (as typed or in any letter case, optionally as
// a whole word) or a regular expression. Matches never cross a line break. Lines are searched one
// by one and a long line a window at a time, so a search copies only the text it passes over, and
// showing the matches in view reads only the columns in view.
//
// Positions are the document's (a line break counts one).

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <climits>
#include <functional>
#include <utility>
#include <vector>

class QTextBlock;
class QTextDocument;

struct TFindOptions {
    bool MatchCase = false;
    bool WholeWord = false;
    bool RegExp = false;
};

struct TTextMatch {
    int Start = -1; // -1: no match
    int Length = 0;
    QStringList Captures; // of a regular expression: the whole match, then each group
    bool Found() const { return Start >= 0; }
    int End() const { return Start + Length; }
};

class TTextFinder {
public:
    TTextFinder(const QString& what, TFindOptions options);

    const QString& What() const { return FWhat; }
    const TFindOptions& Options() const { return FOptions; }
    // False with nothing to find or a regular expression that does not compile: then every search
    // finds nothing.
    bool IsUsable() const;
    // Why the regular expression does not compile; empty when it does.
    QString ErrorText() const;

    // The first match that starts in [from, to).
    TTextMatch Next(const QTextDocument& doc, int from, int to = INT_MAX) const;
    // The last match that starts in [from, before).
    TTextMatch Previous(const QTextDocument& doc, int before, int from = 0) const;
    // Every match from the start, in order. After an empty match the search goes on one character
    // further, so a pattern such as ^ or a* ends.
    void EachMatch(const QTextDocument& doc, const std::function<void(const TTextMatch&)>& found) const;
    // The matches that start in the columns [first, last) of the block or a little before, as
    // (column, length), for showing them. A match is not followed far beyond `last`: one that runs
    // on is cut a few thousand characters after it.
    void MatchesIn(const QTextBlock& block, int first, int last, std::vector<std::pair<int, int>>& out) const;

    // The text that replaces `match`: `with` as it is for plain text. For a regular expression \0 to
    // \99 stand for the whole match and its groups (a group the pattern lacks for nothing), \\ for
    // a backslash, \n for a line break and \t for a tab; any other backslash stays as it is.
    QString Replacement(const QString& with, const TTextMatch& match) const;

private:
    class TBlockScan;

    QString FWhat;
    TFindOptions FOptions;
    bool FByRegex; // through FRegex, else by plain comparison
    QRegularExpression FRegex;
};
