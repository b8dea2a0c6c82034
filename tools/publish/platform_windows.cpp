// The publishing tool on Windows: the starter's own HTTP client, digest,
// extraction and Java search.

#include "publish_platform.h"

#include <windows.h>

#include <filesystem>
#include <string>

#include "app/unique_handle.h"
#include "archive/extract_zip.h"
#include "bootstrap/java_search.h"
#include "net/http_client.h"
#include "net/sha256.h"

namespace fs = std::filesystem;

namespace {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                        nullptr);
    return text;
}

}  // namespace

void configurePublishPlatform(const PublishPlatformOptions&) {
    // Windows trusts what its own certificate store trusts, like the starter.
}

std::string sha256OfFile(const std::string& path) {
    return computeFileSha256(widen(path));
}

bool fetchManifest(const std::string& url, std::vector<unsigned char>& body) {
    return fetchManifestBody(url, body);
}

bool fetchToFile(const std::string& url, const std::string& path, FetchProgress progress) {
    UniqueFileHandle file(CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return httpGet(url, nullptr, file.get(), progress);
}

std::string checkRuntimeArchive(const std::string& zipPath) {
    const std::string scratchFolder = makeScratchFolder();
    if (scratchFolder.empty()) return "cannot make a scratch folder to unpack the runtime into";
    const std::wstring scratch = widen(scratchFolder);
    std::string problem;
    if (!extractZip(widen(zipPath), scratch)) {
        problem = "the runtime archive does not unpack (the starter would show its unpack failure)";
    } else if (findJavaExecutable(scratch, L"javaw.exe").empty() && findJavaExecutable(scratch, L"java.exe").empty()) {
        problem = "the runtime archive holds no javaw.exe or java.exe directly inside a \"bin\" folder";
    }
    removeTree(narrow(scratch));
    return problem;
}

std::string makeScratchFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = std::wstring(base) + L"morvanta-publish-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) return narrow(candidate);
    }
    return std::string();  // never hand out the shared temp folder itself: it would be removed
}

void removeTree(const std::string& path) {
    if (path.empty()) return;
    std::error_code error;
    fs::remove_all(fs::u8path(path), error);
}
