#pragma once
// The main window's placement as the settings keep it, and how a stored placement is fitted onto
// the screens there are when it is used again.

#include <cstdint>
#include <optional>
#include <vector>

// Window states as stored in "state".
enum TStoredWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// What the load read of the placement. A value is set only when it was read: on a first start none
// is (the platform's own position and size stand); when a read fails midway, the values read before
// it are set and should be applied all the same, after FitOnScreens.
struct TLoadedPlacement {
    std::optional<int> Width;
    std::optional<int> Height;
    std::optional<int> Left;
    std::optional<int> Top;
    std::optional<int> State; // a TStoredWindowState; a stored value outside 0..2 reads as wsNormal
    // Whether the editor numbers its lines, once the user has chosen ("lineNumbers", beside the
    // placement); a value that cannot be read is passed over.
    std::optional<bool> LineNumbers;
    // The megabytes a result may hold in memory before its rows go to a file ("result memory",
    // beside the placement; set by hand, never written by the program); unreadable: passed over.
    std::optional<std::uint32_t> ResultMemoryMB;
};

// The main window's bounds (outer frame, screen pixels) and state at the time of the save.
struct TFormPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int State = wsNormal;
};

// A rectangle in screen pixels.
struct TScreenRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TScreenRect&) const = default;
};

// Where a window stored at `stored` may go on screens whose available areas are `screens` (the
// primary one first): a non-positive width or height becomes the designed one; a window larger
// than the screen it is on is shrunk to it; a window that shows too little of itself on every
// screen to be grabbed is moved onto the primary one. A window that fits stays as stored.
// Without screens the stored rectangle is returned with only its size mended.
TScreenRect FitOnScreens(TScreenRect stored, const std::vector<TScreenRect>& screens, int designedWidth,
                         int designedHeight);
