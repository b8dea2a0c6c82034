#include "net/download.h"

#include <windows.h>
#include <bcrypt.h>
#include <shlobj.h>

#include <memory>

#include "base/support_log.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "net/download_progress.h"
#include "files/busy_retry.h"
#include "files/file_replace.h"
#include "net/http_client.h"
#include "files/plain_file.h"
#include "files/private_file.h"
#include "net/resume_rules.h"
#include "net/retry_rules.h"
#include "net/sha256.h"
#include "net/sha256_beside.h"

namespace {

// A link or a file with a second name counts as damaged: fetched again, the
// replace then gives the target a name of its own.
bool isIntactFile(const std::wstring& path, const std::string& expectedSha256) {
    if (expectedSha256.empty()) return false;
    UniqueFileHandle file = openPlainFileForReading(path);
    return file && sameDigest(computeHandleSha256(file.get()), expectedSha256);
}

void createParentDirectory(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return;
    // An existing folder is normal; a real failure shows when the file is created.
    SHCreateDirectoryExW(nullptr, path.substr(0, slash).c_str(), nullptr);
}

// No attempt follows once this long passed without a byte: a server that stalls for good
// then ends in a failure after two cut attempts, not four.
constexpr std::uint64_t kGiveUpAfterSilenceMs = 45000;
// The record follows the flushed part at least this often, so an end by power cut or
// kill costs at most this much of the download.
constexpr std::uint64_t kRecordRefreshMs = 1000;

// -1 to 1, for the jitter of a retry pause.
double randomJitter() {
    std::uint32_t value = 0;
    BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    return value / 2147483647.5 - 1.0;
}

void discardPartial(const DownloadFiles& files) {
    DeleteFileW(files.resumeRecord.c_str());
    DeleteFileW(files.partial.c_str());
}

bool readRecord(const DownloadFiles& files, ResumeRecord& record) {
    UniqueFileHandle file = openPlainFileForReading(files.resumeRecord);
    if (!file) return false;
    char text[1024];
    DWORD read = 0;
    if (!ReadFile(file.get(), text, sizeof text, &read, nullptr) || read == sizeof text) return false;
    return parseResumeRecord(std::string(text, read), record);
}

// The record of one attempt, kept open while it runs and rewritten in place, one
// small write each time: it never claims more bytes than the flushed part holds.
class RecordFile {
public:
    explicit RecordFile(const std::wstring& path) : path_(path) {}
    bool store(const ResumeRecord& record) {
        if (!file_) file_ = createPrivateFile(path_, GENERIC_WRITE, 0, CREATE_ALWAYS);
        const std::string text = formatResumeRecord(record);
        DWORD written = 0;
        LARGE_INTEGER zero = {};
        return file_ && SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN) &&
               WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size() && SetEndOfFile(file_.get()) && FlushFileBuffers(file_.get());
    }
    void close() { file_.reset(); }

private:
    const std::wstring& path_;
    UniqueFileHandle file_;
};

// The kept partial file, opened without following a link; empty unless it is a plain
// file with one name at exactly that path.
UniqueFileHandle openKeptPartial(const std::wstring& path, std::uint64_t& length) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!file || !GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        information.nNumberOfLinks != 1 || !handleIsAt(file.get(), path))
        return UniqueFileHandle();
    length = (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    return file;
}

// Feeds the kept bytes into the digest (and the observer), leaving the file positioned at their end.
bool hashKeptBytes(HANDLE file, std::uint64_t length, Sha256Beside& digest, const PartObserver* observer) {
    static constexpr DWORD kChunk = 1 << 20;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
    std::uint64_t done = 0;
    while (done < length) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.get(), kChunk, &read, nullptr) || read == 0) return false;
        if (!digest.update(buffer.get(), read)) return false;
        if (observer && observer->bytes) observer->bytes(done, buffer.get(), read);
        done += read;
    }
    return done == length;
}

enum class AttemptEnd { Fetched, Retry, Failed, Mismatch };

// One download across its attempts, each made by attempt(): what the last one left behind.
class Download {
public:
    Download(const std::string& url, const DownloadFiles& files, const std::string& expectedSha256,
             DownloadProgressReporter& progress, const DownloadClock& clock, const PartObserver* observer)
        : url(url), files(files), expectedSha256(expectedSha256), progress(progress), clock(clock),
          observer(observer) {}

    const std::string& url;
    const DownloadFiles& files;
    const std::string& expectedSha256;
    DownloadProgressReporter& progress;
    const DownloadClock& clock;
    const PartObserver* observer;
    std::uint64_t written = 0;
    std::uint64_t resumedFrom = 0;
    std::uint64_t lastByteAt = 0;
    std::string digest;

    // The last answer seen: its Retry-After sets the next pause.
    const ResponseHeaders& answer() const { return answer_; }

