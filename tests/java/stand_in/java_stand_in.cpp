// Stands in for a Java runtime's java.exe or javaw.exe in tests and the demo:
// writes how it was started to "java-invocation.txt" beside itself and ends.

#include <windows.h>

#include <string>

#include "base/text.h"

namespace {

std::wstring ownPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

std::wstring currentDirectory() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(path.size()), &path[0]);
    path.resize(length);
    return path;
}

}  // namespace

int wmain() {
    const std::wstring self = ownPath();
    const std::wstring record = self.substr(0, self.rfind(L'\\') + 1) + L"java-invocation.txt";

    std::string text;
    text += "command line: " + toUtf8(GetCommandLineW()) + "\n";
    text += "current directory: " + toUtf8(currentDirectory()) + "\n";
    text += std::string("console window: ") + (GetConsoleWindow() != nullptr ? "yes" : "no") + "\n";
    text += "program: " + toUtf8(self) + "\n";
    // When it started, as FILETIME ticks, so a benchmark can time the run that launched it.
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    text += "started: " + std::to_string(ticks) + "\n";

    // Written under a temporary name and moved, so a reader never sees half a record.
    const std::wstring partial = record + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || !MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    return 0;
}
