#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "app/launcher_state.h"

namespace {

// A visible top-level window whose update region can be inspected.
struct ScratchWindow {
    HWND handle = nullptr;
    ScratchWindow() {
        handle = CreateWindowExW(0, L"STATIC", L"scratch", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        UpdateWindow(handle);
        ValidateRect(handle, nullptr);
    }
    ~ScratchWindow() { DestroyWindow(handle); }
};

struct MainWindowOverride {
    HWND saved = mainWindow;
    explicit MainWindowOverride(HWND window) { mainWindow = window; }
    ~MainWindowOverride() { mainWindow = saved; }
};

// Captures the state before any test publishes, whatever order the tests run in.
class InitialStateProbe : public ::testing::Environment {
public:
    static LauncherStateSnapshot initial;
    void SetUp() override { initial = readLauncherState(); }
};
LauncherStateSnapshot InitialStateProbe::initial;
const auto* const kProbe = ::testing::AddGlobalTestEnvironment(new InitialStateProbe);

TEST(LauncherState, StartsWithTheSearchLineAndAnEmptyBar) {
    EXPECT_EQ(InitialStateProbe::initial.statusText, L"Поиск необходимых в обновлении файлов");
    EXPECT_EQ(InitialStateProbe::initial.progress, 0.0);
}

TEST(LauncherState, WithoutWindowValuesAreStoredAndNothingIsRequested) {
    MainWindowOverride none(nullptr);
    publishStatus(L"12.00 MB / 40.00 MB  3.10 MB/s", 0.3);
    const LauncherStateSnapshot state = readLauncherState();
    EXPECT_EQ(state.statusText, L"12.00 MB / 40.00 MB  3.10 MB/s");
    EXPECT_EQ(state.progress, 0.3);
}

TEST(LauncherState, PublishingInvalidatesTheWholeWindow) {
    ScratchWindow scratch;
    ASSERT_NE(scratch.handle, nullptr);
    MainWindowOverride override(scratch.handle);
    RECT dirty{};
    ASSERT_FALSE(GetUpdateRect(scratch.handle, &dirty, FALSE));

    publishStatus(L"Проверка целостности файлов", 1.0);
    ASSERT_TRUE(GetUpdateRect(scratch.handle, &dirty, FALSE));
    EXPECT_EQ(dirty.right - dirty.left, 200);
    EXPECT_EQ(dirty.bottom - dirty.top, 100);
}

TEST(LauncherState, LongTextIsStoredWhole) {
    MainWindowOverride none(nullptr);
    const std::wstring longText(5000, L'Ж');
    publishStatus(longText, 0.0);
    EXPECT_EQ(readLauncherState().statusText, longText);
}

TEST(LauncherState, TextAndFractionChangeTogether) {
    // A reader must never see the text of one update with the fraction of another.
    MainWindowOverride none(nullptr);
    publishStatus(L"even", 0.0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            if (i % 2 == 0) publishStatus(L"even", 0.0);
            else publishStatus(L"odd odd odd odd odd odd odd odd odd odd", 1.0);
        }
        done = true;
    });
    int mismatches = 0;
    while (!done) {
        const LauncherStateSnapshot state = readLauncherState();
        const bool even = state.statusText == L"even";
        if (even != (state.progress == 0.0)) ++mismatches;
    }
    writer.join();
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
