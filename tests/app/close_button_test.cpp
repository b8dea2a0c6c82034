// Where the close button lies and which pointer positions are on it.

#include <gtest/gtest.h>

#include <windows.h>

#include "app/close_button.h"
#include "render/close_button_rect.h"

namespace {

TEST(CloseButton, SquareInTheTopRightCornerAtDesignSize) {
    const ButtonRect button = closeButtonRectFor(1066, 599);
    EXPECT_NEAR(button.width, 26.955f, 0.001f);
    EXPECT_FLOAT_EQ(button.width, button.height);
    EXPECT_NEAR(button.left, 1026.253f, 0.001f);
    EXPECT_NEAR(button.top, 7.188f, 0.001f);
    // The gap to the right edge is 0.012 of the width.
    EXPECT_NEAR(1066.0f - (button.left + button.width), 12.792f, 0.001f);
}

TEST(CloseButton, ScalesWithTheClientSize) {
    const ButtonRect button = closeButtonRectFor(1333, 749);
    EXPECT_NEAR(button.width, 0.045f * 749.0f, 0.001f);
    EXPECT_NEAR(button.left, 1333.0f - 0.012f * 1333.0f - 0.045f * 749.0f, 0.001f);
    EXPECT_NEAR(button.top, 0.012f * 749.0f, 0.001f);
}

TEST(CloseButton, LeftAndTopEdgesAreInsideRightAndBottomAreOutside) {
    const ButtonRect button{100.0f, 10.0f, 20.0f, 20.0f};
    EXPECT_TRUE(isOnCloseButton(button, 100.0f, 10.0f));
    EXPECT_TRUE(isOnCloseButton(button, 100.0f, 29.99f));
    EXPECT_TRUE(isOnCloseButton(button, 119.99f, 10.0f));
    EXPECT_FALSE(isOnCloseButton(button, 120.0f, 15.0f));
    EXPECT_FALSE(isOnCloseButton(button, 110.0f, 30.0f));
    EXPECT_FALSE(isOnCloseButton(button, 99.99f, 15.0f));
    EXPECT_FALSE(isOnCloseButton(button, 110.0f, 9.99f));
}

TEST(CloseButton, WholePixelsAtDesignSize) {
    const ButtonRect button = closeButtonRectFor(1066, 599);
    // Pixel columns 1027..1053 and rows 8..34 hold the button; 1026 and 7 lie just outside.
    EXPECT_TRUE(isOnCloseButton(button, 1027.0f, 8.0f));
    EXPECT_TRUE(isOnCloseButton(button, 1053.0f, 34.0f));
    EXPECT_FALSE(isOnCloseButton(button, 1026.0f, 20.0f));
    EXPECT_FALSE(isOnCloseButton(button, 1040.0f, 7.0f));
    EXPECT_FALSE(isOnCloseButton(button, 1054.0f, 20.0f));
    EXPECT_FALSE(isOnCloseButton(button, 1040.0f, 35.0f));
}

TEST(CloseButton, MouseCoordinatesAreSignedAndNegativeOnesNeverHit) {
    const PointerPosition inside = pointerFromLParam(MAKELPARAM(1030, 20));
    EXPECT_FLOAT_EQ(inside.x, 1030.0f);
    EXPECT_FLOAT_EQ(inside.y, 20.0f);

    // Left of and above the client area the halves arrive as negative 16-bit values.
    const PointerPosition outside = pointerFromLParam(MAKELPARAM(-5, -32768));
    EXPECT_FLOAT_EQ(outside.x, -5.0f);
    EXPECT_FLOAT_EQ(outside.y, -32768.0f);

    // Read as unsigned, -30 would be 65506: far right, but never negative.
    const ButtonRect button = closeButtonRectFor(1066, 599);
    const PointerPosition leftOfWindow = pointerFromLParam(MAKELPARAM(-30, 20));
    EXPECT_FLOAT_EQ(leftOfWindow.x, -30.0f);
    EXPECT_FALSE(isOnCloseButton(button, leftOfWindow.x, leftOfWindow.y));
    EXPECT_FALSE(isOnCloseButton(button, -1.0f, -1.0f));
}

}  // namespace
