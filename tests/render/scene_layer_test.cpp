// The cached static scene: built once per client size, composed as laid out.

#include <gtest/gtest.h>

#include "render_test_support.h"

namespace {

using namespace render_test;

class SceneLayer : public RenderTest {};

TEST_F(SceneLayer, BuiltOnceForTheSameSizeAndRebuiltForANewOne) {
    auto frame = composeTestFrame();
    Gdiplus::Bitmap* first = splashViewState.sceneLayer.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetPixelFormat(), PixelFormat32bppRGB);  // opaque: copied, not blended
    EXPECT_EQ(first->GetWidth(), static_cast<UINT>(kWidth));
    EXPECT_EQ(first->GetHeight(), static_cast<UINT>(kHeight));

    // A mark on the cached layer survives a second paint of the same size:
    // the layer was copied, not composed again.
    first->SetPixel(5, 300, Gdiplus::Color(255, 1, 2, 250));
    frame = composeTestFrame();
    EXPECT_EQ(splashViewState.sceneLayer.get(), first);
    const Rgba marked = pixelAt(*frame, 5, 300);
    EXPECT_EQ(marked.b, 250);
    EXPECT_EQ(marked.g, 2);

    // A new size composes a new layer of that size, without the mark.
    frame = composeTestFrame(1333, 749);
    ASSERT_TRUE(splashViewState.sceneLayer);
    EXPECT_EQ(splashViewState.sceneLayer->GetWidth(), 1333u);
    EXPECT_EQ(splashViewState.sceneLayer->GetHeight(), 749u);
    EXPECT_EQ(splashViewState.sceneLayerWidth, 1333);
    EXPECT_EQ(splashViewState.sceneLayerHeight, 749);
    EXPECT_NE(pixelAt(*frame, 5, 300).b, 250);
}

TEST_F(SceneLayer, SpinnerFramesAreScaledWithTheLayer) {
    ensureSceneLayer(inputs(), kWidth, kHeight);
    for (int i = 0; i < kSpinnerFrameCount; ++i) {
        ASSERT_TRUE(splashViewState.spinnerLayerFrames[i]) << "frame " << i;
        EXPECT_EQ(splashViewState.spinnerLayerFrames[i]->GetWidth(), 66u);  // 65.89 covered
    }
    ensureSceneLayer(inputs(), 1333, 749);
    EXPECT_EQ(splashViewState.spinnerLayerFrames[0]->GetWidth(), 83u);  // 82.39 covered

    // A missing picture leaves its scaled slot empty too.
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noFrame(splashAssets.spinnerFrames[7]);
    ensureSceneLayer(inputs(), kWidth, kHeight);
    EXPECT_FALSE(splashViewState.spinnerLayerFrames[7]);
    EXPECT_TRUE(splashViewState.spinnerLayerFrames[8]);
}

TEST_F(SceneLayer, NoBitmapForAnEmptySizeAndTheNextPaintTriesAgain) {
    ensureSceneLayer(inputs(), 0, 0);
    EXPECT_FALSE(splashViewState.sceneLayer);
    ensureSceneLayer(inputs(), kWidth, kHeight);
    EXPECT_TRUE(splashViewState.sceneLayer);
}

TEST_F(SceneLayer, BackgroundCoversTheWholeLayer) {
    ensureSceneLayer(inputs(), kWidth, kHeight);
    Gdiplus::Bitmap& layer = *splashViewState.sceneLayer;
    // The night sky is bluer than the reddish ground colour everywhere in the
    // middle, top and bottom rows included: the picture covers the layer.
    for (int y : {0, 1, kHeight / 2, kHeight - 2}) {
        const Rgba p = pixelAt(layer, kWidth / 2, y);
        EXPECT_EQ(p.a, 255);
        if (y < kHeight / 2) {
            EXPECT_GT(p.b, p.r + 4) << "row " << y;
        }
    }
}

TEST_F(SceneLayer, SideShadesFadeWithoutASeam) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    ensureSceneLayer(inputs(), kWidth, kHeight);
    Gdiplus::Bitmap& layer = *splashViewState.sceneLayer;
    const int y = 420;
    // Darkest at the outer edges, ground colour where each shade ends.
    EXPECT_LT(pixelAt(layer, 0, y).r, pixelAt(layer, 150, y).r);
    EXPECT_LT(pixelAt(layer, kWidth - 1, y).r, pixelAt(layer, kWidth - 150, y).r);
    // Across the inner edge of each shade no column jumps: a repeating gradient
    // would put its dark end right next to its clear one.
    const int rightStart = static_cast<int>(kWidth - 0.21f * kWidth);
    const int leftEnd = static_cast<int>(0.21f * kWidth);
    for (int x : {leftEnd - 2, leftEnd - 1, leftEnd, leftEnd + 1, rightStart - 1, rightStart,
                  rightStart + 1, rightStart + 2}) {
        EXPECT_TRUE(closeTo(pixelAt(layer, x, y), 10, 8, 8, 1)) << "column " << x;
    }
}

TEST_F(SceneLayer, WithoutEmblemTheTitleStaysInPlace) {
    const auto titleStart = [](Gdiplus::Bitmap& layer) {
        for (int x = 0; x < kWidth / 2; ++x) {
            for (int y = 8; y < 32; ++y) {
                if (pixelAt(layer, x, y).r > 180) return x;
            }
        }
        return -1;
    };
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    ensureSceneLayer(inputs(), kWidth, kHeight);
    const int withEmblem = titleStart(*splashViewState.sceneLayer);
    // The emblem's bright gem comes first, left of the title.
    EXPECT_GE(withEmblem, 17);
    EXPECT_LT(withEmblem, 45);

    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noLogo(splashAssets.logoImage);
    ensureSceneLayer(inputs(), kWidth, kHeight);
    const int withoutEmblem = titleStart(*splashViewState.sceneLayer);
    // The title starts at 0.055 W (58.6), its first letter a pixel or two further in.
    EXPECT_GE(withoutEmblem, 58);
    EXPECT_LE(withoutEmblem, 64);
}

TEST_F(SceneLayer, TwoLineCaptionIsCentredAsABlock) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    ensureSceneLayer(inputs(), kWidth, kHeight);
    Gdiplus::Bitmap& layer = *splashViewState.sceneLayer;
    // Rows that hold caption pixels around 0.567 H, and their horizontal extent per line.
    int top = -1, bottom = -1;
    for (int y = 320; y < 362; ++y) {
        for (int x = 300; x < 766; ++x) {
            if (pixelAt(layer, x, y).r > 60) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
        }
    }
    ASSERT_GE(top, 0);
    const float centreY = 0.567f * kHeight;
    EXPECT_NEAR((top + bottom) / 2.0f, centreY, 3.0f);
    const auto lineExtent = [&layer](int y0, int y1, int& left, int& right) {
        left = 10000;
        right = -1;
        for (int y = y0; y < y1; ++y) {
            for (int x = 250; x < 816; ++x) {
                if (pixelAt(layer, x, y).r > 60) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
    };
    int left1, right1, left2, right2;
    lineExtent(top, static_cast<int>(centreY), left1, right1);
    lineExtent(static_cast<int>(centreY) + 1, bottom + 1, left2, right2);
    EXPECT_NEAR((left1 + right1) / 2.0f, 533.0f, 2.5f);
    EXPECT_NEAR((left2 + right2) / 2.0f, 533.0f, 2.5f);
    EXPECT_GT(right1 - left1, right2 - left2);  // the first line is the longer one
}

}  // namespace
