// What the folder and file checks add to a start where everything is in place:
//   trust_checks_bench <scratch folder> <rounds>
// Times, per round, the checks a second start makes (game directory, work
// folder with its fixed names, runtime folder, the jar opened for hashing,
// the sweep for set-aside folders) against the plain attribute reads the
// starter made before, in the same run.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bootstrap/work_folder.h"
#include "files/trusted_folders.h"
#include "files/tree_removal.h"
#include "files/plain_file.h"

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: trust_checks_bench <scratch folder> <rounds>\n");
        return 2;
    }
    const WorkFolder folder(std::wstring(argv[1]) + L"\\game");
    const std::wstring& game = folder.gameDirectory;
    const std::wstring& work = folder.root;
    const int rounds = _wtoi(argv[2]);
    if (!prepareGameDirectory(game, work, folder.fixedNames()) || !prepareTrustedFolder(work, folder.fixedNames()) ||
        !prepareTrustedFolder(folder.runtime)) {
        std::fprintf(stderr, "trust_checks_bench: the folders cannot be made trusted here\n");
        return 1;
    }
    {
        HANDLE jar = CreateFileW(folder.launcherJar.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(jar, "jar", 3, &written, nullptr);
        CloseHandle(jar);
    }

    std::vector<double> checks, reference;
    for (int round = 0; round < rounds; ++round) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        bool ok = prepareGameDirectory(game, work, folder.fixedNames()) &&
                  prepareTrustedFolder(work, folder.fixedNames()) && trustOrSetAside(folder.runtime) &&
                  openPlainFileForReading(folder.launcherJar);
        removeMatching(game, folder.setAsideInGameDirectory());
        removeMatching(work, folder.setAsideInRoot());
        checks.push_back(millisecondsSince(start));
        if (!ok) {
            std::fprintf(stderr, "trust_checks_bench: a check failed in round %d\n", round);
            return 1;
        }
        // What the starter did before: create the folders (ignored) and read the jar's attributes.
        QueryPerformanceCounter(&start);
        CreateDirectoryW(game.c_str(), nullptr);
        CreateDirectoryW(work.c_str(), nullptr);
        GetFileAttributesW(folder.launcherJar.c_str());
        reference.push_back(millisecondsSince(start));
    }
    std::printf("checks of a second start: median %.3f ms over %d rounds; plain creates and attribute read: "
                "median %.3f ms; added %.3f ms\n",
                median(checks), rounds, median(reference), median(checks) - median(reference));
    return 0;
}
