// What making unpacked files durable costs: unpacks one archive with the zip
// reader and flushes the files one way, timing the unpack and the flushing apart.
//   unzip_flush_bench <archive> <destination folder> <none|each|end|extractZip>
// none: no flush; each: every file flushed as soon as it is written; end: one
// pass over all files afterwards; extractZip: the starter's own extraction.
// Prints "mode=<mode> unpack_ms=<ms> flush_ms=<ms> total_ms=<ms> files=<n> ok=<0|1>".

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "archive/extract_zip.h"
#include "files/flush_files.h"
#include "archive/zip_reader.h"
#include "base/text.h"

namespace {

double nowMs() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The benchmark archives hold only plain names: no name check here.
bool unpack(const std::wstring& archive, const std::wstring& dest, const std::wstring& mode, double& flushMs,
            std::vector<std::wstring>& written) {
    const bool flushEach = mode == L"each";
    ZipReader reader;
    if (!zipReaderOpen(reader, toUtf8(archive).c_str())) return false;
    bool ok = true;
    for (std::size_t index = 0; ok && index < zipReaderEntryCount(reader); ++index) {
        ZipEntryStat stat;
        ok = zipReaderEntryStat(reader, index, stat);
        std::wstring path = dest + L"\\" + fromUtf8(stat.name);
        for (wchar_t& c : path) {
            if (c == L'/') c = L'\\';
        }
        if (!ok || zipReaderIsFolder(reader, index)) {
            if (ok) SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
            continue;
        }
        SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
        ok = zipReaderExtractToFile(reader, index, toUtf8(path).c_str());
        if (ok && flushEach) {
            const double begin = nowMs();
            ok = flushFilesToDisk({path});
            flushMs += nowMs() - begin;
        }
        written.push_back(path);
    }
    zipReaderClose(reader);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: unzip_flush_bench <archive> <destination folder> <none|each|end|extractZip>\n");
        return 2;
    }
    const std::wstring mode = argv[3];
    std::vector<std::wstring> written;
    double flushMs = 0;
    bool ok = false;
    const double begin = nowMs();
    if (mode == L"extractZip") {
        ok = extractZip(argv[1], argv[2]);
    } else {
        ok = unpack(argv[1], argv[2], mode, flushMs, written);
        if (ok && mode == L"end") {
            const double flushBegin = nowMs();
            ok = flushFilesToDisk(written);
            flushMs = nowMs() - flushBegin;
        }
    }
    const double total = nowMs() - begin;
    std::printf("mode=%ls unpack_ms=%.1f flush_ms=%.1f total_ms=%.1f files=%u ok=%d\n", mode.c_str(),
                total - flushMs, flushMs, total, static_cast<unsigned>(written.size()), ok ? 1 : 0);
    return ok ? 0 : 1;
}
