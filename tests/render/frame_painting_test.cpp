// Whole frames composed under Wine's GDI+, checked pixel by pixel.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/close_button_rect.h"
#include "render/frame_layout.h"
#include "render_test_support.h"

namespace {

using namespace render_test;

// Without the background the layer is the ground FF0A0808 under the tint 2A0A0707.
constexpr int kGroundR = 10, kGroundG = 8, kGroundB = 8;

// Track CD1C1610 over that ground.
constexpr int kTrackR = 25, kTrackG = 19, kTrackB = 14;

class FramePainting : public RenderTest {};

TEST_F(FramePainting, GroundAndTrackWithoutBackground) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    auto frame = composeTestFrame();

    // Between the left shade and the centre column nothing but ground and tint.
    EXPECT_TRUE(closeTo(pixelAt(*frame, 300, 420), kGroundR, kGroundG, kGroundB, 1));
    // The left shade darkens the ground towards the edge.
    EXPECT_LT(pixelAt(*frame, 1, 420).r, kGroundR);

    const LayoutRect bar = progressBarRect(kWidth, kHeight);
    const int middleY = static_cast<int>(bar.y + bar.height / 2);
    // Away from the percentage text in the middle: the bare track.
    EXPECT_TRUE(closeTo(pixelAt(*frame, static_cast<int>(bar.x + bar.width * 0.75f), middleY),
                     kTrackR, kTrackG, kTrackB, 2));
    EXPECT_TRUE(closeTo(pixelAt(*frame, static_cast<int>(bar.x + bar.width * 0.25f), middleY),
                     kTrackR, kTrackG, kTrackB, 2));
    // Outside the bar's rounded end the ground shows.
    EXPECT_TRUE(closeTo(pixelAt(*frame, static_cast<int>(bar.x) + 1, static_cast<int>(bar.y) + 1),
                     kGroundR, kGroundG, kGroundB, 3));
}

TEST_F(FramePainting, FullBarIsAVerticalGoldGradient) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    splashViewState.shownProgress = 1.0;
    auto frame = composeTestFrame();

    const LayoutRect bar = progressBarRect(kWidth, kHeight);
    const int x = static_cast<int>(bar.x + bar.width * 0.25f);
    const Rgba top = pixelAt(*frame, x, static_cast<int>(std::ceil(bar.y)) + 1);
    const Rgba bottom = pixelAt(*frame, x, static_cast<int>(bar.y + bar.height) - 2);
    // FFFFC446 at the top, FFFA9E00 at the bottom, the brush one pixel beyond each edge.
    EXPECT_GE(top.r, 252);
    EXPECT_TRUE(closeTo(top, 255, 192, 64, 6));
    EXPECT_TRUE(closeTo(bottom, 250, 161, 6, 6));
    EXPECT_GT(top.g, bottom.g);
    EXPECT_GT(top.b, bottom.b);
    // The fill reaches the far end of the track.
    const Rgba farEnd = pixelAt(*frame, static_cast<int>(bar.x + bar.width) - 20,
                                static_cast<int>(bar.y + bar.height / 2));
    EXPECT_GE(farEnd.r, 248);
    EXPECT_GE(farEnd.g, 150);
}

TEST_F(FramePainting, SmallestFillIsACircleOfTheBarsHeight) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    const LayoutRect bar = progressBarRect(kWidth, kHeight);
    const int centreY = static_cast<int>(bar.y + bar.height / 2);
    const int circleCentreX = static_cast<int>(bar.x + bar.height / 2);

    splashViewState.shownProgress = 0.002;
    auto frame = composeTestFrame();
    const Rgba centre = pixelAt(*frame, circleCentreX, centreY);
    EXPECT_GE(centre.r, 248);
    EXPECT_GE(centre.g, 150);
    // Just right of the circle the bare track continues.
    EXPECT_TRUE(closeTo(pixelAt(*frame, static_cast<int>(bar.x + bar.height) + 3, centreY), kTrackR,
                     kTrackG, kTrackB, 2));
    // The circle's bounding square has ground in its corner: it is round, not square.
    EXPECT_LT(pixelAt(*frame, static_cast<int>(bar.x) + 3, static_cast<int>(bar.y) + 3).r, 60);

    // Up to 0.001 nothing is filled at all.
    splashViewState.shownProgress = 0.001;
    frame = composeTestFrame();
    EXPECT_TRUE(closeTo(pixelAt(*frame, circleCentreX, centreY), kTrackR, kTrackG, kTrackB, 2));
}

