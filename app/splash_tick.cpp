#include "app/splash_tick.h"

#include <cmath>

#include "app/splash_view_state.h"

double advanceSpinnerPhase(double phase) {
    phase += kSpinnerPhaseStep;
    if (phase >= kSpinnerPhaseWrap) phase -= kSpinnerPhaseWrap;
    return phase;
}

double easeShownProgress(double shown, double sharedProgress) {
    const double target = sharedProgress > 0.0 ? sharedProgress : 0.0;
    shown += (target - shown) * kProgressEasing;
    if (std::fabs(target - shown) < kProgressSnap) shown = target;
    return shown;
}

void applySplashTick(SplashViewState& view, double sharedProgress) {
    view.spinnerPhase = advanceSpinnerPhase(view.spinnerPhase);
    view.shownProgress = easeShownProgress(view.shownProgress, sharedProgress);
}
