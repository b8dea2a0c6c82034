#pragma once
// Local wall-clock time to UTC with the daylight-saving rule of that date.

#include <windows.h>

#include "archive/dos_time.h"

// Uses the time zone's rule for the clock's own year, so a summer date gets the
// summer bias even when converted in winter. False when Windows refuses the time.
bool localWallClockToUtc(const DosWallClock& clock, FILETIME& utc);
