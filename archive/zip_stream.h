#pragma once
// Unpacks a zip archive from its bytes in order, as they arrive: each entry is
// written as its local header and data pass by, and the central directory at the
// end must agree with every entry before the unpack counts. Forms it does not
// follow (a stored entry with a data descriptor, encryption, other methods, odd
// ZIP64 or disk layouts, bytes before the first entry, repeated names) end it
// early, and the caller unpacks the whole file instead.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "archive/unpack_entries.h"

struct ZipCloseQueue;
struct ZipOutputFile;

enum class ZipStreamVerdict {
    reading,       // more bytes may follow
    unpacked,      // every entry is written, flushed and closed, and the archive agrees with itself
    cannotFollow,  // a form this reader does not follow: unpack the whole file instead
    refused,       // an entry the unpack rules refuse (its name, data, size or CRC-32)
    disagrees,     // the central directory and the entries disagree, or bytes follow the end record
};

class ZipStream {
public:
    explicit ZipStream(UnpackPlaces places);
    ~ZipStream();
    ZipStream(const ZipStream&) = delete;
    ZipStream& operator=(const ZipStream&) = delete;

    // The next bytes of the archive; ignored once a verdict is reached.
    void feed(const unsigned char* data, std::size_t size);
    // No more bytes: waits until every file is closed and gives the verdict. Once only.
    ZipStreamVerdict finish();

    ZipStreamVerdict verdict() const { return verdict_; }
    const std::string& why() const { return why_; }  // for the log; never an entry name
    std::size_t entries() const { return locals_.size(); }
    std::uint64_t bytesWritten() const { return totalWritten_; }

private:
    enum class Phase { signature, local, data, skip, descriptor, central, zip64End, zip64Locator, end, afterEnd };

    struct LocalEntry {
        std::string name;
        std::uint64_t offset = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t uncompressedSize = 0;
        std::uint32_t crc32 = 0;
        std::uint16_t method = 0;
        std::uint16_t dosTime = 0;
        std::uint16_t dosDate = 0;
        bool descriptor = false;
        bool zip64 = false;
        bool folder = false;
        bool inDirectory = false;
    };

    std::size_t takeHeader(const unsigned char* data, std::size_t size);
    std::size_t takeData(const unsigned char* data, std::size_t size);
    void onHeader();
    void onSignature();
    void onLocal();
    void onDescriptor();
    void onCentral();
    void onZip64End();
    void onEnd();
    bool writeBuffer();
    bool countOutput(std::size_t produced);
    void endEntry();
    void stop(ZipStreamVerdict verdict, const char* why);
    void closeOutput();

    UnpackPlaces places_;
    ZipStreamVerdict verdict_ = ZipStreamVerdict::reading;
    std::string why_;
    Phase phase_ = Phase::signature;
    std::vector<unsigned char> header_;  // the record being gathered
    std::size_t wanted_ = 4;             // its length, as far as known
    std::uint64_t offset_ = 0;           // of the next byte in the archive
    std::uint64_t recordOffset_ = 0;     // where the gathered record began

    std::vector<LocalEntry> locals_;
    std::set<std::string> foldedNames_;  // ASCII-lowered names: a repeat is not followed
    // The entry whose data pass now.
    ZipOutputFile* output_ = nullptr;
    std::vector<unsigned char> buffer_;  // its output, written in large pieces
    std::size_t filled_ = 0;
    std::uint64_t dataLeft_ = 0;         // compressed bytes of it still to come (known sizes)
    std::uint64_t consumed_ = 0;         // compressed bytes of it so far
    std::uint64_t written_ = 0;          // uncompressed bytes of it so far
    std::uint32_t crc_ = 0;
    void* inflater_ = nullptr;           // a z_stream, reused from entry to entry
    bool inflating_ = false;
    std::uint64_t totalWritten_ = 0;
    ZipCloseQueue* closing_ = nullptr;

    // The directory and its end records.
    std::uint64_t directoryOffset_ = 0;
    std::uint64_t directoryRecords_ = 0;
    int stage_ = 0;  // 0 entries, 1 directory, 2 ZIP64 end record, 3 its locator
    bool zip64End_ = false;
    std::uint64_t zip64EndOffset_ = 0;
    std::uint64_t zip64Entries_ = 0;
    std::uint64_t zip64DirectorySize_ = 0;
    std::uint64_t zip64DirectoryOffset_ = 0;
    bool finished_ = false;
};
