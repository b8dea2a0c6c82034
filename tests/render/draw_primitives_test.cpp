// Drawing primitives and the frame's pure layout.

#include <gtest/gtest.h>

#include "render/draw_primitives.h"
#include "render/frame_layout.h"
#include "render_test_support.h"

namespace {

using namespace render_test;

TEST(FrameLayout, BarGeometryAtDesignSize) {
    const LayoutRect bar = progressBarRect(1066, 599);
    EXPECT_NEAR(bar.x, 41.574f, 0.001f);
    EXPECT_NEAR(bar.width, 982.852f, 0.001f);
    EXPECT_NEAR(bar.height, 32.765f, 0.001f);
    EXPECT_NEAR(bar.y, 537.692f, 0.001f);
    // Equal margins on both sides.
    EXPECT_NEAR(1066.0f - (bar.x + bar.width), bar.x, 0.001f);
    // Centred on 0.925 H.
    EXPECT_NEAR(bar.y + bar.height / 2, 554.075f, 0.001f);
}

TEST(FrameLayout, SpinnerSquareAtDesignSize) {
    const LayoutRect square = spinnerRect(1066, 599);
    EXPECT_NEAR(square.width, 65.89f, 0.001f);
    EXPECT_FLOAT_EQ(square.width, square.height);
    EXPECT_NEAR(square.x + square.width / 2, 533.0f, 0.001f);
    EXPECT_NEAR(square.y + square.height / 2, 241.397f, 0.001f);
}

TEST(FrameLayout, SpinnerOnWholePixelsCoversTheSameSquare) {
    PixelRect pixels = spinnerPixelRect(1066, 599);
    EXPECT_EQ(pixels.side, 66);   // 65.89 rounded up
    EXPECT_EQ(pixels.x, 500);     // centre 533
    EXPECT_EQ(pixels.y, 208);     // centre 241.4
    pixels = spinnerPixelRect(1333, 749);
    EXPECT_EQ(pixels.side, 83);   // 82.39
    EXPECT_NEAR(pixels.x + pixels.side / 2.0f, 1333 / 2.0f, 0.5f);
    EXPECT_NEAR(pixels.y + pixels.side / 2.0f, 0.403f * 749, 0.5f);
}

TEST(FrameLayout, PercentageRoundsHalfUpAndStopsAtHundred) {
    EXPECT_EQ(barPercentage(barFraction(0.994)), 99);
    EXPECT_EQ(barPercentage(barFraction(0.005)), 1);
    EXPECT_EQ(barPercentage(barFraction(0.995)), 100);
    EXPECT_EQ(barPercentage(barFraction(1.7)), 100);
    EXPECT_EQ(barPercentage(barFraction(0.002)), 0);
    EXPECT_EQ(barPercentage(barFraction(-0.4)), 0);
}

TEST(FrameLayout, FillStartsAsACircleAndOnlyAbovePointOneTenthOfAPercent) {
    const LayoutRect bar = progressBarRect(1066, 599);
    EXPECT_FALSE(barHasFill(barFraction(0.0)));
    EXPECT_FALSE(barHasFill(barFraction(0.001)));
    EXPECT_FALSE(barHasFill(barFraction(-1.0)));
    EXPECT_TRUE(barHasFill(barFraction(0.002)));
    EXPECT_FLOAT_EQ(barFillWidth(bar, 0.002), bar.height);
    EXPECT_FLOAT_EQ(barFillWidth(bar, 0.5), static_cast<float>(bar.width * 0.5));
    EXPECT_FLOAT_EQ(barFillWidth(bar, barFraction(3.0)), bar.width);
}

TEST(FrameLayout, SpinnerBlendPairsFramesAndClosesTheLoop) {
    SpinnerBlend blend = spinnerBlend(3.25);
    EXPECT_EQ(blend.frame, 3);
    EXPECT_EQ(blend.nextFrame, 4);
    EXPECT_FLOAT_EQ(blend.nextOpacity, 0.25f);
    blend = spinnerBlend(9.5);
    EXPECT_EQ(blend.frame, 9);
    EXPECT_EQ(blend.nextFrame, 0);
    EXPECT_FLOAT_EQ(blend.nextOpacity, 0.5f);
    blend = spinnerBlend(0.0);
    EXPECT_EQ(blend.frame, 0);
    EXPECT_FLOAT_EQ(blend.nextOpacity, 0.0f);
}

TEST(UiFont, SizesScaleWithTheScreenDpi) {
    EXPECT_EQ(uiFontPixelSize(12, 96), 12);
    EXPECT_EQ(uiFontPixelSize(14, 96), 14);
    EXPECT_EQ(uiFontPixelSize(13, 120), 16);  // 16.25
    EXPECT_EQ(uiFontPixelSize(12, 120), 15);
    EXPECT_EQ(uiFontPixelSize(14, 120), 18);  // 17.5 rounds up
    EXPECT_EQ(uiFontPixelSize(12, 144), 18);
    EXPECT_EQ(uiFontPixelSize(13, 192), 26);
}

class Primitives : public RenderTest {
protected:
    std::unique_ptr<Gdiplus::Bitmap> canvas{new Gdiplus::Bitmap(200, 100, PixelFormat32bppARGB)};
    std::unique_ptr<Gdiplus::Graphics> graphics{new Gdiplus::Graphics(canvas.get())};

