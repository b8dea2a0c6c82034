#include "base/support_log.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

namespace {

// Taken when the program's statics are made, before the entry function runs.
const ULONGLONG kStartTick = GetTickCount64();

struct LoggedLines {
    std::mutex lock;  // never held over a disk call
    std::vector<std::string> pending;
};

LoggedLines& loggedLines() {
    static LoggedLines* lines = new LoggedLines;  // never destroyed: threads may log up to the end
    return *lines;
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

}  // namespace

void logEvent(const std::string& text) {
    std::string line = stampedLine(text);
    LoggedLines& lines = loggedLines();
    std::lock_guard<std::mutex> guard(lines.lock);
    lines.pending.push_back(std::move(line));
}

std::string loggableUrl(const std::string& url) { return url.substr(0, url.find('?')); }

std::string win32Failure(const std::string& what, unsigned long error) {
    return what + " (error " + std::to_string(error) + ")";
}

std::vector<std::string> takeLoggedLines() {
    LoggedLines& lines = loggedLines();
    std::lock_guard<std::mutex> guard(lines.lock);
    std::vector<std::string> taken;
    taken.swap(lines.pending);
    return taken;
}
