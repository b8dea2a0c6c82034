#include "archive/dos_time.h"

namespace {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

}  // namespace

bool decodeDosTime(std::uint16_t dosDate, std::uint16_t dosTime, DosWallClock& clock) {
    clock.year = 1980 + (dosDate >> 9);
    clock.month = (dosDate >> 5) & 0x0F;
    clock.day = dosDate & 0x1F;
    clock.hour = dosTime >> 11;
    clock.minute = (dosTime >> 5) & 0x3F;
    clock.second = (dosTime & 0x1F) * 2;
    if (clock.month < 1 || clock.month > 12) return false;
    if (clock.day < 1 || clock.day > daysInMonth(clock.year, clock.month)) return false;
    return clock.hour < 24 && clock.minute < 60 && clock.second < 60;
}
