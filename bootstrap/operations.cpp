#include "bootstrap/operations.h"

#include <windows.h>
#include <shlobj.h>

#include "app/failure_notice.h"
#include "app/launcher_state.h"
#include "archive/extract_zip.h"
#include "bootstrap/java_launch.h"
#include "bootstrap/java_search.h"
#include "net/download.h"
#include "net/http_client.h"

BootstrapOperations realBootstrapOperations() {
    BootstrapOperations ops;
    ops.tickCount = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
    ops.createDirectory = [](const std::wstring& path) {
        SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    };
    ops.httpGet = [](const std::string& url, std::vector<unsigned char>& body) {
        return fetchManifestBody(url, body);
    };
    ops.readManifestPairs = readManifestPairs;
    ops.selectManifestEntries = selectManifestEntries;
    ops.downloadFile = downloadFile;
    ops.findJavaExecutable = findJavaExecutable;
    ops.extractZip = extractZip;
    ops.launchJavaLauncher = launchJavaLauncher;
    ops.publishStatus = [](const std::wstring& text, double progress) { publishStatus(text, progress); };
    ops.showFailureNotice = [](const std::wstring& message) { showFailureNotice(message.c_str()); };
    return ops;
}
