#include "app/support_log_file.h"

#include <windows.h>

#include <mutex>

#include "base/support_log.h"
#include "base/unique_handle.h"
#include "files/plain_file.h"
#include "files/tree_removal.h"
#include "files/trusted_folders.h"

namespace {

struct SupportLogFile {
    std::mutex lock;  // guards everything below; the lines themselves are taken from base's record
    std::wstring logsFolder;
    UniqueFileHandle file;
    bool opened = false;  // the first write (and the rotation) was tried
    std::uint64_t written = 0;
    bool cut = false;
};

SupportLogFile& supportLogFile() {
    static SupportLogFile* log = new SupportLogFile;  // never destroyed: threads may flush up to the end
    return *log;
}

// A player may hold a log open to read it: that costs this run its log, never a wait.
std::uint64_t logRemovalDeadline() { return GetTickCount64() + 200; }

std::vector<std::wstring> supportLogNames() {
    std::vector<std::wstring> names;
    for (int generation = 0; generation <= kOlderSupportLogs; ++generation) names.push_back(supportLogName(generation));
    return names;
}

// Opens this run's file in the log folder, made like the other work folders: one
// with a link at a log's name is set aside. The file is made new, never opened
// through a link, and used only when it is a plain file with one name at its path.
void openLogFile(SupportLogFile& log) {
    log.opened = true;
    const std::wstring& logsFolder = log.logsFolder;
    if (!prepareTrustedFolder(logsFolder, supportLogNames())) return;
    rotateSupportLogs(logsFolder);
    const std::wstring path = logsFolder + L"\\" + supportLogName(0);
    if (!removeTreeWithoutFollowing(path, logRemovalDeadline())) return;  // a rotation that could not move it
    // Players may read it (the folder's descriptor lets Users read), so it can be attached to a request.
    UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                      FILE_SHARE_READ, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        information.nNumberOfLinks != 1 || !handleIsAt(file.get(), path))
        return;
    log.file = std::move(file);
}

}  // namespace

void setSupportLogFolder(const std::wstring& logsFolder) {
    SupportLogFile& log = supportLogFile();
    std::lock_guard<std::mutex> guard(log.lock);
    log.logsFolder = logsFolder;
}

void flushSupportLog() {
    SupportLogFile& log = supportLogFile();
    std::lock_guard<std::mutex> guard(log.lock);
    if (log.logsFolder.empty()) return;  // kept in memory until the folder is known
    // Without a log this run the lines are dropped all the same: memory stays bounded.
    const std::vector<std::string> lines = takeLoggedLines();
    if (!log.opened) openLogFile(log);
    if (!log.file) return;
    const std::string text = fitUnderCap(lines, log.written, log.cut);
    if (text.empty()) return;
    DWORD done = 0;
    WriteFile(log.file.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

std::string fitUnderCap(const std::vector<std::string>& lines, std::uint64_t& written, bool& cut,
                        std::uint64_t cap) {
    std::string text;
    if (cut) return text;
    const std::uint64_t room = cap - std::string(kSupportLogCutLine).size();
    for (const std::string& line : lines) {
        if (written + line.size() > room) {
            text += kSupportLogCutLine;
            written += std::string(kSupportLogCutLine).size();
            cut = true;
            break;
        }
        text += line;
        written += line.size();
    }
    return text;
}

std::wstring supportLogName(int generation) {
    if (generation == 0) return L"starter.log";
    return L"starter." + std::to_wstring(generation) + L".log";
}

void rotateSupportLogs(const std::wstring& logsFolder) {
    removeTreeWithoutFollowing(logsFolder + L"\\" + supportLogName(kOlderSupportLogs), logRemovalDeadline());
    for (int generation = kOlderSupportLogs - 1; generation >= 0; --generation)
        renameEntryItself(logsFolder + L"\\" + supportLogName(generation),
                          logsFolder + L"\\" + supportLogName(generation + 1), true);
}
