// GDI+ for the whole test program, and the program's own artwork loaded once,
// the way start-up does it.

#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "app/splash_assets.h"
#include "app/splash_view_state.h"

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        loadSplashAssets();
    }
    void TearDown() override {
        // Objects must go before the library does.
        splashViewState = SplashViewState();
        splashAssets = SplashAssets();
        Gdiplus::GdiplusShutdown(token_);
    }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);
    return RUN_ALL_TESTS();
}
