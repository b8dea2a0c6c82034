#include "render/draw_primitives.h"

void applySurfaceQuality(Gdiplus::Graphics& graphics) {
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
}

void drawImageWithOpacity(Gdiplus::Graphics& graphics, Gdiplus::Image* picture, float x, float y,
                          float width, float height, float opacity) {
    if (picture == nullptr || opacity <= 0.001f) return;

    // Identity except alpha-to-alpha: colours pass, each pixel's alpha is scaled.
    Gdiplus::ColorMatrix matrix = {{
        {1.0f, 0.0f, 0.0f, 0.0f, 0.0f},
        {0.0f, 1.0f, 0.0f, 0.0f, 0.0f},
        {0.0f, 0.0f, 1.0f, 0.0f, 0.0f},
        {0.0f, 0.0f, 0.0f, opacity, 0.0f},
        {0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
    }};
    Gdiplus::ImageAttributes attributes;
    attributes.SetColorMatrix(&matrix, Gdiplus::ColorMatrixFlagsDefault,
                              Gdiplus::ColorAdjustTypeDefault);

    const float sourceWidth = static_cast<float>(picture->GetWidth());
    const float sourceHeight = static_cast<float>(picture->GetHeight());
    graphics.DrawImage(picture, Gdiplus::RectF(x, y, width, height), 0.0f, 0.0f, sourceWidth,
                       sourceHeight, Gdiplus::UnitPixel, &attributes);
}

void fillCapsule(Gdiplus::Graphics& graphics, const Gdiplus::Brush& brush, float x, float y,
                 float width, float height) {
    const float radius = 0.5f * (width < height ? width : height);
    const float diameter = radius + radius;
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    // Left end from its bottom through its leftmost point to its top, then the
    // right end from top to bottom; the path joins them along the top edge.
    path.AddArc(x, y, diameter, diameter, 90.0f, 180.0f);
    path.AddArc(x + width - diameter, y, diameter, diameter, 270.0f, 180.0f);
    path.CloseFigure();
    graphics.FillPath(&brush, &path);
}

void drawCentredText(Gdiplus::Graphics& graphics, const wchar_t* text, int length,
                     const Gdiplus::Font& font, Gdiplus::ARGB colour, float centreX,
                     float centreY) {
    // A box far larger than any text, so the text is centred and never wraps.
    const Gdiplus::RectF layout(centreX - 2000.0f, centreY - 200.0f, 4000.0f, 400.0f);
    Gdiplus::StringFormat format(0, LANG_NEUTRAL);
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    Gdiplus::SolidBrush brush{Gdiplus::Color(colour)};
    graphics.DrawString(text, length, &font, layout, &format, &brush);
}

int uiFontPixelSize(int designSize, int dpi) {
    return MulDiv(designSize, dpi, 96);
}

std::unique_ptr<Gdiplus::Font> createUiFont(const Gdiplus::FontFamily* family, int designSize,
                                            int dpi) {
    const float pixels = static_cast<float>(uiFontPixelSize(designSize, dpi));
    return std::unique_ptr<Gdiplus::Font>(
        new Gdiplus::Font(family, pixels, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel));
}
