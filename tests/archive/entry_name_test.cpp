// Which entry names may be joined to the destination folder (no platform headers:
// this also runs in the native build under the sanitizers).

#include <gtest/gtest.h>

#include <string>

#include "archive/entry_name.h"

namespace {

TEST(EntryNameTest, OrdinaryRuntimeNamesAreAccepted) {
    for (const char* name : {"jdk-17/bin/javaw.exe", "a/./b.txt", "lib/.hidden", "conf/..config",
                             "legal/java.base/LICENSE", "dir/", "console.txt", "COM10", "среда/x",
                             "a~b/c", "x~", "COM\xC2\xB4", "LPT\xC2\xB9x"}) {
        EXPECT_TRUE(isSafeEntryName(name)) << name;
    }
}

TEST(EntryNameTest, EscapingNamesAreRefused) {
    for (const char* name : {"", "..", "../x", "a/../x", "a\\..\\x", "a/..", ". ./x", "/x", "\\x",
                             "C:x", "x:y", "a/CON", "aux.txt", "lpt1", "com3.log", "bin/javaw.exe.",
                             "bin/javaw.exe ", "bin./javaw.exe", "bin/JAVAW~1.EXE", "lib~2/x",
                             "COM\xC2\xB9", "lpt\xC2\xB3.txt", "x/COM\xC2\xB2 .log"}) {
        EXPECT_FALSE(isSafeEntryName(name)) << name;
    }
    EXPECT_FALSE(isSafeEntryName(std::string("a\0b", 3)));
}

// Win32 drops spaces before a device name's extension, and only COM1..COM9 and
// LPT1..LPT9 are devices: COM0 and LPT0 are plain file names.
TEST(EntryNameTest, DeviceNamesFollowWin32Parsing) {
    for (const char* name : {"bin/COM1 .log", "nul .txt", "x/LPT9  .dat"}) {
        EXPECT_FALSE(isSafeEntryName(name)) << name;
    }
    for (const char* name : {"COM0", "lib/lpt0.txt", "COM", "LPTX.txt"}) {
        EXPECT_TRUE(isSafeEntryName(name)) << name;
    }
}

}  // namespace
