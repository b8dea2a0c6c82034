// Times whole starts of the starter on a machine where everything is in place:
//   second_start_bench <starter.exe> <stand-in record file> <runs>
// For each run: process creation to the Java launch (the stand-in's own start
// time) and to the process's end, which follows the close request within a
// few milliseconds; then the end less the 2.5 s minimum splash time.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/starter_process.h"

namespace {

unsigned long long ticksOf(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: second_start_bench <starter.exe> <record file> <runs>\n");
        return 2;
    }
    const std::wstring record = argv[2];
    const int runs = _wtoi(argv[3]);
    std::vector<double> toShown;
    std::vector<double> toLaunch;
    std::vector<double> toClose;
    std::vector<double> toEnd;
    for (int run = 0; run < runs; ++run) {
        DeleteFileW(record.c_str());
        std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info)) {
            std::fprintf(stderr, "second_start_bench: cannot start the starter (%lu)\n", GetLastError());
            return 1;
        }
        CloseHandle(info.hThread);
        // The window's life, watched from outside: shown soon before the worker
        // starts, destroyed at once on the close request.
        const ULONGLONG began = GetTickCount64();
        ULONGLONG shownAt = 0;
        ULONGLONG goneAt = 0;
        DWORD wait = WAIT_TIMEOUT;
        // Sampled while it runs: Wine may no longer report an ended process's counters.
        SIZE_T peakPrivate = 0;
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        while ((wait = WaitForSingleObject(info.hProcess, 2)) == WAIT_TIMEOUT) {
            if (GetProcessMemoryInfo(info.hProcess, &memory, sizeof memory) && memory.PeakPagefileUsage > peakPrivate)
                peakPrivate = memory.PeakPagefileUsage;
            const bool visible = starter_process::starterWindowVisible(info.dwProcessId);
            if (visible && shownAt == 0) shownAt = GetTickCount64();
            if (!visible && shownAt != 0 && goneAt == 0) goneAt = GetTickCount64();
            if (GetTickCount64() - began > 60000) break;
        }
        if (wait != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 1);
            std::fprintf(stderr, "second_start_bench: the starter did not end (a failure?)\n");
            return 1;
        }
        if (goneAt == 0) goneAt = GetTickCount64();
        FILETIME created{}, ended{}, kernel{}, user{};
        GetProcessTimes(info.hProcess, &created, &ended, &kernel, &user);
        if (GetProcessMemoryInfo(info.hProcess, &memory, sizeof memory) && memory.PeakPagefileUsage > peakPrivate)
            peakPrivate = memory.PeakPagefileUsage;
        const double peakMb = static_cast<double>(peakPrivate) / 1048576.0;
        CloseHandle(info.hProcess);

        unsigned long long launched = 0;
        for (int attempt = 0; attempt < 100 && launched == 0; ++attempt) {
            std::ifstream in(record.c_str());
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const std::size_t at = text.find("started: ");
            if (at != std::string::npos) launched = std::stoull(text.substr(at + 9));
            if (launched == 0) Sleep(20);
        }
        if (launched == 0) {
            std::fprintf(stderr, "second_start_bench: Java was not launched\n");
            return 1;
        }
        // Process creation as seen on the tick clock: the launch and the end are
        // known in system time, so both are taken relative to creation.
        const double launchMs = (launched - ticksOf(created)) / 10000.0;
        const double endMs = (ticksOf(ended) - ticksOf(created)) / 10000.0;
        const double createdTick = static_cast<double>(began);
        const double shownMs = shownAt - createdTick;
        const double closeMs = goneAt - createdTick;
        toShown.push_back(shownMs);
        toLaunch.push_back(launchMs);
        toClose.push_back(closeMs);
        toEnd.push_back(endMs);
        std::printf("run %d: window shown %.0f ms, Java launched %.0f ms, close request %.0f ms "
                    "(%.0f ms past the 2500 ms hold), process ended %.0f ms after start, peak private %.1f MB\n",
                    run + 1, shownMs, launchMs, closeMs, closeMs - 2500.0, endMs, peakMb);
    }
    std::printf("median of %d: window shown %.0f ms, Java launched %.0f ms, close request %.0f ms, "
                "close request less the hold %.0f ms, process ended %.0f ms\n",
                runs, median(toShown), median(toLaunch), median(toClose), median(toClose) - 2500.0,
                median(toEnd));
    return 0;
}
