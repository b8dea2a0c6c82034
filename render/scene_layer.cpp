#include "render/scene_layer.h"

#include <memory>
#include <utility>

#include "render/draw_primitives.h"
#include "render/frame_layout.h"

namespace {

using Gdiplus::ARGB;

constexpr ARGB kGroundColour = 0xFF0A0808;
constexpr ARGB kShadeOpaque = 0xB9080606;
constexpr ARGB kShadeClear = 0x00080606;
constexpr ARGB kTintColour = 0x2A0A0707;
constexpr ARGB kTitleColour = 0xFFF0F0F0;
constexpr ARGB kPleaseWaitColour = 0xFFEEEEEE;
constexpr ARGB kCaptionColour = 0xFF969CA0;

// Scaled to cover the layer, centred, so one side fits and the other is cropped equally.
void drawBackground(Gdiplus::Graphics& graphics, Gdiplus::Bitmap& picture, float width,
                    float height) {
    const float pictureWidth = static_cast<float>(picture.GetWidth());
    const float pictureHeight = static_cast<float>(picture.GetHeight());
    if (pictureWidth <= 0.0f || pictureHeight <= 0.0f) return;
    const float byHeight = height / pictureHeight;
    const float byWidth = width / pictureWidth;
    const float scale = byHeight > byWidth ? byHeight : byWidth;
    const float drawnWidth = pictureWidth * scale;
    const float drawnHeight = pictureHeight * scale;
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.DrawImage(&picture, (width - drawnWidth) / 2.0f, (height - drawnHeight) / 2.0f,
                       drawnWidth, drawnHeight);
}

void drawEmblem(Gdiplus::Graphics& graphics, Gdiplus::Bitmap& picture, float width,
                float height) {
    const float pictureHeight = static_cast<float>(picture.GetHeight());
    if (pictureHeight <= 0.0f) return;
    const float drawnHeight = 0.043f * height;
    const float drawnWidth = static_cast<float>(picture.GetWidth()) * drawnHeight / pictureHeight;
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.DrawImage(&picture, 0.0165f * width, 0.033f * height - drawnHeight / 2.0f, drawnWidth,
                       drawnHeight);
}

void drawFixedTexts(Gdiplus::Graphics& graphics, const FrameInputs& inputs, float width,
                    float height) {
    const SplashTexts& texts = inputs.texts;
    const Gdiplus::FontFamily* family = inputs.assets.uiFontFamily.get();
    const int dpi = inputs.dpi;
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);

    const auto titleFont = createUiFont(family, 14, dpi);
    Gdiplus::SolidBrush titleBrush{Gdiplus::Color(kTitleColour)};
    Gdiplus::StringFormat titleFormat(0, LANG_NEUTRAL);
    titleFormat.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    const Gdiplus::RectF titleBox(0.055f * width, 0.0f, 0.4f * width, 0.066f * height);
    graphics.DrawString(texts.windowTitle, -1, titleFont.get(), titleBox, &titleFormat,
                        &titleBrush);

    const auto pleaseWaitFont = createUiFont(family, 14, dpi);
    drawCentredText(graphics, texts.pleaseWait, -1, *pleaseWaitFont, kPleaseWaitColour,
                    0.5f * width, 0.516f * height);

    const auto componentsFont = createUiFont(family, 12, dpi);
    drawCentredText(graphics, texts.components, -1, *componentsFont, kCaptionColour, 0.5f * width,
                    0.567f * height);

    const auto filesLabelFont = createUiFont(family, 12, dpi);
    drawCentredText(graphics, texts.filesLabel, -1, *filesLabelFont, kCaptionColour, 0.5f * width,
                    0.808f * height);
}

