#pragma once
// Shared helpers of the rendering tests: GDI+ for the whole program, the
// program's artwork loaded once, frames composed into plain bitmaps, pixels read back.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "app/splash_assets.h"
#include "app/splash_texts.h"
#include "app/splash_view_state.h"
#include "render/frame_inputs.h"
#include "render/paint_frame.h"
#include "render/scene_layer.h"

namespace render_test {

inline constexpr int kWidth = 1066;
inline constexpr int kHeight = 599;

struct Rgba {
    int r;
    int g;
    int b;
    int a;
};

inline Rgba pixelAt(Gdiplus::Bitmap& bitmap, int x, int y) {
    Gdiplus::Color colour;
    bitmap.GetPixel(x, y, &colour);
    return Rgba{colour.GetR(), colour.GetG(), colour.GetB(), colour.GetA()};
}

inline ::testing::AssertionResult closeTo(const Rgba& actual, int r, int g, int b, int tolerance) {
    const auto off = [tolerance](int x, int y) { return x - y > tolerance || y - x > tolerance; };
    if (off(actual.r, r) || off(actual.g, g) || off(actual.b, b)) {
        return ::testing::AssertionFailure()
               << "got (" << actual.r << ", " << actual.g << ", " << actual.b << "), expected ("
               << r << ", " << g << ", " << b << ") within " << tolerance;
    }
    return ::testing::AssertionSuccess();
}

// Takes one asset slot out for the life of the guard (and drops the cached
// scene, so it is rebuilt without it), then puts it back.
template <typename Slot>
class WithoutAsset {
public:
    explicit WithoutAsset(Slot& slot) : slot_(slot), kept_(std::move(slot)) {
        splashViewState.sceneLayer.reset();
    }
    ~WithoutAsset() {
        slot_ = std::move(kept_);
        splashViewState.sceneLayer.reset();
    }
    WithoutAsset(const WithoutAsset&) = delete;
    WithoutAsset& operator=(const WithoutAsset&) = delete;

private:
    Slot& slot_;
    Slot kept_;
};

// Every test starts from the program's state at its first paint.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        splashViewState.closeHovered = 0;
        splashViewState.spinnerPhase = 0.0;
        splashViewState.shownProgress = 0.0;
        splashViewState.sceneLayer.reset();
        splashViewState.sceneLayerWidth = 0;
        splashViewState.sceneLayerHeight = 0;
    }
    void TearDown() override { splashViewState.sceneLayer.reset(); }

    // What the splash window would hand to render: the program's artwork, view
    // and texts, with this test's status line and DPI.
    FrameInputs inputs() const {
        return FrameInputs{splashAssets, splashViewState, kSplashTexts, statusText, dpi};
    }

    // One frame at the given size, as paintFrame composes it, into an ARGB bitmap.
    std::unique_ptr<Gdiplus::Bitmap> composeTestFrame(int width = kWidth, int height = kHeight) const {
        const FrameInputs frameInputs = inputs();
        ensureSceneLayer(frameInputs, width, height);
        std::unique_ptr<Gdiplus::Bitmap> frame(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
        Gdiplus::Graphics graphics(frame.get());
        composeFrame(graphics, frameInputs, width, height);
        return frame;
    }

    int dpi = 96;
    std::wstring statusText = L"Поиск необходимых в обновлении файлов";
};

}  // namespace render_test
