#include "bootstrap/rollback_record.h"

#include <windows.h>

#include <string>

#include "base/support_log.h"
#include "base/unique_handle.h"
#include "bootstrap/manifest_signature.h"
#include "files/private_file.h"
#include "files/record_file.h"
#include "files/trusted_folders.h"
#include "files/security_description.h"

namespace {

constexpr DWORD kMaximumFileSize = 64;  // 19 digits and a line end; anything longer is not ours
constexpr ULONGLONG kRetryForMs = 2000;
constexpr DWORD kRetryPauseMs = 100;

AcceptedSequence readOpenRecord(HANDLE file) {
    char buffer[kMaximumFileSize + 1];
    DWORD read = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &read, nullptr) || read > kMaximumFileSize)
        return {SequenceRecord::Unreadable, 0};
    std::string text(buffer, read);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::uint64_t sequence = 0;
    if (!parseManifestSequence(text, sequence)) return {SequenceRecord::Unreadable, 0};
    return {SequenceRecord::Present, sequence};
}

}  // namespace

AcceptedSequence readRollbackRecord(const std::wstring& path) {
    const ULONGLONG deadline = GetTickCount64() + kRetryForMs;
    for (;;) {
        UniqueFileHandle file = openRecordFile(path);
        if (file) return readOpenRecord(file.get());
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return {SequenceRecord::None, 0};
        if (GetTickCount64() >= deadline) {
            logEvent(win32Failure("manifest sequence record unreadable", error) +
                     ": no signed manifest is taken this run");
            return {SequenceRecord::Unreadable, 0};
        }
        Sleep(kRetryPauseMs);
    }
}

bool storeRollbackRecord(const std::wstring& path, const std::wstring& replacement, std::uint64_t sequence) {
    // Read afresh: another starter may have stored a higher number meanwhile.
    const AcceptedSequence current = readRollbackRecord(path);
    if (current.record == SequenceRecord::Unreadable) return false;
    if (current.record == SequenceRecord::Present && current.value >= sequence) return true;
    return writePrivateRecord(path, replacement, std::to_string(sequence) + "\n");
}

bool carryRollbackRecord(const std::wstring& setAsideRecord, const std::wstring& path,
                         const std::wstring& replacement) {
    UniqueFileHandle file = openRecordFile(setAsideRecord);
    if (!file) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            logEvent("manifest sequence of the set-aside work folder not carried over: it could not be opened");
        return false;
    }
    if (!isTrustedRecordFile(describeRecordFile(file.get(), setAsideRecord), trustContextOfRun(path.substr(0, path.rfind(L'\\'))))) {
        logEvent("manifest sequence of the set-aside work folder not carried over: others could have changed it");
        return false;
    }
    const AcceptedSequence carried = readOpenRecord(file.get());
    file.reset();
    if (carried.record != SequenceRecord::Present || !storeRollbackRecord(path, replacement, carried.value)) {
        logEvent("manifest sequence of the set-aside work folder not carried over: it could not be read or stored");
        return false;
    }
    logEvent("manifest sequence " + std::to_string(carried.value) + " carried over from the set-aside work folder");
    return true;
}
