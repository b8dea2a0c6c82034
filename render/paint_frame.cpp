#include "render/paint_frame.h"

#include <cwchar>
#include <string>

#include "render/close_button_rect.h"
#include "render/draw_primitives.h"
#include "render/frame_layout.h"
#include "render/scene_layer.h"

namespace {

using Gdiplus::ARGB;

constexpr ARGB kStatusColour = 0xFFE6E6E6;
constexpr ARGB kTrackColour = 0xCD1C1610;
constexpr ARGB kFillTopColour = 0xFFFFC446;
constexpr ARGB kFillBottomColour = 0xFFFA9E00;
constexpr ARGB kPercentageColour = 0xFFFFFFFF;

void drawCloseButton(Gdiplus::Graphics& graphics, const SplashAssets& assets,
                     const SplashViewState& view, int clientWidth, int clientHeight) {
    // The hovered picture is never replaced by the normal one: a missing picture draws nothing.
    Gdiplus::Bitmap* picture = view.closeHovered
                                   ? assets.closeButtonHoverImage.get()
                                   : assets.closeButtonImage.get();
    if (picture == nullptr) return;
    const ButtonRect button = closeButtonRectFor(clientWidth, clientHeight);
    graphics.DrawImage(picture, button.left, button.top, button.width, button.height);
}

void drawSpinner(Gdiplus::Graphics& graphics, const SplashViewState& view, int clientWidth,
                 int clientHeight) {
    const SpinnerBlend blend = spinnerBlend(view.spinnerPhase);
    // The frames were scaled to this square with the scene layer: drawn 1:1 on
    // whole pixels, they are only blended, never resampled.
    const PixelRect square = spinnerPixelRect(clientWidth, clientHeight);
    const float x = static_cast<float>(square.x);
    const float y = static_cast<float>(square.y);
    const float side = static_cast<float>(square.side);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    // Frame 9 fades into frame 0: the ten frames form a closed loop.
    const auto& frames = view.spinnerLayerFrames;
    drawImageWithOpacity(graphics, frames[blend.frame].get(), x, y, side, side,
                         1.0f - blend.nextOpacity);
    drawImageWithOpacity(graphics, frames[blend.nextFrame].get(), x, y, side, side,
                         blend.nextOpacity);
}

void drawStatusAndBar(Gdiplus::Graphics& graphics, const FrameInputs& inputs, int clientWidth,
                      int clientHeight) {
    const float width = static_cast<float>(clientWidth);
    const float height = static_cast<float>(clientHeight);
    const std::wstring& status = inputs.statusText;
    const Gdiplus::FontFamily* family = inputs.assets.uiFontFamily.get();
    const int dpi = inputs.dpi;

    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    const auto statusFont = createUiFont(family, 12, dpi);
    const auto percentageFont = createUiFont(family, 13, dpi);

    drawCentredText(graphics, status.c_str(), static_cast<int>(status.size()), *statusFont,
                    kStatusColour, 0.5f * width, 0.848f * height);

    const LayoutRect bar = progressBarRect(clientWidth, clientHeight);
    Gdiplus::SolidBrush track{Gdiplus::Color(kTrackColour)};
    fillCapsule(graphics, track, bar.x, bar.y, bar.width, bar.height);

    const double fraction = barFraction(inputs.view.shownProgress);
    if (barHasFill(fraction)) {
        const float fillWidth = barFillWidth(bar, fraction);
        // One pixel taller than the bar on each side, so the edge rows get the end colours.
        const Gdiplus::RectF gradientBox(bar.x, bar.y - 1.0f, fillWidth, bar.height + 2.0f);
        Gdiplus::LinearGradientBrush fill(gradientBox, Gdiplus::Color(kFillTopColour),
                                          Gdiplus::Color(kFillBottomColour),
                                          Gdiplus::LinearGradientModeVertical);
        fillCapsule(graphics, fill, bar.x, bar.y, fillWidth, bar.height);
    }

    wchar_t percentage[8];
    std::swprintf(percentage, 8, L"%d%%", barPercentage(fraction));
    drawCentredText(graphics, percentage, static_cast<int>(std::wcslen(percentage)),
                    *percentageFont, kPercentageColour, bar.x + bar.width / 2.0f,
                    bar.y + bar.height / 2.0f);
}

// Releases the window's device context on every path.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context with an off-screen bitmap selected in, undone in reverse order.
class OffscreenTarget {
public:
    OffscreenTarget(HDC windowDc, int width, int height)
        : memoryDc_(CreateCompatibleDC(windowDc)),
          bitmap_(CreateCompatibleBitmap(windowDc, width, height)) {
        if (memoryDc_ != nullptr && bitmap_ != nullptr) {
            previous_ = SelectObject(memoryDc_, bitmap_);
        }
    }
    ~OffscreenTarget() {
        if (previous_ != nullptr) SelectObject(memoryDc_, previous_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (memoryDc_ != nullptr) DeleteDC(memoryDc_);
    }
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;
    bool ready() const { return previous_ != nullptr; }
    HDC dc() const { return memoryDc_; }

private:
    HDC memoryDc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace

void composeFrame(Gdiplus::Graphics& graphics, const FrameInputs& inputs, int clientWidth,
                  int clientHeight) {
    const SplashViewState& view = inputs.view;
    // The cached scene, unscaled, before any quality setting can slow the copy down.
    if (view.sceneLayer) {
        graphics.DrawImage(view.sceneLayer.get(), 0, 0, clientWidth, clientHeight);
    }
    applySurfaceQuality(graphics);
    drawCloseButton(graphics, inputs.assets, view, clientWidth, clientHeight);
    drawSpinner(graphics, view, clientWidth, clientHeight);
    // Without the font there is no text block, and the bar belongs to it.
    if (inputs.assets.uiFontFamily) drawStatusAndBar(graphics, inputs, clientWidth, clientHeight);
}

void paintFrame(HWND window, const FrameInputs& inputs) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    ensureSceneLayer(inputs, width, height);

    WindowDc windowDc(window);
    if (windowDc.get() == nullptr) return;
    OffscreenTarget target(windowDc.get(), width, height);
    if (!target.ready()) return;
    {
        Gdiplus::Graphics graphics(target.dc());
        composeFrame(graphics, inputs, width, height);
    }  // the surface is released before its pixels are copied
    BitBlt(windowDc.get(), 0, 0, width, height, target.dc(), 0, 0, SRCCOPY);
}
