#pragma once
// Whether this program hands over to a newer starter that the manifest names,
// and the step that does it.

#include <string>

#include "bootstrap/sequence_run.h"

enum class HandoverChoice {
    NoEntry,            // the manifest names no starter
    NoSigningKeys,      // only a signature can vouch for a program to run elevated
    AlreadyHandedOver,  // running from the starter folder: never again, so never a loop
    SameProgram,        // this program is the one named
    KnownToFail,        // the named program failed to come up before
    HandOver,
};

// Digests are compared without regard to letter case; an empty one matches nothing.
HandoverChoice chooseHandover(bool hasSigningKeys, const std::string& entryUrl, const std::string& entryDigest,
                              const std::string& ownDigest, bool runningFromStarterFolder,
                              const std::string& failedDigest);

// True when `path` lies inside `folder` (letter case ignored, as Windows does).
bool isInsideFolder(const std::wstring& path, const std::wstring& folder);

// What a newer starter's start or end means. The new program's exit code says
// whether its run came to an end: 0 once it started Java or showed a failure
// text, anything else when it failed, crashed or was ended before that.
enum class NewStarterVerdict {
    NotStarted,      // could not be created (a scanner may hold it): tried again next start
    WindowUp,        // it runs the start now: this one closes its window and watches it
    AnotherCopy,     // 0 before any window: another copy took the single-instance lock first
    NoWindowInTime,  // lived a minute without a window: ended and set aside
    Failed,          // any other exit code, before or after its window: set aside
    Finished,        // 0 after its window: it did its run
};
NewStarterVerdict judgeNewStarter(const NewStarterWatch& watch);
// True for the verdicts that set the program aside for good.
bool setsAsideNewStarter(NewStarterVerdict verdict);

// Fetches the named starter into the work folder's "starter" folder and starts
// it, keeping the work files' lock until its window is up. Handed over when it
// is up (or another copy of this session does the run); otherwise the run goes on.
StepResult handOverToNewerStarter(SequenceRun& run);

// After a hand-over, with the lock let go and this window closed: waits for the
// new program to end and sets it aside when it failed, so the next start runs
// the game without it. Nothing without a hand-over.
void watchNewerStarter(SequenceRun& run);
