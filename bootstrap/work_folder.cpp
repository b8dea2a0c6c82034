#include "bootstrap/work_folder.h"

#include "bootstrap/manifest.h"
#include "files/trusted_folders.h"

namespace {

constexpr const wchar_t* kRootName = L"loader";
constexpr const wchar_t* kLauncherJarFileName = L"launcher.jar";
constexpr const wchar_t* kJavaZipFileName = L"java.zip";
constexpr const wchar_t* kRuntimeName = L"java";
constexpr const wchar_t* kStagingName = L"java.staging";
constexpr const wchar_t* kRuntimeDeltaFileName = L"java.delta";
constexpr const wchar_t* kRollbackRecordName = L"manifest.sequence";
constexpr const wchar_t* kRuntimeSourceName = L"java.source";
constexpr const wchar_t* kStarterFolderName = L"starter";
constexpr const wchar_t* kLogsName = L"logs";
constexpr const wchar_t* kLockFileName = L"work-files.lock";

// The program is stored under the name its manifest entry is found by (ASCII).
std::wstring starterProgramName() {
    const std::string name = kStarterName;
    return std::wstring(name.begin(), name.end());
}

std::wstring inside(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

// Every name that carries `suffix` followed by anything.
std::wstring anyCarrying(const std::wstring& name, const wchar_t* suffix) { return name + suffix + L"*"; }

}  // namespace

WorkFolder::WorkFolder(const std::wstring& gameDirectory)
    : gameDirectory(gameDirectory),
      root(inside(gameDirectory, kRootName)),
      launcherJar(inside(root, kLauncherJarFileName)),
      javaZip(inside(root, kJavaZipFileName)),
      runtime(inside(root, kRuntimeName)),
      staging(inside(root, kStagingName)),
      runtimeDelta(inside(root, kRuntimeDeltaFileName)),
      rollbackRecord(inside(root, kRollbackRecordName)),
      runtimeSource(inside(root, kRuntimeSourceName)),
      starterFolder(inside(root, kStarterFolderName)),
      starterProgram(inside(starterFolder, starterProgramName())),
      logs(inside(root, kLogsName)),
      lockFile(inside(root, kLockFileName)) {}

std::vector<std::wstring> WorkFolder::fixedNames() const {
    const DownloadFiles jar = downloadFilesFor(kLauncherJarFileName);
    const DownloadFiles zip = downloadFilesFor(kJavaZipFileName);
    const DownloadFiles delta = downloadFilesFor(kRuntimeDeltaFileName);
    return {delta.target, delta.partial, delta.resumeRecord,
            jar.target,
            jar.partial,
            zip.target,
            zip.partial,
            kRuntimeName,
            kStagingName,
            kRollbackRecordName,
            replacementOf(kRollbackRecordName),
            kRuntimeSourceName,
            replacementOf(kRuntimeSourceName),
            kStarterFolderName,
            jar.resumeRecord,
            zip.resumeRecord,
            kLockFileName};
}

std::vector<std::wstring> WorkFolder::privateFileNames() const {
    std::vector<std::wstring> names;
    for (const wchar_t* fetched : {kLauncherJarFileName, kJavaZipFileName}) {
        const DownloadFiles files = downloadFilesFor(fetched);
        names.insert(names.end(), {files.target, files.partial, files.resumeRecord});
    }
    for (const wchar_t* record : {kRollbackRecordName, kRuntimeSourceName}) {
        names.push_back(record);
        names.push_back(replacementOf(record));
    }
    return names;
}

std::vector<std::wstring> WorkFolder::starterFixedNames() const {
    const DownloadFiles program = downloadFilesFor(starterProgramName());
    return {program.target, program.partial, program.resumeRecord, failedProgramOf(program.target)};
}

std::vector<std::wstring> WorkFolder::setAsideInGameDirectory() const {
    return {anyCarrying(kRootName, kUntrustedSuffix)};
}

std::vector<std::wstring> WorkFolder::setAsideInRoot() const {
    return {anyCarrying(kRuntimeName, kUntrustedSuffix), anyCarrying(kRuntimeName, kOldRuntimeSuffix),
            anyCarrying(kStagingName, kStaleStagingSuffix), anyCarrying(kLogsName, kUntrustedSuffix),
            anyCarrying(kStarterFolderName, kUntrustedSuffix)};
}

DownloadFiles WorkFolder::downloadFilesFor(const std::wstring& target) {
    const std::wstring partial = target + L".part";
    return {target, partial, partial + L".resume"};
}

std::wstring WorkFolder::replacementOf(const std::wstring& record) { return record + L".new"; }

std::wstring WorkFolder::failedProgramOf(const std::wstring& program) { return program + L".failed"; }
