#pragma once
// Where the characters of one line of the editor lie across, without shaping the line. A line is
// cut into segments of at most a few hundred characters, each tab a segment of its own; a segment's
// width is the sum of its characters' advances, or its shaped width once it has been shaped. The x
// of a column is then a sum over one segment, so a 10 MB line costs no more per keystroke than a
// short one: an edit re-cuts only the segments it touched.

#include <QFont>
#include <QString>
#include <QStringView>
#include <QTextBlockUserData>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

// The advance of each character in one font, looked up once per character.
class TCharWidths {
public:
    void SetFont(const QFont& font);
    const QFont& Font() const { return FFont; }
    // The sum of the advances of the text's characters (a surrogate pair counts once).
    qreal Of(QStringView text) const;
    // Characters whose look depends on their neighbours (marks, joining and right-to-left scripts)
    // or that some fonts draw as boxes: a segment holding one is measured by shaping it.
    static bool NeedsShaping(char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0) || c >= 0x0300; }

private:
    qreal Of(char32_t c) const;
    QFont FFont;
    mutable std::vector<float> FBmp; // NaN: not looked up yet
    mutable std::vector<std::pair<char32_t, float>> FOther;
};

struct TSegment {
    int Start = 0; // column of the first character
    int Length = 0;
    qreal Width = 0; // unused for a tab, whose width depends on where it stands
    bool Tab = false;
    bool Complex = false; // holds a character that needs shaping
    bool Shaped = false;  // Width is the shaped width
};

class TLineMetrics : public QTextBlockUserData {
public:
    // The text of the line's columns [from, to).
    using TTextOf = std::function<QString(int from, int to)>;

    TLineMetrics(int generation, qreal tabStop) : Generation(generation), FTabStop(tabStop) {}
    ~TLineMetrics() override;

    const int Generation; // the font and tab stops the widths belong to

    void Build(QStringView text, const TCharWidths& widths);
    // The line changed at `column`: `removed` characters went, `added` came. Only the segments the
    // change touched are cut again from the new text.
    void Change(int column, int removed, int added, const TTextOf& textOf, const TCharWidths& widths);

    int Length() const { return FLength; }
    // Changes whenever the segments are cut again; unique among all lines.
    std::uint64_t Version() const { return FVersion; }
    qreal Width() const;
    const std::vector<TSegment>& Segments() const { return FSegs; }
    // The segment holding the column (the last one for the line's end); -1 for an empty line.
    int SegmentAt(int column) const;
    // The segment under x, clamped to the line.
    int SegmentAtX(qreal x) const;
    qreal SegmentX(int segment) const;
    // Gives a shaped segment its true width; what lies right of it moves along.
    void SetShapedWidth(int segment, qreal width);

    // Enters the line's width in a tally of all lines' widths, or brings its entry up to date; a
    // line that goes takes its entry with it, so the tally always knows the widest line.
    void Tally(std::multiset<qreal>& tally);

    // The x of a column, with `within` measuring inside a segment that needs shaping (nullptr: by the
    // character widths).
    qreal XOf(int column, const TCharWidths& widths, const TTextOf& textOf,
              const std::function<qreal(int segment, int offset)>& within = {}) const;

private:
    std::vector<TSegment> Cut(QStringView text, int start, const TCharWidths& widths) const;
    void UpdateX() const;

    std::vector<TSegment> FSegs;
    mutable std::vector<qreal> FX; // x of each segment's start, valid up to FValidX
    mutable std::size_t FValidX = 0;
    int FLength = 0;
    qreal FTabStop = 0;
    std::uint64_t FVersion = 0;
    std::multiset<qreal>* FTally = nullptr;
    std::multiset<qreal>::iterator FEntry;
};
