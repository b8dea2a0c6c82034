#include <gtest/gtest.h>

#include "archive/dos_time.h"

namespace {

std::uint16_t dosDate(int year, int month, int day) {
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

std::uint16_t dosTime(int hour, int minute, int second) {
    return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

TEST(DosTimeTest, DecodesEveryField) {
    DosWallClock clock;
    ASSERT_TRUE(decodeDosTime(dosDate(2021, 7, 15), dosTime(13, 34, 56), clock));
    EXPECT_EQ(clock.year, 2021);
    EXPECT_EQ(clock.month, 7);
    EXPECT_EQ(clock.day, 15);
    EXPECT_EQ(clock.hour, 13);
    EXPECT_EQ(clock.minute, 34);
    EXPECT_EQ(clock.second, 56);
    // The widest values the fields can hold that are still a time.
    ASSERT_TRUE(decodeDosTime(dosDate(2107, 12, 31), dosTime(23, 59, 58), clock));
    EXPECT_EQ(clock.year, 2107);
    EXPECT_EQ(clock.second, 58);
}

TEST(DosTimeTest, RefusesFieldsThatNameNoRealTime) {
    DosWallClock clock;
    EXPECT_FALSE(decodeDosTime(0, 0, clock));  // month 0, day 0: what blank headers hold
    EXPECT_FALSE(decodeDosTime(dosDate(2021, 13, 1), 0, clock));
    EXPECT_FALSE(decodeDosTime(dosDate(2021, 4, 31), 0, clock));
    EXPECT_FALSE(decodeDosTime(dosDate(2021, 1, 1), dosTime(24, 0, 0), clock));
    EXPECT_FALSE(decodeDosTime(dosDate(2021, 1, 1), dosTime(0, 60, 0), clock));
    EXPECT_FALSE(decodeDosTime(dosDate(2021, 1, 1), 0x1E, clock));  // 60 seconds
}

TEST(DosTimeTest, LeapDaysFollowTheGregorianRule) {
    DosWallClock clock;
    EXPECT_TRUE(decodeDosTime(dosDate(2020, 2, 29), 0, clock));
    EXPECT_FALSE(decodeDosTime(dosDate(2021, 2, 29), 0, clock));
    EXPECT_TRUE(decodeDosTime(dosDate(2000, 2, 29), 0, clock));
    EXPECT_FALSE(decodeDosTime(dosDate(2100, 2, 29), 0, clock));
}

}  // namespace
