#include "files/flush_files.h"

#include <windows.h>

#include "base/unique_handle.h"

bool flushFilesToDisk(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) {
        // FlushFileBuffers needs write access; opening for it leaves the modification time alone.
        // Under Wine it is one fsync per file.
        UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.get())) return false;
    }
    return true;
}
