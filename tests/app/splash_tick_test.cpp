// The timer tick: busy-indicator phase and the eased progress.

#include <gtest/gtest.h>

#include "app/splash_tick.h"
#include "app/splash_view_state.h"

namespace {

TEST(SplashTick, JumpFromZeroToOneIsReachedExactlyOnTheFortySecondTick) {
    double shown = 0.0;
    for (int tick = 1; tick <= 41; ++tick) {
        shown = easeShownProgress(shown, 1.0);
        EXPECT_LT(shown, 1.0) << "tick " << tick;
    }
    shown = easeShownProgress(shown, 1.0);
    EXPECT_EQ(shown, 1.0);
    // Once there it stays exactly there.
    EXPECT_EQ(easeShownProgress(shown, 1.0), 1.0);
}

TEST(SplashTick, FallingProgressEasesDownAtTheSameRate) {
    double rising = 0.0;
    double falling = 1.0;
    for (int tick = 1; tick <= 42; ++tick) {
        rising = easeShownProgress(rising, 1.0);
        falling = easeShownProgress(falling, 0.0);
        if (tick < 42) {
            EXPECT_NEAR(falling, 1.0 - rising, 1e-12) << "tick " << tick;
        }
    }
    EXPECT_EQ(falling, 0.0);
}

TEST(SplashTick, NegativeProgressEasesToZeroAndAboveOnePassesUnchanged) {
    double shown = 0.5;
    for (int tick = 0; tick < 200; ++tick) shown = easeShownProgress(shown, -3.0);
    EXPECT_EQ(shown, 0.0);

    shown = 0.0;
    for (int tick = 0; tick < 200; ++tick) shown = easeShownProgress(shown, 1.7);
    EXPECT_EQ(shown, 1.7);

    EXPECT_DOUBLE_EQ(easeShownProgress(0.0, 0.5), 0.07);
}

TEST(SplashTick, PhaseWrapsBeforeTenAndFirstWrapsOnTick239) {
    EXPECT_NEAR(advanceSpinnerPhase(9.99), 0.032, 1e-9);
    double phase = 0.0;
    int firstWrap = 0;
    for (int tick = 1; tick <= 500 && firstWrap == 0; ++tick) {
        const double next = advanceSpinnerPhase(phase);
        EXPECT_LT(next, 10.0);
        EXPECT_GE(next, 0.0);
        if (next < phase) firstWrap = tick;
        phase = next;
    }
    EXPECT_EQ(firstWrap, 239);
}

TEST(SplashTick, TickAdvancesPhaseAndProgressTogether) {
    SplashViewState view;
    view.spinnerPhase = 9.99;
    applySplashTick(view, 1.0);
    EXPECT_NEAR(view.spinnerPhase, 0.032, 1e-9);
    EXPECT_DOUBLE_EQ(view.shownProgress, 0.14);
    EXPECT_EQ(view.closeHovered, 0);
}

}  // namespace
