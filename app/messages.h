#pragma once
// The private window message by which the worker asks the splash to close.

#include <windows.h>

inline constexpr UINT WM_LAUNCHER_DONE = WM_APP + 1;