void composeScene(Gdiplus::Bitmap& layer, const FrameInputs& inputs, int clientWidth,
                  int clientHeight) {
    const SplashAssets& assets = inputs.assets;
    const float width = static_cast<float>(clientWidth);
    const float height = static_cast<float>(clientHeight);
    Gdiplus::Graphics graphics(&layer);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.Clear(Gdiplus::Color(kGroundColour));

    if (assets.backgroundImage) {
        drawBackground(graphics, *assets.backgroundImage, width, height);
    }

    // Dark side shades frame the centre column; a faint tint calms the picture.
    const float shadeWidth = 0.21f * width;
    const Gdiplus::RectF leftShade(0.0f, 0.0f, shadeWidth, height);
    const Gdiplus::RectF rightShade(width - shadeWidth, 0.0f, shadeWidth, height);
    Gdiplus::LinearGradientBrush leftBrush(leftShade, Gdiplus::Color(kShadeOpaque),
                                           Gdiplus::Color(kShadeClear),
                                           Gdiplus::LinearGradientModeHorizontal);
    Gdiplus::LinearGradientBrush rightBrush(rightShade, Gdiplus::Color(kShadeClear),
                                            Gdiplus::Color(kShadeOpaque),
                                            Gdiplus::LinearGradientModeHorizontal);
    // Mirrored rather than repeated beyond the rectangle: a repeating gradient
    // bleeds its far colour into the first column and draws a hard seam there.
    leftBrush.SetWrapMode(Gdiplus::WrapModeTileFlipX);
    rightBrush.SetWrapMode(Gdiplus::WrapModeTileFlipX);
    graphics.FillRectangle(&leftBrush, leftShade);
    graphics.FillRectangle(&rightBrush, rightShade);
    Gdiplus::SolidBrush tint{Gdiplus::Color(kTintColour)};
    graphics.FillRectangle(&tint, 0, 0, clientWidth, clientHeight);

    if (assets.logoImage) drawEmblem(graphics, *assets.logoImage, width, height);
    if (assets.uiFontFamily) drawFixedTexts(graphics, inputs, width, height);
}

// Each frame scaled once, with the same filter the frame would use, to the
// whole pixels of the spinner's square.
void prepareSpinnerFrames(SplashViewState& view, const SplashAssets& assets, int clientWidth,
                          int clientHeight) {
    const int side = spinnerPixelRect(clientWidth, clientHeight).side;
    for (int i = 0; i < kSpinnerFrameCount; ++i) {
        view.spinnerLayerFrames[i].reset();
        Gdiplus::Bitmap* source = assets.spinnerFrames[i].get();
        if (source == nullptr || side <= 0) continue;
        std::unique_ptr<Gdiplus::Bitmap> scaled(
            new Gdiplus::Bitmap(side, side, PixelFormat32bppPARGB));
        if (!scaled || scaled->GetLastStatus() != Gdiplus::Ok) continue;
        {
            Gdiplus::Graphics graphics(scaled.get());
            graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
            applySurfaceQuality(graphics);
            graphics.DrawImage(source, 0.0f, 0.0f, static_cast<float>(side),
                               static_cast<float>(side));
        }
        view.spinnerLayerFrames[i] = std::move(scaled);
    }
}

}  // namespace

void ensureSceneLayer(const FrameInputs& inputs, int clientWidth, int clientHeight) {
    SplashViewState& view = inputs.view;
    if (view.sceneLayer && clientWidth == view.sceneLayerWidth &&
        clientHeight == view.sceneLayerHeight) {
        return;
    }
    view.sceneLayer.reset();
    // The scene is opaque everywhere, so it carries no alpha: an opaque layer is
    // copied to the frame as a plain block instead of being blended pixel by pixel.
    view.sceneLayer.reset(new Gdiplus::Bitmap(clientWidth, clientHeight, PixelFormat32bppRGB));
    if (view.sceneLayer && view.sceneLayer->GetLastStatus() != Gdiplus::Ok) {
        // A zero or huge size makes no bitmap; the next paint tries again.
        view.sceneLayer.reset();
    }
    if (view.sceneLayer) composeScene(*view.sceneLayer, inputs, clientWidth, clientHeight);
    prepareSpinnerFrames(view, inputs.assets, clientWidth, clientHeight);
    view.sceneLayerWidth = clientWidth;
    view.sceneLayerHeight = clientHeight;
}
