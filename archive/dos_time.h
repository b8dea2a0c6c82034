#pragma once
// MS-DOS date and time fields of zip entries, as written by the archiver: a
// local wall-clock time with two-second steps and no time zone.

#include <cstdint>

struct DosWallClock {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Splits the packed fields; false when they name no real date or time
// (month 0, day 31 of April, hour 24, ...).
bool decodeDosTime(std::uint16_t dosDate, std::uint16_t dosTime, DosWallClock& clock);
