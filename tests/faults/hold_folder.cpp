// Holds a folder open as a running program or a virus scanner does: shared for
// reading and writing but not deletion, so it cannot be renamed meanwhile (under
// Wine as on Windows). Waits for the folder to exist, writes <ready file>, then holds
// it until killed, or, given <marker> and <ms>, until <marker> has existed for <ms>.
//
//   hold_folder.exe <folder> <ready file> [<marker> <ms>]
#include <windows.h>

#include <cwchar>

#include "base/unique_handle.h"

namespace {

bool waitFor(const wchar_t* path) {
    for (int i = 0; i < 24000; ++i) {  // two minutes at most
        if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(5);
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
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
