#pragma once
// The drawing operations that the scene layer and the frame share. Every
// graphics object is made for one use and released before returning; a failing
// GDI+ call leaves its element out and is not reported.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

// Quality settings every surface gets before pictures and shapes are drawn.
void applySurfaceQuality(Gdiplus::Graphics& graphics);

// The whole picture scaled into the rectangle with its alpha multiplied by the
// opacity; nothing for a null picture or an opacity of 0.001 or less.
void drawImageWithOpacity(Gdiplus::Graphics& graphics, Gdiplus::Image* picture, float x, float y,
                          float width, float height, float opacity);

// A bar whose short ends are half circles; width equal to height gives a circle.
void fillCapsule(Gdiplus::Graphics& graphics, const Gdiplus::Brush& brush, float x, float y,
                 float width, float height);

// Text centred on a point; several lines are centred as a block, one under the other.
void drawCentredText(Gdiplus::Graphics& graphics, const wchar_t* text, int length,
                     const Gdiplus::Font& font, Gdiplus::ARGB colour, float centreX,
                     float centreY);

// Design pixels at 96 DPI scaled to the screen, rounded as MulDiv rounds.
int uiFontPixelSize(int designSize, int dpi);

// The window's font at a design size, scaled by the DPI; a font in a failed
// state when the embedded font has no family (null).
std::unique_ptr<Gdiplus::Font> createUiFont(const Gdiplus::FontFamily* family, int designSize,
                                            int dpi);
