// What the support log adds to a second start: one process's first write (the
// log folder's check, the rotation of the older logs, the file made) and a
// second write, for as many lines as a second start logs, against one plain
// write of the same bytes to a new file in the same run.
//   support_log_bench <trusted work folder made for the bench>
// One round per process: the log is made once per run.

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/support_log_file.h"
#include "base/support_log.h"
#include "base/unique_handle.h"
#include "files/trusted_folders.h"

namespace {

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

const std::string kLine =
    "manifest from https://update1.morvanta.net/starter/launcher.json: 2 pairs, a line of typical length";

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: support_log_bench <work folder>\n");
        return 2;
    }
    const std::wstring work = argv[1];
    if (!prepareTrustedFolder(work)) return 1;
    setSupportLogFolder(work + L"\\logs");
    constexpr int kLinesBeforeLaunch = 12;  // about what a second start logs
    for (int i = 0; i < kLinesBeforeLaunch; ++i) logEvent(kLine);

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    flushSupportLog();
    logEvent(kLine);
    logEvent(kLine);
    flushSupportLog();
    const double logged = millisecondsSince(start);

    const std::string bytes(static_cast<std::size_t>(kLinesBeforeLaunch + 2) * (kLine.size() + 32), 'x');
    QueryPerformanceCounter(&start);
    {
        UniqueFileHandle file(CreateFileW((work + L"\\plain.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    const double plain = millisecondsSince(start);
    std::printf("support log: %.3f ms; plain write: %.3f ms\n", logged, plain);
    return 0;
}
