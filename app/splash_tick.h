#pragma once
// The timer tick's arithmetic: the busy indicator's phase and the eased progress.
// It counts ticks, not elapsed time, so a slow machine animates more slowly
// rather than skipping frames.

struct SplashViewState;

inline constexpr double kSpinnerPhaseStep = 0.042;
inline constexpr double kSpinnerPhaseWrap = 10.0;   // ten frames, so the phase runs from 0 up to 10
inline constexpr double kProgressEasing = 0.14;   // share of the remaining gap closed per tick
inline constexpr double kProgressSnap = 0.002;    // closer than this, the bar lands on its target

double advanceSpinnerPhase(double phase);

// Eases the shown value towards the shared fraction; negative fractions count
// as 0, values above 1 pass unchanged (the painter clamps them).
double easeShownProgress(double shown, double sharedProgress);

// One tick applied to the view state, given the shared progress read under the lock.
void applySplashTick(SplashViewState& view, double sharedProgress);
