// GDI+ for the whole test program, and the program's own artwork loaded once,
// the way start-up does it.

#include <gtest/gtest.h>

#include <optional>

#include "app/splash_assets.h"
#include "app/splash_view_state.h"
#include "base/gdiplus_session.h"

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        gdiplus_.emplace();
        loadSplashAssets();
    }
    void TearDown() override {
        // Objects must go before the library does.
        splashViewState = SplashViewState();
        splashAssets = SplashAssets();
        gdiplus_.reset();
    }

private:
    std::optional<GdiplusSession> gdiplus_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);
    return RUN_ALL_TESTS();
}
