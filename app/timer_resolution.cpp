#include "app/timer_resolution.h"

#include <windows.h>

#include <string>

namespace {

constexpr unsigned kPeriodMs = 1;
constexpr unsigned kNoError = 0;  // TIMERR_NOERROR

// By full path: winmm is no KnownDLL, and this must not pick up one beside the program.
HMODULE loadSystemWinmm() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\winmm.dll";
    return LoadLibraryW(path.c_str());
}

template <typename Function>
Function lookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

TimerResolution::TimerResolution() : winmm_(loadSystemWinmm()) {
    if (!winmm_) return;
    const auto beginPeriod = lookUp<PeriodFunction>(winmm_.get(), "timeBeginPeriod");
    const auto endPeriod = lookUp<PeriodFunction>(winmm_.get(), "timeEndPeriod");
    if (beginPeriod && endPeriod && beginPeriod(kPeriodMs) == kNoError) endPeriod_ = endPeriod;
}

TimerResolution::~TimerResolution() {
    if (endPeriod_) endPeriod_(kPeriodMs);
}