// Frames 3 and 4 replaced by white halves, so each frame's share is visible on its own.
class SpinnerFrames {
public:
    SpinnerFrames() {
        for (auto& frame : splashAssets.spinnerFrames) kept_.push_back(std::move(frame));
        for (int i = 0; i < 10; ++i) splashAssets.spinnerFrames[i] = halfWhite(i % 2 == 0);
        splashViewState.sceneLayer.reset();  // the frames are scaled with the layer
    }
    ~SpinnerFrames() {
        for (int i = 0; i < 10; ++i) splashAssets.spinnerFrames[i] = std::move(kept_[i]);
        splashViewState.sceneLayer.reset();
    }

private:
    static std::unique_ptr<Gdiplus::Bitmap> halfWhite(bool leftHalf) {
        std::unique_ptr<Gdiplus::Bitmap> picture(new Gdiplus::Bitmap(64, 64, PixelFormat32bppARGB));
        Gdiplus::Graphics graphics(picture.get());
        graphics.Clear(Gdiplus::Color(0, 255, 255, 255));
        Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
        graphics.FillRectangle(&white, leftHalf ? 0 : 32, 0, 32, 64);
        return picture;
    }
    std::vector<std::unique_ptr<Gdiplus::Bitmap>> kept_;
};

TEST_F(FramePainting, SpinnerCrossFadesNeighbouringFrames) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    SpinnerFrames frames;  // even frames white on the left, odd ones on the right
    const LayoutRect square = spinnerRect(kWidth, kHeight);
    const int leftX = static_cast<int>(square.x + square.width * 0.25f);
    const int rightX = static_cast<int>(square.x + square.width * 0.75f);
    const int y = static_cast<int>(square.y + square.height / 2);
    const auto blended = [](double opacity) {
        return static_cast<int>(255.0 * opacity + kGroundR * (1.0 - opacity) + 0.5);
    };

    // Phase 3.25: frame 3 (right half) at 0.75 under frame 4 (left half) at 0.25.
    splashViewState.spinnerPhase = 3.25;
    auto frame = composeTestFrame();
    EXPECT_NEAR(pixelAt(*frame, rightX, y).r, blended(0.75), 3);
    EXPECT_NEAR(pixelAt(*frame, leftX, y).r, blended(0.25), 3);

    // Phase 9.5: frame 9 (right) and frame 0 (left) at half each: the loop closes.
    splashViewState.spinnerPhase = 9.5;
    frame = composeTestFrame();
    EXPECT_NEAR(pixelAt(*frame, rightX, y).r, blended(0.5), 3);
    EXPECT_NEAR(pixelAt(*frame, leftX, y).r, blended(0.5), 3);

    // A whole phase shows its own frame only.
    splashViewState.spinnerPhase = 2.0;
    frame = composeTestFrame();
    EXPECT_NEAR(pixelAt(*frame, leftX, y).r, 255, 2);
    EXPECT_TRUE(closeTo(pixelAt(*frame, rightX, y), kGroundR, kGroundG, kGroundB, 1));
}

TEST_F(FramePainting, MissingFrameLeavesOnlyItsShareOut) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    SpinnerFrames frames;
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noFrame4(splashAssets.spinnerFrames[4]);
    const LayoutRect square = spinnerRect(kWidth, kHeight);
    const int y = static_cast<int>(square.y + square.height / 2);
    splashViewState.spinnerPhase = 3.25;
    auto frame = composeTestFrame();
    EXPECT_GT(pixelAt(*frame, static_cast<int>(square.x + square.width * 0.75f), y).r, 150);
    EXPECT_TRUE(closeTo(pixelAt(*frame, static_cast<int>(square.x + square.width * 0.25f), y),
                     kGroundR, kGroundG, kGroundB, 1));
}

