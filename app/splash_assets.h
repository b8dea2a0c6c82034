#pragma once
// The splash window's artwork and font, loaded once from the program's resources.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "render/splash_assets.h"

inline constexpr WORD kBackgroundResourceId = 100;
inline constexpr WORD kLogoResourceId = 101;
inline constexpr WORD kUiFontResourceId = 102;
inline constexpr WORD kFirstSpinnerFrameResourceId = 200;  // kSpinnerFrameCount ids from here
inline constexpr WORD kCloseButtonResourceId = 302;
inline constexpr WORD kCloseButtonHoverResourceId = 303;

// Written once by loadSplashAssets before the window exists, then read by the
// window thread only. Never destroyed: its objects must not outlive the
// graphics library, which is shut down before the process ends.
extern SplashAssets& splashAssets;

// One PNG (or any picture GDI+ decodes) from an RT_RCDATA resource of the
// program; null when it is missing or does not decode.
std::unique_ptr<Gdiplus::Bitmap> loadPngResource(WORD id);
std::unique_ptr<Gdiplus::Bitmap> loadPngResourceFrom(HMODULE module, WORD id);

// Fills splashAssets from the program's own resources. Called once, after
// GdiplusStartup and before the window and the worker exist.
void loadSplashAssets();

// The same from any module's resources into any record (a resource library in tests).
void loadSplashAssetsFrom(HMODULE module, SplashAssets& assets);
