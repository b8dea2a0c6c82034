#pragma once
// Fixed texts and values of the program; none of them is configurable at run time.

#include <cstddef>

inline constexpr const wchar_t* kGameDirectory = L"C:\\.Morvanta";
inline constexpr const wchar_t* kSingleInstanceMutexName = L"MorvantaStarterMutex";
inline constexpr const wchar_t* kWindowClassName = L"MorvantaStarter";

// Design client size at 96 DPI.
inline constexpr int kDesignWidth = 1066;
inline constexpr int kDesignHeight = 599;

inline constexpr unsigned kAnimationTimerId = 1;
inline constexpr unsigned kAnimationTimerPeriodMs = 16;

// Update-server base URLs, tried in this order. Each program build defines
// them from its CMake server list (UPDATE_SERVERS).
inline constexpr std::size_t kUpdateServerCount = 3;
extern const char* const kUpdateServers[kUpdateServerCount];
