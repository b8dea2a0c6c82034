// Stands in for a newer starter that fails, served as MorvantaStarter.exe. How it
// fails comes from MORVANTA_TEST_STARTER_FAILS, which the starter that hands
// over passes on with the rest of its environment:
//   "after-window": takes the single-instance mutex, shows a splash window of
//                   the starter's class, then dies as a crash does (0xC0000005);
//   anything else:  ends at once, without a window, with exit code 3.

#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    wchar_t mode[32] = {};
    GetEnvironmentVariableW(L"MORVANTA_TEST_STARTER_FAILS", mode, 32);
    if (std::wstring(mode) != L"after-window") return 3;

    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"MorvantaStarterMutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"MorvantaStarter";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"MorvantaStarter", L"Morvanta", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  instance, nullptr);
    ShowWindow(window, SW_SHOW);
    const ULONGLONG until = GetTickCount64() + 500;
    MSG message;
    while (GetTickCount64() < until) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
    // What the starter that waits sees of a crash: the exit code an access violation leaves.
    TerminateProcess(GetCurrentProcess(), 0xC0000005);
    CloseHandle(mutex);
    return 0;
}
