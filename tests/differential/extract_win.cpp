// Unpacks archives with the starter's extractZip, for comparison with Info-ZIP:
//   extract_win [--stream] <zip> <dest> [<zip> <dest> ...]
// prints one "<zip> ok" or "<zip> failed" line per pair; one process keeps Wine's start-up cost to one.
// With --stream each archive is read as it would arrive over the network, and unpacked whole
// where that reader does not follow it ("ok, streamed" or "ok, whole file").
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/extract_zip.h"
#include "archive/zip_stream_beside.h"

namespace {

std::string unpackAsItArrives(const wchar_t* zip, const wchar_t* dest) {
    ZipStreamVerdict verdict = ZipStreamVerdict::reading;
    std::string why;
    {
        ZipStreamBeside unpack(folderPlaces(dest));
        std::ifstream in(std::filesystem::path(zip), std::ios::binary);
        // An odd piece size puts the pieces' edges inside headers and descriptors.
        std::vector<char> piece(4093);
        std::uint64_t offset = 0;
        while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
            const auto count = static_cast<std::size_t>(in.gcount());
            unpack.partBytes(offset, reinterpret_cast<const unsigned char*>(piece.data()), count);
            offset += count;
        }
        verdict = unpack.finish();
        why = " (" + unpack.stream().why() + ")";
    }
    if (verdict == ZipStreamVerdict::unpacked) return "ok, streamed";
    if (verdict != ZipStreamVerdict::cannotFollow) return "failed" + why;
    std::error_code ignored;
    std::filesystem::remove_all(dest, ignored);
    CreateDirectoryW(dest, nullptr);
    return (extractZip(zip, dest) ? "ok, whole file" : "failed") + why;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool stream = argc > 1 && std::wcscmp(argv[1], L"--stream") == 0;
    const int first = stream ? 2 : 1;
    if (argc - first < 2 || (argc - first) % 2 != 0) {
        std::fprintf(stderr, "usage: extract_win [--stream] <zip> <dest> [<zip> <dest> ...]\n");
        return 2;
    }
    int failures = 0;
    for (int arg = first; arg + 1 < argc; arg += 2) {
        CreateDirectoryW(argv[arg + 1], nullptr);
        const std::string how = stream ? unpackAsItArrives(argv[arg], argv[arg + 1])
                                       : (extractZip(argv[arg], argv[arg + 1]) ? "ok" : "failed");
        std::printf("%ls %s\n", argv[arg], how.c_str());
        if (how[0] == 'f') ++failures;
    }
    return failures == 0 ? 0 : 1;
}