    AttemptEnd attempt() {
        ResumeRecord record;
        std::uint64_t keptLength = 0;
        UniqueFileHandle part;
        partBusy_ = false;
        if (readRecord(files, record) &&
            !retryWhileBusy([&] { return static_cast<bool>(part = openKeptPartial(files.partial, keptLength)); }))
            partBusy_ = GetLastError() == ERROR_SHARING_VIOLATION;
        // A scanner holding the part: asked again later, the kept bytes untouched.
        if (partBusy_) return keepForLater(part, HttpFailure::Connection);
        ResumeRequest range = planResumeRequest(record, keptLength, expectedSha256);
        if (range.from > 0 && keptLength > range.from && !cutBack(part.get(), range.from)) range = ResumeRequest();
        for (;;) {
            const HttpFailure failure = transfer(part, range);
            if (failure == HttpFailure::None) return finish(part);
            if (failure == HttpFailure::Unusable && partBusy_) return keepForLater(part, HttpFailure::Connection);
            if (failure == HttpFailure::Status && restartAfresh_ && range.from > 0) {
                // Other bytes than asked for: the kept part is of no use.
                part.reset();
                range = ResumeRequest();
                continue;
            }
            return keepForLater(part, failure);
        }
    }

private:
    // Bytes past the record may not have reached the disk before the end that left them.
    static bool cutBack(HANDLE part, std::uint64_t length) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(length);
        LARGE_INTEGER start = {};
        // Back at the start: the kept bytes are hashed from there.
        return SetFilePointerEx(part, at, nullptr, FILE_BEGIN) && SetEndOfFile(part) &&
               SetFilePointerEx(part, start, nullptr, FILE_BEGIN);
    }

    AttemptEnd finish(UniqueFileHandle& part) {
        digest = hash_ ? hash_->finish() : std::string();
        const bool matches = expectedSha256.empty() || sameDigest(digest, expectedSha256);
        // A body that ends when its connection closes may have been cut: the rest is asked.
        if (!matches && !lengthPromised_) return keepForLater(part, HttpFailure::Cut);
        // The rename that follows must never publish data that is not on the disk yet.
        const bool flushed = FlushFileBuffers(part.get()) != 0;
        part.reset();
        record_.close();
        // The unpacker beside the download may refuse what it read (a directory that disagrees).
        const bool accepted = matches && (!observer || !observer->accept || observer->accept());
        if (!flushed || !accepted) {
            discardPartial(files);
            return flushed && !matches && resumedFrom > 0 ? AttemptEnd::Mismatch : AttemptEnd::Failed;
        }
        DeleteFileW(files.resumeRecord.c_str());
        return AttemptEnd::Fetched;
    }

    AttemptEnd keepForLater(UniqueFileHandle& part, HttpFailure failure) {
        const bool retry = failure == HttpFailure::Connection || failure == HttpFailure::Cut ||
                           (failure == HttpFailure::Status && isRetriedStatus(status_));
        // A part some other program holds is left as it is, record and all.
        if (partBusy_) return AttemptEnd::Retry;
        // A part whose write failed (a full disk, say) goes: keeping it would hold the space.
        bool kept = failure != HttpFailure::Sink && part && written > 0 && !validator_.empty() &&
                    !expectedSha256.empty() && FlushFileBuffers(part.get());
        part.reset();
        kept = kept && storeRecord();
        record_.close();
        if (!kept) discardPartial(files);
        return retry ? AttemptEnd::Retry : AttemptEnd::Failed;
    }

    // The part's validator and its flushed length, for a later attempt or start.
    bool storeRecord() {
        ResumeRecord record;
        record.digest = expectedSha256;
        record.length = written;
        record.validator = validator_;
        recordAt_ = clock();
        return record_.store(record);
    }

    // Flushes the part, then records its length: at least every kRecordRefreshMs.
    void refreshRecord(HANDLE part) {
        if (validator_.empty() || expectedSha256.empty() || clock() - recordAt_ < kRecordRefreshMs) return;
        if (FlushFileBuffers(part)) storeRecord();
    }

    HttpFailure transfer(UniqueFileHandle& part, ResumeRequest range) {
        // An attempt that ends before any answer must not pause for an earlier one's Retry-After.
        answer_ = ResponseHeaders();
        freshDigest();
        restartAfresh_ = false;
        status_ = 0;
        lengthPromised_ = true;
        if (range.from > 0 && !hashKeptBytes(part.get(), range.from, *hash_, observer)) {
            range = ResumeRequest();
            freshDigest();
        }
        // Only an accepted body changes what the kept bytes are.
        validator_ = range.ifRange;
        if (range.from == 0) {
            // The old record goes first: it must never describe the new part.
            record_.close();
            DeleteFileW(files.resumeRecord.c_str());
            part.reset();
            if (!retryWhileBusy([&] {
                    part = createPrivateFile(files.partial, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
                    return static_cast<bool>(part);
                })) {
                partBusy_ = GetLastError() == ERROR_SHARING_VIOLATION;
                return HttpFailure::Unusable;
            }
            if (observer && observer->emptied) observer->emptied();
        }
        written = range.from;
        resumedFrom = range.from;
        std::int64_t total = 0;
        HttpStreamRequest ask;
        ask.url = url;
        ask.range = range;
        ask.clockMs = clock;
        ask.onHeaders = [&](const ResponseHeaders& headers) {
            status_ = headers.status;
            answer_ = headers;
            const BodyVerdict verdict = judgeResponse(range, headers);
            restartAfresh_ = verdict == BodyVerdict::StartAfresh;
            if (verdict == BodyVerdict::WriteFromStart && range.from > 0) {
                // A whole body after all: the kept bytes go.
                LARGE_INTEGER zero = {};
                if (!SetFilePointerEx(part.get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(part.get())) return false;
                if (observer && observer->emptied) observer->emptied();
                freshDigest();
                written = 0;
                resumedFrom = 0;
            }
            if (verdict != BodyVerdict::Append && verdict != BodyVerdict::WriteFromStart) return false;
            validator_ = strongValidator(headers);
            std::uint64_t promised = 0;
            lengthPromised_ = promisedBodyLength(headers, promised);
            // Recorded before the first byte: an end at any moment from here keeps what arrived.
            if (!validator_.empty() && !expectedSha256.empty()) storeRecord();
            total = lengthPromised_ ? static_cast<std::int64_t>(written + promised) : 0;
            if (written > 0) progress.resumeAt(static_cast<std::int64_t>(written));
            return true;
        };
        ask.onData = [&](const unsigned char* data, DWORD count) {
            DWORD done = 0;
            if (!WriteFile(part.get(), data, count, &done, nullptr) || done != count) return false;
            if (hash_) hash_->update(data, count);
            if (observer && observer->bytes) observer->bytes(written, data, count);
            written += count;
            lastByteAt = clock();
            refreshRecord(part.get());
            progress.onChunk(static_cast<std::int64_t>(written), total);
            return true;
        };
        return httpStream(ask).failure;
    }

    // No digest is computed when none is expected.
    void freshDigest() { hash_.reset(expectedSha256.empty() ? nullptr : new Sha256Beside()); }

    std::unique_ptr<Sha256Beside> hash_;
    std::string validator_;
    ResponseHeaders answer_;
    unsigned status_ = 0;
    bool restartAfresh_ = false;
    bool lengthPromised_ = true;
    bool partBusy_ = false;
    RecordFile record_{files.resumeRecord};
    std::uint64_t recordAt_ = 0;
};

}  // namespace

