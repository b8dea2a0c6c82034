#include <windows.h>

#include <gtest/gtest.h>

#include "app/constants.h"
#include "app/handover.h"

// After a hand-over that did not come about, the run goes on only if this process
// holds the single-instance lock again: its own mutex, kept because the new program
// was never started, is not another copy's; one made by another copy is.
TEST(Handover, TakingTheSingleInstanceLockBackTellsItsOwnFromAnotherCopys) {
    keepSingleInstanceMutex(CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
    EXPECT_TRUE(takeSingleInstanceBack()) << "never let go: still this run's";

    keepSingleInstanceMutex(nullptr);
    HANDLE anotherCopy = CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName);
    ASSERT_NE(anotherCopy, nullptr);
    EXPECT_FALSE(takeSingleInstanceBack()) << "another copy took it meanwhile";
    keepSingleInstanceMutex(nullptr);
    CloseHandle(anotherCopy);
}
