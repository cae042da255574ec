#include "settings/Placement.h"

#include <algorithm>
#include <cstdint>

namespace {

// How much of a window must show on a screen for it to count as on that screen: enough to grab
// and drag it (or all of it, when it is smaller).
constexpr std::int64_t GrabPixels = 48;

// Area of the overlap of two rectangles; wide integers, since stored values may be near the
// limits of int.
std::int64_t Overlap(const TScreenRect& a, const TScreenRect& b, std::int64_t* width = nullptr,
                     std::int64_t* height = nullptr) {
    const std::int64_t left = std::max<std::int64_t>(a.Left, b.Left);
    const std::int64_t top = std::max<std::int64_t>(a.Top, b.Top);
    const std::int64_t right =
        std::min<std::int64_t>(std::int64_t{a.Left} + a.Width, std::int64_t{b.Left} + b.Width);
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t{a.Top} + a.Height, std::int64_t{b.Top} + b.Height);
    const std::int64_t w = std::max<std::int64_t>(0, right - left);
    const std::int64_t h = std::max<std::int64_t>(0, bottom - top);
    if (width) *width = w;
    if (height) *height = h;
    return w * h;
}

bool ShowsEnough(const TScreenRect& window, const TScreenRect& screen) {
    std::int64_t w = 0;
    std::int64_t h = 0;
    Overlap(window, screen, &w, &h);
    return w >= std::min<std::int64_t>(GrabPixels, window.Width) &&
           h >= std::min<std::int64_t>(GrabPixels, window.Height);
}

// Moves `pos` (with `size`) inside [start, start + length) as far as it has to.
int Within(int pos, int size, int start, int length) {
    const std::int64_t last = std::int64_t{start} + length - size;
    return static_cast<int>(std::clamp<std::int64_t>(pos, start, std::max<std::int64_t>(start, last)));
}

} // namespace

TScreenRect FitOnScreens(TScreenRect stored, const std::vector<TScreenRect>& screens, int designedWidth,
                         int designedHeight) {
    TScreenRect r = stored;
    if (r.Width <= 0) r.Width = designedWidth;
    if (r.Height <= 0) r.Height = designedHeight;
    if (screens.empty()) return r;

    // The screen that shows most of the window; none shows any: the primary one.
    const TScreenRect* home = &screens.front();
    std::int64_t best = 0;
    for (const TScreenRect& s : screens) {
        const std::int64_t area = Overlap(r, s);
        if (area > best) {
            best = area;
            home = &s;
        }
    }
    const bool shrunk = r.Width > home->Width || r.Height > home->Height;
    r.Width = std::min(r.Width, home->Width);
    r.Height = std::min(r.Height, home->Height);

    const bool visible =
        std::any_of(screens.begin(), screens.end(), [&](const TScreenRect& s) { return ShowsEnough(r, s); });
    if (!visible) {
        home = &screens.front();
        r.Width = std::min(r.Width, home->Width);
        r.Height = std::min(r.Height, home->Height);
    }
    // A window that had to change lies wholly on its screen afterwards.
    if (shrunk || !visible) {
        r.Left = Within(r.Left, r.Width, home->Left, home->Width);
        r.Top = Within(r.Top, r.Height, home->Top, home->Height);
    }
    return r;
}