    void SetUp() override {
        RenderTest::SetUp();
        graphics->Clear(Gdiplus::Color(255, 0, 0, 0));
        applySurfaceQuality(*graphics);
    }
};

TEST_F(Primitives, CreateUiFontUsesTheEmbeddedFamilyAtTheScaledSize) {
    auto font = createUiFont(splashAssets.uiFontFamily.get(), 12, 96);
    ASSERT_EQ(font->GetLastStatus(), Gdiplus::Ok);
    EXPECT_FLOAT_EQ(font->GetSize(), 12.0f);
    EXPECT_EQ(font->GetUnit(), Gdiplus::UnitPixel);
    EXPECT_EQ(font->GetStyle(), Gdiplus::FontStyleRegular);

    EXPECT_FLOAT_EQ(createUiFont(splashAssets.uiFontFamily.get(), 12, 120)->GetSize(), 15.0f);
    EXPECT_FLOAT_EQ(createUiFont(splashAssets.uiFontFamily.get(), 13, 120)->GetSize(), 16.0f);

    // Without a family the font is a failed one, and drawing with it draws nothing.
    WithoutAsset<std::unique_ptr<Gdiplus::FontFamily>> noFont(splashAssets.uiFontFamily);
    auto failed = createUiFont(splashAssets.uiFontFamily.get(), 12, 96);
    EXPECT_NE(failed->GetLastStatus(), Gdiplus::Ok);
}

TEST_F(Primitives, CapsuleOfEqualSidesIsACircle) {
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    fillCapsule(*graphics, white, 10.0f, 10.0f, 40.0f, 40.0f);
    EXPECT_GT(pixelAt(*canvas, 30, 30).r, 240);
    EXPECT_GT(pixelAt(*canvas, 30, 11).r, 240);   // top of the circle
    EXPECT_LT(pixelAt(*canvas, 11, 11).r, 15);     // corner of its square stays clear
    EXPECT_LT(pixelAt(*canvas, 48, 48).r, 15);
}

TEST_F(Primitives, CapsuleTwiceAsWideHasHalfCircleEndsAndAStraightMiddle) {
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    fillCapsule(*graphics, white, 10.0f, 10.0f, 80.0f, 40.0f);
    EXPECT_GT(pixelAt(*canvas, 50, 10).r, 240);   // straight top edge in the middle
    EXPECT_GT(pixelAt(*canvas, 50, 49).r, 240);   // straight bottom edge
    EXPECT_LT(pixelAt(*canvas, 11, 11).r, 15);     // rounded left end
    EXPECT_LT(pixelAt(*canvas, 88, 48).r, 15);     // rounded right end
    EXPECT_GT(pixelAt(*canvas, 11, 30).r, 240);   // leftmost point of the left end
    EXPECT_GT(pixelAt(*canvas, 88, 30).r, 240);
    EXPECT_LT(pixelAt(*canvas, 95, 30).r, 15);     // nothing beyond the width
}

TEST_F(Primitives, OpacityThresholdAndScaling) {
    std::unique_ptr<Gdiplus::Bitmap> white(new Gdiplus::Bitmap(8, 8, PixelFormat32bppARGB));
    {
        Gdiplus::Graphics g(white.get());
        g.Clear(Gdiplus::Color(255, 255, 255, 255));
    }
    drawImageWithOpacity(*graphics, white.get(), 0.0f, 0.0f, 50.0f, 50.0f, 0.001f);
    EXPECT_LT(pixelAt(*canvas, 25, 25).r, 15);
    drawImageWithOpacity(*graphics, nullptr, 0.0f, 0.0f, 50.0f, 50.0f, 1.0f);
    EXPECT_LT(pixelAt(*canvas, 25, 25).r, 15);

    // Just above the threshold the picture shows, faintly; it fills the whole rectangle.
    drawImageWithOpacity(*graphics, white.get(), 100.0f, 0.0f, 50.0f, 50.0f, 0.02f);
    EXPECT_NEAR(pixelAt(*canvas, 125, 25).r, 5, 1);
    drawImageWithOpacity(*graphics, white.get(), 0.0f, 50.0f, 100.0f, 50.0f, 0.5f);
    EXPECT_NEAR(pixelAt(*canvas, 50, 75).r, 128, 2);
    EXPECT_LT(pixelAt(*canvas, 104, 75).r, 15);
    // 0.0011 is drawn, but at a level that rounds to nothing in 8 bits.
    drawImageWithOpacity(*graphics, white.get(), 150.0f, 50.0f, 50.0f, 50.0f, 0.0011f);
    EXPECT_LE(pixelAt(*canvas, 175, 75).r, 1);
}

TEST_F(Primitives, CentredTextSitsOnItsPoint) {
    auto font = createUiFont(splashAssets.uiFontFamily.get(), 14, dpi);
    drawCentredText(*graphics, L"ABC\nABC", -1, *font, 0xFFFFFFFF, 100.0f, 50.0f);
    int left = 200, right = -1, top = 100, bottom = -1;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (pixelAt(*canvas, x, y).r > 100) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0f, 100.0f, 2.0f);
    EXPECT_NEAR((top + bottom) / 2.0f, 50.0f, 3.0f);
    EXPECT_GT(bottom - top, 20);  // two lines, one under the other
}

}  // namespace
