// What the launch's hold keeps others from doing, on a real (Wine) file system.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/launch_hold.h"

namespace fs = std::filesystem;

namespace {

TEST(LaunchHold, NothingHeldCanBeRenamedOrWrittenUntilReleased) {
    const fs::path folder = fs::temp_directory_path() / ("launch-hold-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::wstring program = (folder / "javaw.exe").wstring();
    std::ofstream(fs::path(program)) << "stand-in";
    const std::wstring moved = folder.wstring() + L".moved";
    const auto openForWriting = [&program] {
        return UniqueFileHandle(CreateFileW(program.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    };

    LaunchHold hold;
    EXPECT_FALSE(holdForLaunch({folder.wstring()}, folder.wstring(), hold)) << "a folder taken for the program";
    EXPECT_TRUE(hold.empty());
    ASSERT_TRUE(holdForLaunch({folder.wstring()}, program, hold));
    EXPECT_FALSE(MoveFileW(folder.wstring().c_str(), moved.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(openForWriting()) << "the program could be written while held";
    hold.clear();
    EXPECT_TRUE(openForWriting());
    EXPECT_TRUE(MoveFileW(folder.wstring().c_str(), moved.c_str()));
    fs::remove_all(moved);
}

}  // namespace
