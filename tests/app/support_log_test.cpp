#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/support_log_file.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// Four older logs are kept, the oldest dropped; each file stops at its cap with one cut line.
TEST(SupportLog, RotatesFourOlderLogsAndCutsAtTheCap) {
    const fs::path folder = fs::temp_directory_path() / "morvanta-support-log-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int generation = 0; generation <= kOlderSupportLogs; ++generation)
        std::ofstream(folder / supportLogName(generation)) << "run " << generation;
    rotateSupportLogs(folder.wstring());
    EXPECT_FALSE(fs::exists(folder / "starter.log"));
    for (int generation = 1; generation <= kOlderSupportLogs; ++generation)
        EXPECT_EQ(readAll(folder / supportLogName(generation)), "run " + std::to_string(generation - 1));
    EXPECT_FALSE(fs::exists(folder / "starter.5.log"));
    fs::remove_all(folder);

    const std::string cutLine = kSupportLogCutLine;
    const std::uint64_t cap = 100 + cutLine.size();
    std::uint64_t written = 0;
    bool cut = false;
    const std::string line(40, 'x');
    // Two lines fit in the room before the cut line; the third is replaced by it.
    EXPECT_EQ(fitUnderCap({line, line}, written, cut, cap), line + line);
    EXPECT_FALSE(cut);
    EXPECT_EQ(fitUnderCap({line, "short\n"}, written, cut, cap), cutLine);
    EXPECT_TRUE(cut);
    EXPECT_EQ(written, 80 + cutLine.size());
    EXPECT_EQ(fitUnderCap({"more\n"}, written, cut, cap), "");  // nothing after the cut
    std::uint64_t exact = 0;
    bool exactCut = false;
    EXPECT_EQ(fitUnderCap({std::string(100, 'y')}, exact, exactCut, cap), std::string(100, 'y'));  // room is inclusive
}
