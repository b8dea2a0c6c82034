#pragma once
// Saves what the screen shows as a PNG: the test artefacts of whole runs.

#include <windows.h>

#include <string>

// The area of `window` as it is on screen (the whole screen when null).
bool saveScreenshot(HWND window, const std::wstring& pngPath);
