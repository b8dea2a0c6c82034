#include "app/support_log.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <vector>

#include "app/support_log_file.h"
#include "app/unique_handle.h"
#include "files/trusted_folders.h"

namespace {

// Taken when the program's statics are made, before the entry function runs.
const ULONGLONG kStartTick = GetTickCount64();

struct SupportLog {
    std::mutex lineLock;  // guards the two below only; never held over a disk call
    std::vector<std::string> pending;  // lines not yet written
    std::wstring workFolder;
    std::mutex fileLock;  // guards the file's state below
    UniqueFileHandle file;
    bool opened = false;  // the first write (and the rotation) was tried
    std::uint64_t written = 0;
    bool cut = false;
};

SupportLog& supportLog() {
    static SupportLog* log = new SupportLog;  // never destroyed: threads may log up to the end
    return *log;
}

std::string stampedLine(const std::string& text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const ULONGLONG sinceStart = GetTickCount64() - kStartTick;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u +%llu ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, static_cast<unsigned long long>(sinceStart));
    std::string line = stamp + text;
    // One event, one line: a line break inside the text would forge the next entry.
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += '\n';
    return line;
}

// Opens this run's file in the log folder, made like the other work folders.
void openLogFile(SupportLog& log) {
    log.opened = true;
    std::wstring workFolder;
    {
        std::lock_guard<std::mutex> guard(log.lineLock);
        workFolder = log.workFolder;
    }
    const std::wstring logsFolder = workFolder + L"\\logs";
    if (!prepareTrustedFolder(logsFolder)) return;
    rotateSupportLogs(logsFolder);
    // Players may read it (the folder's descriptor lets Users read), so it can be attached to a request.
    log.file.reset(CreateFileW((logsFolder + L"\\" + supportLogName(0)).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                               FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

void logEvent(const std::string& text) {
    std::string line = stampedLine(text);
    SupportLog& log = supportLog();
    std::lock_guard<std::mutex> guard(log.lineLock);
    log.pending.push_back(std::move(line));
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

std::string loggableUrl(const std::string& url) { return url.substr(0, url.find('?')); }

void setSupportLogFolder(const std::wstring& workFolder) {
    SupportLog& log = supportLog();
    std::lock_guard<std::mutex> guard(log.lineLock);
    log.workFolder = workFolder;
}

void flushSupportLog() {
    SupportLog& log = supportLog();
    std::lock_guard<std::mutex> fileGuard(log.fileLock);
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> guard(log.lineLock);
        if (log.workFolder.empty()) return;  // kept until the folder is known
        if (log.opened && !log.file) log.pending.clear();  // no log this run: keep memory bounded
        lines.swap(log.pending);
    }
    if (!log.opened) openLogFile(log);
    if (!log.file) return;
    const std::string text = fitUnderCap(lines, log.written, log.cut);
    if (text.empty()) return;
    DWORD done = 0;
    WriteFile(log.file.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}
