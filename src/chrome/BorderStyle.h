#pragma once
// How a form's frame looks: its border style, the caption buttons it offers, and whether it hosts
// MDI children.

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

enum TBorderIcon : unsigned { biSystemMenu = 0x1, biMinimize = 0x2, biMaximize = 0x4, biHelp = 0x8 };
using TBorderIcons = unsigned; // a set of TBorderIcon

enum TFormStyle { fsNormal, fsMDIForm };

inline bool IsToolWindowStyle(TFormBorderStyle s) {
    return s == bsToolWindow || s == bsSizeToolWin;
}
inline bool IsSizeableStyle(TFormBorderStyle s) {
    return s == bsSizeable || s == bsSizeToolWin;
}