// Brightest red channel inside a rectangle: text shows up as light pixels on the dark ground.
int brightestIn(Gdiplus::Bitmap& frame, int left, int top, int right, int bottom) {
    int brightest = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; x += 1) {
            const Rgba p = pixelAt(frame, x, y);
            brightest = std::max(brightest, std::max(p.r, std::max(p.g, p.b)));
        }
    }
    return brightest;
}

TEST_F(FramePainting, WithoutFontNeitherTextNorBar) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    splashViewState.shownProgress = 0.5;
    const int left = kWidth / 4, right = kWidth * 3 / 4;

    {
        auto frame = composeTestFrame();
        // With the font: captions, status line, title, the bar and its percentage.
        EXPECT_GT(brightestIn(*frame, left, 300, right, 320), 200);   // "Пожалуйста подождите..."
        EXPECT_GT(brightestIn(*frame, left, 500, right, 516), 180);   // status line
        EXPECT_GT(brightestIn(*frame, 55, 5, 140, 35), 200);          // title
        EXPECT_GT(pixelAt(*frame, 300, 554).g, 100);                  // bar fill
    }

    WithoutAsset<std::unique_ptr<Gdiplus::FontFamily>> noFont(splashAssets.uiFontFamily);
    auto frame = composeTestFrame();
    // Everything below the spinner, title band included, is bare ground.
    EXPECT_LE(brightestIn(*frame, left, 280, right, kHeight), kGroundR + 1);
    EXPECT_LE(brightestIn(*frame, 55, 5, 400, 35), kGroundR + 1);
    // The spinner and the close button need no font.
    EXPECT_GT(brightestIn(*frame, 490, 190, 580, 250), 200);
    EXPECT_GT(brightestIn(*frame, 1026, 7, 1054, 35), 40);
}

TEST_F(FramePainting, CloseButtonPictureFollowsHover) {
    const ButtonRect button = closeButtonRectFor(kWidth, kHeight);
    // Near the rounded square's left edge, away from the cross.
    const int x = static_cast<int>(button.left) + 3;
    const int y = static_cast<int>(button.top + button.height / 2);

    splashViewState.closeHovered = 1;
    auto frame = composeTestFrame();
    EXPECT_TRUE(closeTo(pixelAt(*frame, x, y), 255, 85, 85, 4));

    splashViewState.closeHovered = 0;
    frame = composeTestFrame();
    EXPECT_LT(pixelAt(*frame, x, y).r, 100);

    // Only the normal picture loaded: a hovered button is not drawn at all.
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noHover(splashAssets.closeButtonHoverImage);
    splashViewState.closeHovered = 1;
    frame = composeTestFrame();
    EXPECT_LE(brightestIn(*frame, static_cast<int>(button.left), static_cast<int>(button.top),
                          static_cast<int>(button.left + button.width),
                          static_cast<int>(button.top + button.height)),
              kGroundR + 1);
}

TEST_F(FramePainting, PaintsAWholeWindowThroughItsOwnDeviceContext) {
    // A real window: paintFrame goes through GetDC, an off-screen bitmap and one BitBlt.
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"SplashPaintTest";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"SplashPaintTest", L"", WS_POPUP, 0, 0, 400, 225, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    paintFrame(window, inputs());
    EXPECT_EQ(splashViewState.sceneLayerWidth, 400);
    EXPECT_EQ(splashViewState.sceneLayerHeight, 225);
    ASSERT_TRUE(splashViewState.sceneLayer);
    EXPECT_EQ(splashViewState.sceneLayer->GetWidth(), 400u);
    DestroyWindow(window);
}

}  // namespace
