// The pointing hand shown over hot spots: a cursor of the program's own, drawn here so it looks
// the same on every platform.

#include "editor/ColorMemo.h"

#include <QBitmap>
#include <QImage>

namespace {

QCursor MakeHotSpotCursor() {
    // '#' black, '.' white, blank transparent.
    static const char* const art[32] = {
        "                                ", "                                ",
        "                                ", "                                ",
        "                                ", "                                ",
        "                                ", "                                ",
        "                                ", "             ##                 ",
        "            #..#                ", "            #..#                ",
        "            #..#                ", "            #..#                ",
        "            #..###              ", "            #..#..###           ",
        "            #..#..#..##         ", "            #..#..#..#.#        ",
        "       ###  #..#..#..#..#       ", "       #..# #........#..#       ",
        "        #..##...........#       ", "         #..#...........#       ",
        "         #..............#       ", "          #.............#       ",
        "          #.............#       ", "           #...........#        ",
        "           #...........#        ", "            #.........#         ",
        "            #.........#         ", "            ###########         ",
        "                                ", "                                "};
    QImage shape(32, 32, QImage::Format_Mono);
    QImage mask(32, 32, QImage::Format_Mono);
    shape.fill(0);
    mask.fill(0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const char c = art[y][x];
            // In a cursor bitmap 1 is black; in its mask 1 is opaque.
            if (c == '#') shape.setPixel(x, y, 1);
            if (c != ' ') mask.setPixel(x, y, 1);
        }
    return QCursor(QBitmap::fromImage(shape), QBitmap::fromImage(mask), 13, 9);
}

} // namespace

const QCursor& HotSpotCursor() {
    static const QCursor cursor = MakeHotSpotCursor();
    return cursor;
}
