#include "archive/local_time_win.h"

bool localWallClockToUtc(const DosWallClock& clock, FILETIME& utc) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(clock.year);
    local.wMonth = static_cast<WORD>(clock.month);
    local.wDay = static_cast<WORD>(clock.day);
    local.wHour = static_cast<WORD>(clock.hour);
    local.wMinute = static_cast<WORD>(clock.minute);
    local.wSecond = static_cast<WORD>(clock.second);
    // The zone's rule of that year where Windows keeps one per year; today's rule otherwise.
    TIME_ZONE_INFORMATION zone{};
    const TIME_ZONE_INFORMATION* rule = nullptr;
    if (GetTimeZoneInformationForYear(local.wYear, nullptr, &zone)) rule = &zone;
    SYSTEMTIME universal{};
    if (!TzSpecificLocalTimeToSystemTime(rule, &local, &universal)) return false;
    return SystemTimeToFileTime(&universal, &utc) != FALSE;
}
