#pragma once
// Shared helpers of the rendering tests: GDI+ for the whole program, the
// program's artwork loaded once, frames composed into plain bitmaps, pixels read back.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "app/launcher_state.h"
#include "app/splash_assets.h"
#include "app/splash_view_state.h"
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

// One frame at the given size, as paintFrame composes it, into an ARGB bitmap.
inline std::unique_ptr<Gdiplus::Bitmap> composeTestFrame(int width = kWidth, int height = kHeight) {
    ensureSceneLayer(width, height);
    std::unique_ptr<Gdiplus::Bitmap> frame(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    Gdiplus::Graphics graphics(frame.get());
    composeFrame(graphics, width, height);
    return frame;
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
        screenDpi = 96;
        splashViewState.closeHovered = 0;
        splashViewState.spinnerPhase = 0.0;
        splashViewState.shownProgress = 0.0;
        splashViewState.sceneLayer.reset();
        splashViewState.sceneLayerWidth = 0;
        splashViewState.sceneLayerHeight = 0;
        publishStatus(L"Поиск необходимых в обновлении файлов", 0.0);
    }
    void TearDown() override { splashViewState.sceneLayer.reset(); }
};

}  // namespace render_test
