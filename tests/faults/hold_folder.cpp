// Holds a folder open as a running program or a virus scanner does: shared for
// reading and writing but not deletion, so it cannot be renamed meanwhile (under
// Wine as on Windows). Waits for the folder to exist, writes <ready file>, then holds
// it until killed, or, given <marker> and <ms>, until <marker> has existed for <ms>.
//
//   hold_folder.exe <folder> <ready file> [<marker> <ms>]
//
// With --files, opens each existing file without any sharing, as a process that keeps
// others from reading, writing or deleting it does, writes <ready file> and holds them
// until killed:
//
//   hold_folder.exe --files <ready file> <file>...
#include <windows.h>

#include <cwchar>
#include <vector>

#include "base/unique_handle.h"

namespace {

bool waitFor(const wchar_t* path) {
    for (int i = 0; i < 24000; ++i) {  // two minutes at most
        if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(5);
    }
    return false;
}

int holdFiles(int count, wchar_t** paths, const wchar_t* readyFile) {
    std::vector<UniqueFileHandle> held;
    for (int i = 0; i < count; ++i) {
        held.emplace_back(CreateFileW(paths[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held.back()) return 1;
    }
    UniqueFileHandle ready(CreateFileW(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!ready) return 1;
    ready.reset();
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && std::wcscmp(argv[1], L"--files") == 0) return holdFiles(argc - 3, argv + 3, argv[2]);
    if ((argc != 3 && argc != 5) || !waitFor(argv[1])) return 2;
    UniqueFileHandle folder(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return 1;
    UniqueFileHandle ready(CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!ready) return 1;
    ready.reset();
    if (argc == 3) Sleep(INFINITE);
    if (!waitFor(argv[3])) return 3;
    Sleep(static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10)));
    return 0;
}
