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
//
// With --rename, writes <ready file>, waits until <watched folder> changes (its last
// write time moves: an entry in it was removed or added) and at once renames each
// <from> to its <to>, then writes one line per rename to <result file>: "moved" or
// "refused <error>". Prompt where a script, polling under a busy Wine, is not.
//
//   hold_folder.exe --rename <ready file> <watched folder> <result file> <from> <to>...
#include <windows.h>

#include <cwchar>
#include <string>
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

bool writeReady(const wchar_t* readyFile) {
    UniqueFileHandle ready(CreateFileW(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(ready);
}

int holdFiles(int count, wchar_t** paths, const wchar_t* readyFile) {
    std::vector<UniqueFileHandle> held;
    for (int i = 0; i < count; ++i) {
        held.emplace_back(CreateFileW(paths[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held.back()) return 1;
    }
    if (!writeReady(readyFile)) return 1;
    Sleep(INFINITE);
    return 0;
}

ULONGLONG lastWrite(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

int renameOnChange(int count, wchar_t** pairs, const wchar_t* readyFile, const wchar_t* watched,
                   const wchar_t* resultFile) {
    const ULONGLONG before = lastWrite(watched);
    if (count % 2 != 0 || before == 0 || !writeReady(readyFile)) return 2;
    for (int i = 0; lastWrite(watched) == before; ++i) {
        if (i == 120000) return 3;  // two minutes at most
        Sleep(1);
    }
    std::string result;
    for (int i = 0; i < count; i += 2)
        result += MoveFileW(pairs[i], pairs[i + 1]) ? "moved\n" : "refused " + std::to_string(GetLastError()) + "\n";
    UniqueFileHandle out(CreateFileW(resultFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!out || !WriteFile(out.get(), result.data(), static_cast<DWORD>(result.size()), &written, nullptr)) return 1;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && std::wcscmp(argv[1], L"--files") == 0) return holdFiles(argc - 3, argv + 3, argv[2]);
    if (argc >= 7 && std::wcscmp(argv[1], L"--rename") == 0)
        return renameOnChange(argc - 5, argv + 5, argv[2], argv[3], argv[4]);
    if ((argc != 3 && argc != 5) || !waitFor(argv[1])) return 2;
    UniqueFileHandle folder(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return 1;
    if (!writeReady(argv[2])) return 1;
    if (argc == 3) Sleep(INFINITE);
    if (!waitFor(argv[3])) return 3;
    Sleep(static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10)));
    return 0;
}
