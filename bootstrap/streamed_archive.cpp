#include "bootstrap/streamed_archive.h"

#include "archive/extract_zip.h"
#include "archive/zip_stream_beside.h"
#include "base/support_log.h"
#include "base/ui_texts.h"

ArchiveArrival downloadUnpackingArchive(const std::string& url, const DownloadFiles& files,
                                        const std::string& expectedSha256, const std::wstring& stagingFolder,
                                        const StatusPublisher& publish, const DownloadClock& clock) {
    ZipStreamBeside unpack(folderPlaces(stagingFolder));
    ZipStreamVerdict verdict = ZipStreamVerdict::reading;
    std::uint64_t tailFrom = 0;
    bool verified = false;
    PartObserver observer;
    observer.emptied = [&unpack] { unpack.partEmptied(); };
    observer.bytes = [&unpack](std::uint64_t offset, const unsigned char* data, std::size_t count) {
        unpack.partBytes(offset, data, count);
    };
    // The digest matched: what remains (the last entries, their flushes, the directory's
    // check) is the files' check for the player.
    observer.accept = [&] {
        publish(kCheckingFilesText, 1.0);
        tailFrom = clock();
        verified = true;
        verdict = unpack.finish();
        return verdict != ZipStreamVerdict::disagrees;
    };
    const bool fetched = downloadFile(url, files, expectedSha256, publish, clock, RetryPause(), &observer);
    if (verdict == ZipStreamVerdict::reading) verdict = unpack.finish();
    const ZipStream& stream = unpack.stream();
    const std::string figures = std::to_string(stream.entries()) + " entries, " +
                                std::to_string(stream.bytesWritten()) + " bytes";
    switch (verdict) {
        case ZipStreamVerdict::unpacked:
            if (!fetched) break;
            logEvent("unpacked " + figures + " while fetching, the directory agreeing; " +
                     std::to_string(clock() - tailFrom) + " ms after the last byte");
            return ArchiveArrival::unpacked;
        case ZipStreamVerdict::disagrees:
            if (!verified) break;
            logEvent("unpack while fetching: the archive disagrees with itself (" + stream.why() + ")");
            return ArchiveArrival::refused;
        case ZipStreamVerdict::refused:
            if (!fetched) break;
            logEvent("unpack while fetching refused the archive (" + stream.why() + ") after " + figures);
            return ArchiveArrival::refused;
        default:
            if (!fetched) break;
            logEvent("unpack while fetching left to the whole file (" +
                     (unpack.taken() == 0 ? std::string("no bytes arrived") : stream.why()) + ")");
            return ArchiveArrival::fetched;
    }
    return ArchiveArrival::notFetched;
}
