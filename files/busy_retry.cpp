#include "files/busy_retry.h"

#include <windows.h>

namespace {

bool isBusy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_DIR_NOT_EMPTY;
}

}  // namespace

bool retryWhileBusy(const std::function<bool()>& step) {
    const ULONGLONG deadline = GetTickCount64() + kBusyRetryMilliseconds;
    DWORD pause = 20;
    for (;;) {
        if (step()) return true;
        const DWORD error = GetLastError();
        if (!isBusy(error) || GetTickCount64() >= deadline) {
            SetLastError(error);
            return false;
        }
        Sleep(pause);
        if (pause < 200) pause *= 2;
    }
}
