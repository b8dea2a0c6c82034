// Plays a virus scanner: once <folder> exists it is opened without delete sharing,
// and held until <marker> has existed for <hold ms>.
//
//   scanner_hold.exe <folder> <marker> <hold ms>
#include <windows.h>

#include <cwchar>

#include "app/unique_handle.h"

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
    if (argc != 4 || !waitFor(argv[1])) return 2;
    // Without FILE_SHARE_DELETE: the folder cannot be renamed while this is open.
    UniqueFileHandle folder(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder || !waitFor(argv[2])) return 3;
    Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    return 0;
}
