#include "app/dll_search.h"

#include <windows.h>

void confineDllSearchToSystem32() {
    // Looked up, not imported: a static import would stop the program starting
    // on the systems that lack it. kernel32 is always mapped, from System32.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        return;
    }
    // The older order still starts with the program's folder; this at least drops the current one.
    SetDllDirectoryW(L"");
}
