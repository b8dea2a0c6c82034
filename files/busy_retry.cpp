#include "files/busy_retry.h"

#include <windows.h>

namespace {

bool isBusy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_DIR_NOT_EMPTY;
}

bool isShared(DWORD error) { return error == ERROR_SHARING_VIOLATION; }

bool retryUntil(const std::function<bool()>& step, bool (*worthRetrying)(DWORD), std::uint64_t deadline) {
    DWORD pause = 20;
    for (;;) {
        if (step()) return true;
        const DWORD error = GetLastError();
        const ULONGLONG now = GetTickCount64();
        if (!worthRetrying(error) || now >= deadline) {
            SetLastError(error);
            return false;
        }
        Sleep(static_cast<DWORD>(deadline - now < pause ? deadline - now : pause));
        if (pause < 200) pause *= 2;
    }
}

}  // namespace

bool retryWhileBusy(const std::function<bool()>& step) {
    return retryUntil(step, isBusy, GetTickCount64() + kBusyRetryMilliseconds);
}

bool retryWhileShared(const std::function<bool()>& step, std::uint64_t deadline) {
    const std::uint64_t longest = GetTickCount64() + kBusyRetryMilliseconds;
    return retryUntil(step, isShared, deadline < longest ? deadline : longest);
}
