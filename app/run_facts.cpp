#include "app/run_facts.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "app/launcher_state.h"
#include "base/support_log.h"
#include "base/unique_handle.h"
#include "net/sha256.h"

#ifndef MORVANTA_VERSION
#define MORVANTA_VERSION "unknown"
#endif

namespace {

// RtlGetVersion tells the real version; GetVersionEx is capped by the manifest's compatibility list.
std::string windowsVersion() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");  // always loaded: no search
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    const auto function =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    if (!function || function(&version) != 0) return "unknown";
    return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + " build " +
           std::to_string(version.dwBuildNumber);
}

std::string elevation() {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return "unknown";
    TOKEN_ELEVATION elevated{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevated, sizeof(elevated), &size)) return "unknown";
    return elevated.TokenIsElevated ? "yes" : "no";
}

}  // namespace

void logRunFacts() {
    logEvent(std::string("Morvanta Starter ") + MORVANTA_VERSION + ", Windows " + windowsVersion() + ", " +
             std::to_string(screenDpi) + " DPI, elevated: " + elevation());
}

void logProgramDigest() {
    static std::atomic<bool> logged{false};
    if (logged.exchange(true)) return;  // once a run: at a failure, else at the end
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return;
    const std::string digest = computeFileSha256(path);
    logEvent("program SHA-256: " + (digest.empty() ? std::string("unreadable") : digest));
}