bool downloadFile(const std::string& url, const DownloadFiles& files, const std::string& expectedSha256,
                  const StatusPublisher& publish, const DownloadClock& clock, const RetryPause& pause,
                  const PartObserver* observer) {
    const std::string name = toUtf8(files.target.substr(files.target.rfind(L'\\') + 1));
    if (isIntactFile(files.target, expectedSha256)) {
        logEvent(name + ": kept as intact");
        return true;
    }

    createParentDirectory(files.target);
    DownloadProgressReporter progress(publish, clock);
    Download download{url, files, expectedSha256, progress, clock, observer};
    download.lastByteAt = clock();
    std::string offsets;
    int attempts = 0, retries = 0;
    bool freshAfterMismatch = false;
    AttemptEnd end = AttemptEnd::Failed;
    for (;;) {
        ++attempts;
        end = download.attempt();
        offsets += (offsets.empty() ? "" : ",") + std::to_string(download.resumedFrom);
        // Kept bytes that spoil the digest (a server that changed the file under one
        // validator) get one try from byte 0 at once.
        if (end == AttemptEnd::Mismatch && !freshAfterMismatch) {
            freshAfterMismatch = true;
            continue;
        }
        if (end != AttemptEnd::Retry || retries >= kRetryCount || clock() - download.lastByteAt >= kGiveUpAfterSilenceMs)
            break;
        const std::uint32_t ms = retryPauseMs(retries++, randomJitter(), download.answer());
        if (pause) pause(ms);
        else Sleep(ms);
    }
    logEvent(name + ": " + (end == AttemptEnd::Fetched ? "fetched" : "not fetched") + ", " +
             std::to_string(download.written) + " bytes, " + std::to_string(attempts) + " attempts from bytes " +
             offsets + "; sha256 expected " + (expectedSha256.empty() ? "none" : expectedSha256) + ", computed " +
             (download.digest.empty() ? "none" : download.digest));
    if (end != AttemptEnd::Fetched) return false;
    return replaceFile(files.partial, files.target);
}
