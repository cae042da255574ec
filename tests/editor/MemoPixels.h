#pragma once
// What the user sees on the characters of a TColorMemo, read from a grab of its viewport: one
// letter per character, B blue, T teal, R red, K black or grey ink, '.' no ink (blank, or a block
// of the background colour), '?' ink of another colour.

#include "editor/ColorMemo.h"

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

inline QImage Shot(TColorMemo& memo) {
    return memo.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The cell of the character at a text index (CR LF counting two), in viewport coordinates.
inline QRect CharRect(const TColorMemo& memo, int textIndex) {
    QTextCursor c(memo.document());
    c.setPosition(memo.ToDocPos(textIndex));
    const QRect at = memo.cursorRect(c);
    int width = QFontMetrics(memo.font()).horizontalAdvance(memo.document()->characterAt(c.position()));
    if (!c.atBlockEnd()) {
        QTextCursor next = c;
        next.movePosition(QTextCursor::NextCharacter);
        width = memo.cursorRect(next).x() - at.x();
    }
    return QRect(at.x(), at.y(), width, at.height());
}

inline char Hue(QRgb px) {
    const QColor c(px);
    if (c.hsvSaturation() > 90) {
        const int h = c.hsvHue();
        if (h >= 200 && h <= 260) return 'B';
        if (h >= 160 && h < 200) return 'T';
        if (h <= 20 || h >= 340) return 'R';
        return '?';
    }
    return c.value() < 160 ? 'K' : '.';
}

// The ink colour most pixels of the rectangle show.
inline char Ink(const QImage& shot, QRect r) {
    std::array<int, 128> count{};
    r = r.intersected(shot.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++count[std::size_t(Hue(shot.pixel(x, y)))];
    char best = '.';
    int most = 1; // a lone pixel is noise
    for (char k : {'K', 'B', 'T', 'R', '?'})
        if (count[std::size_t(k)] > most) {
            most = count[std::size_t(k)];
            best = k;
        }
    return best;
}

// One letter per character of the line.
inline std::string SeenLine(const TColorMemo& memo, const QImage& shot, int line) {
    const QTextBlock b = memo.document()->findBlockByNumber(line);
    const int start = b.position() + line;
    std::string out;
    for (int i = 0; i < b.length() - 1; ++i)
        out += Ink(shot, CharRect(memo, start + i));
    return out;
}

inline std::string SeenLine(TColorMemo& memo, int line) {
    return SeenLine(memo, Shot(memo), line);
}

// Where the glyphs of a stretch of the viewport are inked, whatever their colour: a pixel is ink
// when it is at least half covered, read from its darkest channel (black, blue, teal and red text
// on white all darken one channel by their coverage).
inline std::vector<bool> InkMask(const QImage& shot, QRect r) {
    std::vector<bool> mask;
    r = r.intersected(shot.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb px = shot.pixel(x, y);
            mask.push_back(std::min({qRed(px), qGreen(px), qBlue(px)}) < 128);
        }
    return mask;
}

// The pixels inked in one mask and not the other.
inline int InkDifference(const std::vector<bool>& a, const std::vector<bool>& b) {
    int differ = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        differ += a[i] != b[i];
    return differ + int(std::max(a.size(), b.size()) - std::min(a.size(), b.size()));
}
