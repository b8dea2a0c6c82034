// Download and digest throughput under Wine, against a bare WinHTTP read loop
// measured in the same run (bench/download_bench.sh drives it and adds the
// Linux references). Not a test: it only prints figures.
//
//   download_bench.exe <small url> <big url> <big sha256> <work folder> <rounds>
//   download_bench.exe --bare <url> <file>   (one bare download: bare_ms=...)
//
// Output: one "key=value" per line; times in ms (best of the rounds), memory in MB.

#include <windows.h>
#include <psapi.h>
#include <bcrypt.h>
#include <winhttp.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/launcher_state.h"
#include "bootstrap/work_folder.h"
#include "net/download.h"
#include "net/sha256.h"
#include "net/url.h"
#include "base/bcrypt_handle.h"
#include "base/winhttp_handle.h"

namespace {

// What the program passes: the window's status line and the system clock.
void windowStatus(const std::wstring& text, double progress) { publishStatus(text, progress); }
std::uint64_t systemClock() { return GetTickCount64(); }

double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double peakPrivateMb() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakPagefileUsage) / 1048576.0;
}

std::string narrow(const wchar_t* text) {
    std::string out;
    for (; *text; ++text) out.push_back(static_cast<char>(*text));
    return out;
}

// The reference: the plainest WinHTTP loop that writes a body to a file.
bool bareDownload(const std::string& url, const std::wstring& path) {
    UrlParts parts;
    if (!parseUrl(url, parts)) return false;
    UniqueInternetHandle session(WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                             WINHTTP_NO_PROXY_BYPASS, 0));
    UniqueInternetHandle connection(WinHttpConnect(session.get(), parts.host.c_str(), parts.port, 0));
    UniqueInternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", parts.path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request || !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                                        0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    static unsigned char buffer[256 * 1024];
    DWORD read = 0;
    bool ok = true;
    while (ok && WinHttpReadData(request.get(), buffer, sizeof buffer, &read) && read > 0) {
        DWORD written = 0;
        ok = WriteFile(file, buffer, read, &written, nullptr) && written == read;
    }
    CloseHandle(file);
    return ok;
}

// The provider alone, on bytes already in memory: what the digest costs without any file reading.
bool hashInMemory(const unsigned char* data, std::size_t size) {
    const UniqueBcryptAlgorithm provider = openBcryptAlgorithm(BCRYPT_SHA256_ALGORITHM);
    if (!provider) return false;
    UniqueBcryptHash hash;
    bool ok = BCryptCreateHash(provider.get(), hash.put(), nullptr, 0, nullptr, 0, 0) == 0;
    for (std::size_t at = 0; ok && at < size; at += 65536)
        ok = BCryptHashData(hash.get(), const_cast<unsigned char*>(data + at), static_cast<ULONG>(size - at < 65536 ? size - at : 65536), 0) == 0;
    unsigned char digest[32];
    return ok && BCryptFinishHash(hash.get(), digest, sizeof digest, 0) == 0;
}

template <typename Work>
double bestOf(int rounds, Work work) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const double start = nowMs();
        if (!work()) {
            std::printf("error=a round failed\n");
            std::exit(1);
        }
        const double elapsed = nowMs() - start;
        if (elapsed < best) best = elapsed;
    }
    return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // One download as a start makes it, for the runs that kill or cut it: fetch <url> <sha256> <target>.
    if (argc == 5 && std::wstring(argv[1]) == L"fetch")
        return downloadFile(narrow(argv[2]), WorkFolder::downloadFilesFor(argv[4]), narrow(argv[3]), windowStatus,
                            systemClock)
                   ? 0
                   : 1;
    // The reference of the first-start benchmark: one bare download, timed in the process.
    if (argc == 4 && std::wstring(argv[1]) == L"--bare") {
        const double start = nowMs();
        if (!bareDownload(narrow(argv[2]), argv[3])) return 1;
        std::printf("bare_ms=%.0f\n", nowMs() - start);
        return 0;
    }
    if (argc < 6) {
        std::fprintf(stderr, "usage: download_bench <small url> <big url> <big sha256> <work folder> <rounds>\n");
        return 2;
    }
    const std::string smallUrl = narrow(argv[1]);
    const std::string bigUrl = narrow(argv[2]);
    const std::string bigDigest = narrow(argv[3]);
    const std::wstring folder = argv[4];
    const int rounds = _wtoi(argv[5]);
    const std::wstring target = folder + L"\\big.bin";
    const DownloadFiles files = WorkFolder::downloadFilesFor(target);
    CreateDirectoryW(folder.c_str(), nullptr);

    // Memory after a small download, then after the big ones: flat means no growth with size.
    DeleteFileW(target.c_str());
    if (!downloadFile(smallUrl, files, "", windowStatus, systemClock)) return 1;
    std::printf("peak_private_mb_after_small=%.1f\n", peakPrivateMb());

    const double bare = bestOf(rounds, [&] { return bareDownload(bigUrl, target); });
    const double unverified = bestOf(rounds, [&] {
        DeleteFileW(target.c_str());
        return downloadFile(bigUrl, files, "", windowStatus, systemClock);
    });
    const double verified = bestOf(rounds, [&] {
        DeleteFileW(target.c_str());
        return downloadFile(bigUrl, files, bigDigest, windowStatus, systemClock);
    });
    std::string digest;
    const double hash = bestOf(rounds, [&] {
        digest = computeFileSha256(target);
        return digest == bigDigest;
    });
    const double peakBeforeMemoryHash = peakPrivateMb();
    const std::size_t memorySize = 256u << 20;
    unsigned char* memory = static_cast<unsigned char*>(VirtualAlloc(nullptr, memorySize, MEM_COMMIT, PAGE_READWRITE));
    for (std::size_t i = 0; memory && i < memorySize; i += 4096) memory[i] = static_cast<unsigned char>(i >> 12);
    const double memoryHash = bestOf(rounds, [&] { return memory && hashInMemory(memory, memorySize); });
    if (memory) VirtualFree(memory, 0, MEM_RELEASE);
    std::printf("bare_winhttp_ms=%.1f\n", bare);
    std::printf("download_unverified_ms=%.1f\n", unverified);
    std::printf("download_verified_ms=%.1f\n", verified);
    std::printf("sha256_ms=%.1f\n", hash);
    std::printf("cng_in_memory_ms=%.1f\n", memoryHash);
    std::printf("peak_private_mb_after_big=%.1f\n", peakBeforeMemoryHash);
    DeleteFileW(target.c_str());
    return 0;
}
