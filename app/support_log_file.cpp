#include "app/support_log_file.h"

#include <windows.h>

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
    DeleteFileW((logsFolder + L"\\" + supportLogName(kOlderSupportLogs)).c_str());
    for (int generation = kOlderSupportLogs - 1; generation >= 0; --generation)
        MoveFileExW((logsFolder + L"\\" + supportLogName(generation)).c_str(),
                    (logsFolder + L"\\" + supportLogName(generation + 1)).c_str(), MOVEFILE_REPLACE_EXISTING);
}
