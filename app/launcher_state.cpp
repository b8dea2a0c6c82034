#include "app/launcher_state.h"
#include "base/ui_texts.h"

#include <utility>

namespace {

LauncherState* createLauncherState() {
    // Deliberately never destroyed (see the header).
    auto* state = new LauncherState();
    InitializeCriticalSection(&state->stateLock);
    state->statusText = kInitialStatusText;
    state->progress = 0.0;
    return state;
}

class StateLockGuard {
public:
    StateLockGuard() { EnterCriticalSection(&launcherState.stateLock); }
    ~StateLockGuard() { LeaveCriticalSection(&launcherState.stateLock); }
    StateLockGuard(const StateLockGuard&) = delete;
    StateLockGuard& operator=(const StateLockGuard&) = delete;
};

}  // namespace

LauncherState& launcherState = *createLauncherState();
int screenDpi = 96;
HWND mainWindow = nullptr;

void publishStatus(std::wstring text, double progress) {
    // The caller's text arrives already built; under the lock only pointers are
    // swapped, and the old text is freed after the lock is released.
    {
        StateLockGuard guard;
        launcherState.statusText.swap(text);
        launcherState.progress = progress;
    }
    requestRepaint();
}

void requestRepaint() {
    if (mainWindow != nullptr) InvalidateRect(mainWindow, nullptr, FALSE);
}

LauncherStateSnapshot readLauncherState() {
    LauncherStateSnapshot snapshot;
    std::wstring copy;
    double progress;
    {
        StateLockGuard guard;
        copy = launcherState.statusText;
        progress = launcherState.progress;
    }
    snapshot.statusText = std::move(copy);
    snapshot.progress = progress;
    return snapshot;
}

double readProgress() {
    StateLockGuard guard;
    return launcherState.progress;
}
