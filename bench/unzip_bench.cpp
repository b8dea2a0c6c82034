// Times extractZip on one archive, or building a runtime from a delta, and
// reports the process's peak memory:
//   unzip_bench <archive> <destination folder>
//   unzip_bench --delta <delta> <installed runtime> <empty staging folder> <from sha256> <to sha256>
// prints "extract_ms=<ms> peak_working_set_mb=<MB> peak_private_mb=<MB> ok=<0|1>".

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "archive/extract_zip.h"
#include "base/text.h"
#include "bootstrap/runtime_delta_apply.h"

int wmain(int argc, wchar_t** argv) {
    const bool delta = argc == 7 && std::wstring(argv[1]) == L"--delta";
    if (argc != 3 && !delta) {
        std::fprintf(stderr, "usage: unzip_bench <archive> <destination folder>\n"
                             "       unzip_bench --delta <delta> <installed> <staging> <from sha256> <to sha256>\n");
        return 2;
    }
    LARGE_INTEGER frequency{};
    LARGE_INTEGER begin{};
    LARGE_INTEGER end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    std::string problem;
    const bool ok = delta ? (problem = buildStagingFromDelta(argv[2], argv[3], argv[4], toUtf8(argv[5]),
                                                             toUtf8(argv[6])))
                                .empty()
                          : extractZip(argv[1], argv[2]);
    if (!problem.empty()) std::fprintf(stderr, "delta: %s\n", problem.c_str());
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
