// The runtime search over real folder trees made in a temporary folder.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bootstrap/java_search.h"

namespace fs = std::filesystem;

namespace {

class JavaSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::path(temp) / "morvanta-search-tests" / info->name() / "java";
        fs::remove_all(root.parent_path());
        fs::create_directories(root);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root.parent_path(), ignored);
    }
    void touch(const fs::path& relative) {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative) << "stand-in";
    }
    std::wstring find(const wchar_t* fileName) { return findJavaExecutable(root.wstring(), fileName); }
    std::wstring under(const wchar_t* relative) { return root.wstring() + L"\\" + relative; }

    fs::path root;
};

TEST_F(JavaSearchTest, FindsTheFileInABinFolderKeepingTheSpellingOnDisk) {
    touch(L"JDK\\BIN\\JAVAW.EXE");
    EXPECT_EQ(find(L"javaw.exe"), under(L"JDK\\BIN\\JAVAW.EXE"));
}

TEST_F(JavaSearchTest, JavaExeIsFoundWhenAskedForAndJavawIsNot) {
    touch(L"bin\\java.exe");
    EXPECT_EQ(find(L"javaw.exe"), L"");
    EXPECT_EQ(find(L"java.exe"), under(L"bin\\java.exe"));
}

TEST_F(JavaSearchTest, OnlyADirectParentNamedBinCounts) {
    touch(L"javaw.exe");
    touch(L"tools\\javaw.exe");
    touch(L"bin2\\javaw.exe");
    touch(L"jre\\lib\\javaw.exe");
    touch(L"xbin\\javaw.exe");
    fs::create_directories(root / "other" / "bin" / "javaw.exe");  // a folder, not the file
    EXPECT_EQ(find(L"javaw.exe"), L"");

    touch(L"zz\\bin\\bin\\javaw.exe");  // only the immediate parent's name counts
    EXPECT_EQ(find(L"javaw.exe"), under(L"zz\\bin\\bin\\javaw.exe"));
}

TEST_F(JavaSearchTest, MissingRootGivesNothing) {
    EXPECT_EQ(findJavaExecutable(root.wstring() + L"\\absent", L"javaw.exe"), L"");
    touch(L"file");
    EXPECT_EQ(findJavaExecutable(root.wstring() + L"\\file", L"javaw.exe"), L"");
}

TEST_F(JavaSearchTest, TheRuntimeListedFirstWins) {
    touch(L"a\\bin\\javaw.exe");
    touch(L"b\\bin\\javaw.exe");
    // Whichever of a and b the folder listing delivers first.
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((root.wstring() + L"\\*").c_str(), &entry);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);
    std::wstring first;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            first = name;
            break;
        }
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
    EXPECT_EQ(find(L"javaw.exe"), root.wstring() + L"\\" + first + L"\\bin\\javaw.exe");
}

// The loop tree is made on the host side (make_link_loop.sh): java\jdk holds the
// runtime's bin folder and ten folder links back to java.
TEST(JavaSearchLinkTest, FolderLinksAreNotFollowed) {
    const char* tree = std::getenv("MORVANTA_LINK_LOOP_TREE");
    ASSERT_NE(tree, nullptr);
    const fs::path root = fs::path(tree) / "java";
    const DWORD attributes = GetFileAttributesW((root / "jdk" / "a0").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    ASSERT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);

    const ULONGLONG started = GetTickCount64();
    const std::wstring found = findJavaExecutable(root.wstring(), L"javaw.exe");
    EXPECT_LT(GetTickCount64() - started, 20000u);
    EXPECT_EQ(found, root.wstring() + L"\\jdk\\bin\\javaw.exe");
}

}  // namespace
