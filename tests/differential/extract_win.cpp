// Unpacks archives with the starter's extractZip, for comparison with Info-ZIP:
//   extract_win <zip> <dest> [<zip> <dest> ...]
// prints one "<zip> ok" or "<zip> failed" line per pair; one process keeps Wine's start-up cost to one.
#include <windows.h>

#include <cstdio>

#include "archive/extract_zip.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: extract_win <zip> <dest> [<zip> <dest> ...]\n");
        return 2;
    }
    int failures = 0;
    for (int arg = 1; arg + 1 < argc; arg += 2) {
        CreateDirectoryW(argv[arg + 1], nullptr);
        const bool ok = extractZip(argv[arg], argv[arg + 1]);
        std::printf("%ls %s\n", argv[arg], ok ? "ok" : "failed");
        if (!ok) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
