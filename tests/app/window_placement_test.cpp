#include <gtest/gtest.h>

#include "app/window_placement.h"

namespace {

TEST(WindowPlacement, DesignSizeCentredAt96Dpi) {
    const WindowPlacement placement = computeWindowPlacement(96, RECT{0, 0, 1920, 1040});
    EXPECT_EQ(placement.width, 1066);
    EXPECT_EQ(placement.height, 599);
    EXPECT_EQ(placement.x, 427);
    EXPECT_EQ(placement.y, 220);
}

TEST(WindowPlacement, ScalesWithDpiRoundingAsMulDiv) {
    const WindowPlacement at120 = computeWindowPlacement(120, RECT{0, 0, 1920, 1040});
    EXPECT_EQ(at120.width, 1333);  // 1332.5 rounds up
    EXPECT_EQ(at120.height, 749);  // 748.75 rounds up
    const WindowPlacement at144 = computeWindowPlacement(144, RECT{0, 0, 1920, 1040});
    EXPECT_EQ(at144.width, 1599);
    EXPECT_EQ(at144.height, 899);
}

TEST(WindowPlacement, FollowsTheWorkAreaOrigin) {
    // A taskbar on the left or top moves the work area's origin.
    const WindowPlacement placement = computeWindowPlacement(96, RECT{100, 40, 2020, 1080});
    EXPECT_EQ(placement.x, 100 + 427);
    EXPECT_EQ(placement.y, 40 + 220);
}

TEST(WindowPlacement, LargerThanWorkAreaIsCutOffEquallyOnBothSides) {
    const WindowPlacement placement = computeWindowPlacement(192, RECT{0, 0, 1366, 728});
    EXPECT_EQ(placement.width, 2132);
    EXPECT_EQ(placement.height, 1198);
    EXPECT_EQ(placement.x, (1366 - 2132) / 2);  // -383, truncated toward zero
    EXPECT_EQ(placement.y, (728 - 1198) / 2);   // -235
    EXPECT_LT(placement.x, 0);
}

}  // namespace
