// Stands in for a newer starter, served as MorvantaStarter.exe, that takes the
// single-instance mutex, shows a splash window of the starter's class for half
// a second and then dies as a crash does.

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
