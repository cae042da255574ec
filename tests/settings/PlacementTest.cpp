// Fitting a stored window placement onto the screens there are now.

#include "settings/Placement.h"

#include <climits>
#include <ostream>

#include <gtest/gtest.h>

static std::ostream& operator<<(std::ostream& out, const TScreenRect& r) {
    return out << r.Width << "x" << r.Height << "@" << r.Left << "," << r.Top;
}

namespace {

// A screen with a task bar, and a smaller second screen to its right, set lower.
const TScreenRect Primary{0, 0, 1920, 1040};
const TScreenRect Second{1920, 200, 1280, 1024};
const std::vector<TScreenRect> Both{Primary, Second};

bool Contains(const TScreenRect& screen, const TScreenRect& r) {
    return r.Left >= screen.Left && r.Top >= screen.Top && r.Left + r.Width <= screen.Left + screen.Width &&
           r.Top + r.Height <= screen.Top + screen.Height;
}

TEST(FitOnScreens, APlacementThatFitsStaysAsStoredAlsoPartlyOffAnEdge) {
    for (const TScreenRect r : {TScreenRect{40, 30, 700, 500}, TScreenRect{2000, 900, 900, 700},
                                TScreenRect{-300, 100, 772, 556}, TScreenRect{1800, 500, 400, 300}})
        EXPECT_EQ(FitOnScreens(r, Both, 772, 556), r);
}

TEST(FitOnScreens, AWindowLargerThanItsScreenIsShrunkToItAndLiesOnIt) {
    const TScreenRect huge = FitOnScreens({0, 0, 65536, 65536}, Both, 772, 556);
    EXPECT_EQ(huge, Primary);

    // Mostly on the second screen: shrunk to that one.
    const TScreenRect tall = FitOnScreens({2000, 250, 1000, 3000}, Both, 772, 556);
    EXPECT_EQ(tall, (TScreenRect{2000, 200, 1000, 1024}));

    // Only one side too large: only that side shrinks.
    const TScreenRect wide = FitOnScreens({100, 100, 5000, 400}, {Primary}, 772, 556);
    EXPECT_EQ(wide, (TScreenRect{0, 100, 1920, 400}));
}

TEST(FitOnScreens, AWindowOffEveryScreenIsMovedOntoThePrimaryOne) {
    for (const TScreenRect r : {TScreenRect{-5000, 100, 800, 600}, TScreenRect{100, 90000, 800, 600},
                                TScreenRect{1920, 0, 800, 150}, TScreenRect{INT_MIN, INT_MIN, 800, 600},
                                TScreenRect{INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                                // Only a sliver shows, too little to take hold of.
                                TScreenRect{-790, 100, 800, 600}, TScreenRect{500, 1030, 800, 600}}) {
        const TScreenRect fit = FitOnScreens(r, Both, 772, 556);
        EXPECT_TRUE(Contains(Primary, fit)) << r << " became " << fit;
        EXPECT_EQ(fit.Width, std::min(r.Width, Primary.Width)) << r;
    }
    // The gap above the second screen is on no screen either.
    EXPECT_TRUE(Contains(Primary, FitOnScreens({2000, 0, 300, 150}, Both, 772, 556)));
}

TEST(FitOnScreens, ANonPositiveSizeFallsBackToTheDesignedSize) {
    EXPECT_EQ(FitOnScreens({40, 30, -1, 500}, Both, 772, 556), (TScreenRect{40, 30, 772, 500}));
    EXPECT_EQ(FitOnScreens({40, 30, 700, 0}, Both, 772, 556), (TScreenRect{40, 30, 700, 556}));
    // The invisible window that a width of -1 used to make: somewhere reachable now.
    const TScreenRect lost = FitOnScreens({INT_MIN, INT_MIN, -1, -1}, Both, 772, 556);
    EXPECT_TRUE(Contains(Primary, lost)) << lost;
    EXPECT_EQ(lost.Width, 772);
    // A designed size larger than the screen is shrunk like any other.
    EXPECT_EQ(FitOnScreens({0, 0, 0, 0}, {TScreenRect{0, 0, 640, 480}}, 772, 556),
              (TScreenRect{0, 0, 640, 480}));
}

TEST(FitOnScreens, WithoutScreensOnlyTheSizeIsMended) {
    EXPECT_EQ(FitOnScreens({-9999, 5, -3, 20}, {}, 772, 556), (TScreenRect{-9999, 5, 772, 20}));
}

} // namespace
