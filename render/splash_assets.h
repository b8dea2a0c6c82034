#pragma once
// The splash window's artwork and font, as the program loaded them; render only reads them.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <array>
#include <memory>

inline constexpr int kSpinnerFrameCount = 10;

// Every slot may be empty: its user then leaves its element out.
struct SplashAssets {
    std::unique_ptr<Gdiplus::Bitmap> backgroundImage;
    std::unique_ptr<Gdiplus::Bitmap> logoImage;
    std::array<std::unique_ptr<Gdiplus::Bitmap>, kSpinnerFrameCount> spinnerFrames;
    std::unique_ptr<Gdiplus::Bitmap> closeButtonImage;
    std::unique_ptr<Gdiplus::Bitmap> closeButtonHoverImage;
    std::unique_ptr<Gdiplus::PrivateFontCollection> uiFontCollection;
    std::unique_ptr<Gdiplus::FontFamily> uiFontFamily;
};
