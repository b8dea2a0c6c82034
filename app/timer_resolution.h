#pragma once
// Holds the system timer resolution at 1 ms for as long as it lives.

#include "base/unique_handle.h"

class TimerResolution {
public:
    TimerResolution();
    ~TimerResolution();
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;

    // False where winmm or its timer calls are missing: timers then keep the system's pace.
    bool held() const { return endPeriod_ != nullptr; }

private:
    using PeriodFunction = unsigned(WINAPI*)(unsigned);
    UniqueModule winmm_;
    PeriodFunction endPeriod_ = nullptr;
};
