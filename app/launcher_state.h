#pragma once
// The one record shared by the window thread and the worker, and the
// process-wide values that start-up sets once.

#include <windows.h>

#include <string>

struct LauncherState {
    CRITICAL_SECTION stateLock;
    std::wstring statusText;  // guarded by stateLock
    double progress;          // guarded by stateLock; a fraction, 0.0 to 1.0
};

// Lives until the process is gone: the worker may still publish while the
// window thread is already returning from the entry function.
extern LauncherState& launcherState;

extern int screenDpi;     // logical pixels per inch, set once before the window exists
extern HWND mainWindow;   // set once right after the window is created

// Replaces the status line and the progress fraction together, then asks for a repaint.
void publishStatus(std::wstring text, double progress);

// Invalidates the whole splash window without erasing; nothing when there is no window.
void requestRepaint();

// A consistent copy of both fields, taken under the lock.
struct LauncherStateSnapshot {
    std::wstring statusText;
    double progress;
};
LauncherStateSnapshot readLauncherState();
double readProgress();
