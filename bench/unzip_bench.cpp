// Times extractZip on one archive and reports the process's peak memory:
//   unzip_bench <archive> <destination folder>
// prints "extract_ms=<ms> peak_working_set_mb=<MB> peak_private_mb=<MB> ok=<0|1>".

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "archive/extract_zip.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: unzip_bench <archive> <destination folder>\n");
        return 2;
    }
    LARGE_INTEGER frequency{};
    LARGE_INTEGER begin{};
    LARGE_INTEGER end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    const bool ok = extractZip(argv[1], argv[2]);
    QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                      static_cast<double>(frequency.QuadPart);
    std::printf("extract_ms=%.1f peak_working_set_mb=%.1f peak_private_mb=%.1f ok=%d\n", ms,
                memory.PeakWorkingSetSize / 1048576.0, memory.PeakPagefileUsage / 1048576.0, ok ? 1 : 0);
    return ok ? 0 : 1;
}
