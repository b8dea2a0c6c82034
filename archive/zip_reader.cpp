#include "archive/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "archive/zip_file_io.h"
#include "archive/zip_format.h"

namespace {

using namespace zip_format;

// Large enough that an entry costs few system calls, small enough to stay off the heap's radar.
constexpr std::size_t kChunkSize = 256 * 1024;

// offset + length <= limit, without overflow.
bool fitsWithin(std::uint64_t offset, std::uint64_t length, std::uint64_t limit) {
    return offset <= limit && length <= limit - offset;
}

struct ArchiveLayout {
    std::uint64_t entryCount = 0;
    std::uint64_t directoryOffset = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryLimit = 0;  // where the central directory must end
};

// Finds the last end-of-central-directory record whose comment ends at or before the file's end.
bool findEndRecord(ZipInputFile* file, std::uint64_t fileSize, std::uint64_t& endOffset,
                   std::vector<unsigned char>& tail) {
    if (fileSize < kEndRecordSize) return false;
    const std::uint64_t tailSize = std::min<std::uint64_t>(fileSize, kEndRecordSize + kMaxCommentSize);
    tail.resize(static_cast<std::size_t>(tailSize));
    if (!zipInputReadAt(file, fileSize - tailSize, tail.data(), tail.size())) return false;
    for (std::size_t pos = tail.size() - kEndRecordSize + 1; pos-- > 0;) {
        if (read32(&tail[pos]) != kEndSignature) continue;
        const std::size_t commentSize = read16(&tail[pos + 20]);
        if (pos + kEndRecordSize + commentSize > tail.size()) continue;
        endOffset = fileSize - tailSize + pos;
        return true;
    }
    return false;
}

bool readZip64Layout(ZipInputFile* file, std::uint64_t endOffset, ArchiveLayout& layout) {
    if (endOffset < kZip64LocatorSize) return false;
    const std::uint64_t locatorOffset = endOffset - kZip64LocatorSize;
    unsigned char locator[kZip64LocatorSize];
    if (!zipInputReadAt(file, locatorOffset, locator, sizeof locator)) return false;
    if (read32(locator) != kZip64LocatorSignature) return false;
    // One disk only, numbered 0 or 1 as with the classic record.
    const std::uint32_t recordDisk = read32(locator + 4);
    if (recordDisk > 1 || read32(locator + 16) > recordDisk + 1) return false;
    const std::uint64_t recordOffset = read64(locator + 8);
    if (!fitsWithin(recordOffset, kZip64EndSize, locatorOffset)) return false;
    unsigned char record[kZip64EndSize];
    if (!zipInputReadAt(file, recordOffset, record, sizeof record)) return false;
    if (read32(record) != kZip64EndSignature) return false;
    if (read32(record + 16) != recordDisk || read32(record + 20) != recordDisk) return false;
    if (read64(record + 24) != read64(record + 32)) return false;
    layout.entryCount = read64(record + 32);
    layout.directorySize = read64(record + 40);
    layout.directoryOffset = read64(record + 48);
    layout.directoryLimit = recordOffset;
    return true;
}

bool readLayout(ZipInputFile* file, std::uint64_t fileSize, ArchiveLayout& layout) {
    std::uint64_t endOffset = 0;
    std::vector<unsigned char> tail;
    if (!findEndRecord(file, fileSize, endOffset, tail)) return false;
    const unsigned char* end = &tail[static_cast<std::size_t>(endOffset - (fileSize - tail.size()))];

    const std::uint16_t thisDisk = read16(end + 4);
    const std::uint16_t directoryDisk = read16(end + 6);
    const std::uint16_t entriesOnDisk = read16(end + 8);
    const std::uint16_t entries = read16(end + 10);
    const std::uint32_t directorySize = read32(end + 12);
    const std::uint32_t directoryOffset = read32(end + 16);

    const bool needsZip64 = thisDisk == 0xFFFF || directoryDisk == 0xFFFF || entries == 0xFFFF ||
                            entriesOnDisk == 0xFFFF || directorySize == 0xFFFFFFFF ||
                            directoryOffset == 0xFFFFFFFF;
    if (readZip64Layout(file, endOffset, layout)) {
        // The ZIP64 record rules; the classic one only carries its markers.
    } else if (needsZip64) {
        return false;
    } else {
        // Some writers number the only disk 1 instead of 0: one disk is one disk.
        if (thisDisk != directoryDisk || entriesOnDisk != entries) return false;
        layout.entryCount = entries;
        layout.directorySize = directorySize;
        layout.directoryOffset = directoryOffset;
        layout.directoryLimit = endOffset;
    }
    if (!fitsWithin(layout.directoryOffset, layout.directorySize, layout.directoryLimit)) return false;
    // Each record takes at least its fixed header: a huge count in a small directory is a lie.
    return layout.entryCount <= layout.directorySize / kCentralHeaderSize;
}

// Replaces the 32-bit fields that are saturated by the values in the ZIP64 extra field.
// Other fields, known or not, are skipped, as the common zip libraries do.
bool applyZip64Extra(const unsigned char* extra, std::size_t extraSize, ZipEntryRecord& entry,
                     bool needUncompressed, bool needCompressed, bool needOffset) {
    std::size_t pos = 0;
    while (pos + 4 <= extraSize) {
        const std::uint16_t id = read16(extra + pos);
        const std::uint16_t size = read16(extra + pos + 2);
        // A field that runs past the extra data ends the walk; only a needed ZIP64 field must be found.
        if (pos + 4 + size > extraSize) break;
        if (id == kZip64ExtraId) {
            const unsigned char* field = extra + pos + 4;
            std::size_t used = 0;
            auto take = [&](std::uint64_t& target) {
                if (used + 8 > size) return false;
                target = read64(field + used);
                used += 8;
                return true;
            };
            if (needUncompressed && !take(entry.uncompressedSize)) return false;
            if (needCompressed && !take(entry.compressedSize)) return false;
            if (needOffset && !take(entry.localHeaderOffset)) return false;
            return true;
        }
        pos += 4 + size;
    }
    return !(needUncompressed || needCompressed || needOffset);
}

bool readDirectory(const std::vector<unsigned char>& directory, const ArchiveLayout& layout,
                   std::vector<ZipEntryRecord>& entries) {
    entries.reserve(static_cast<std::size_t>(layout.entryCount));
    std::size_t pos = 0;
    for (std::uint64_t index = 0; index < layout.entryCount; ++index) {
        if (directory.size() - pos < kCentralHeaderSize) return false;
        const unsigned char* header = &directory[pos];
        if (read32(header) != kCentralHeaderSignature) return false;
        const std::size_t nameSize = read16(header + 28);
        const std::size_t extraSize = read16(header + 30);
        const std::size_t commentSize = read16(header + 32);
        const std::size_t recordSize = kCentralHeaderSize + nameSize + extraSize + commentSize;
        if (directory.size() - pos < recordSize) return false;

        ZipEntryRecord entry;
        entry.flags = read16(header + 8);
        entry.method = read16(header + 10);
        entry.dosTime = read16(header + 12);
        entry.dosDate = read16(header + 14);
        entry.crc32 = read32(header + 16);
        entry.compressedSize = read32(header + 20);
        entry.uncompressedSize = read32(header + 24);
        entry.externalAttributes = read32(header + 38);
        entry.localHeaderOffset = read32(header + 42);
        entry.name.assign(reinterpret_cast<const char*>(header + kCentralHeaderSize), nameSize);
        const bool needUncompressed = entry.uncompressedSize == 0xFFFFFFFF;
        const bool needCompressed = entry.compressedSize == 0xFFFFFFFF;
        const bool needOffset = entry.localHeaderOffset == 0xFFFFFFFF;
        if (!applyZip64Extra(header + kCentralHeaderSize + nameSize, extraSize, entry,
                             needUncompressed, needCompressed, needOffset)) {
            return false;
        }
        if (!fitsWithin(entry.localHeaderOffset, kLocalHeaderSize, layout.directoryOffset)) return false;
        if (!fitsWithin(entry.localHeaderOffset + kLocalHeaderSize, entry.compressedSize,
                        layout.directoryOffset)) {
            return false;
        }
        entries.push_back(std::move(entry));
        pos += recordSize;
    }
    return true;
}

struct OutputCloser {
    void operator()(ZipOutputFile* file) const { zipOutputClose(file); }
};
using OutputOwner = std::unique_ptr<ZipOutputFile, OutputCloser>;

struct InflateOwner {
    z_stream stream{};
    bool started = false;
    ~InflateOwner() {
        if (started) inflateEnd(&stream);
    }
};

// Where the entry's data begin, checked against the archive; false when the local header is bad.
bool locateData(ZipReader& reader, const ZipEntryRecord& entry, std::uint64_t& dataOffset) {
    unsigned char header[kLocalHeaderSize];
    if (!zipInputReadAt(reader.file, entry.localHeaderOffset, header, sizeof header)) return false;
    if (read32(header) != kLocalHeaderSignature) return false;
    const std::uint64_t variableSize =
        static_cast<std::uint64_t>(read16(header + 26)) + read16(header + 28);
    dataOffset = entry.localHeaderOffset + kLocalHeaderSize + variableSize;
    return fitsWithin(dataOffset, entry.compressedSize, reader.centralDirectoryOffset);
}

bool copyStored(ZipReader& reader, const ZipEntryRecord& entry, std::uint64_t dataOffset,
                ZipOutputFile* output, std::uint32_t& crc) {
    if (entry.compressedSize != entry.uncompressedSize) return false;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunkSize]);
    std::uint64_t remaining = entry.compressedSize;
    std::uint64_t offset = dataOffset;
    while (remaining > 0) {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kChunkSize));
        if (!zipInputReadAt(reader.file, offset, buffer.get(), length)) return false;
        crc = static_cast<std::uint32_t>(::crc32(crc, buffer.get(), static_cast<uInt>(length)));
        if (!zipOutputWrite(output, buffer.get(), length)) return false;
        offset += length;
        remaining -= length;
    }
    return true;
}

bool inflateEntry(ZipReader& reader, const ZipEntryRecord& entry, std::uint64_t dataOffset,
                  ZipOutputFile* output, std::uint32_t& crc) {
    std::unique_ptr<unsigned char[]> input(new unsigned char[kChunkSize]);
    std::unique_ptr<unsigned char[]> produced(new unsigned char[kChunkSize]);
    // Some tools store an empty file as deflated with no data at all, not even an end block.
    if (entry.compressedSize == 0 && entry.uncompressedSize == 0) return true;
    InflateOwner inflater;
    if (inflateInit2(&inflater.stream, -MAX_WBITS) != Z_OK) return false;  // raw deflate, no header
    inflater.started = true;
    z_stream& stream = inflater.stream;

    std::uint64_t inputLeft = entry.compressedSize;
    std::uint64_t inputOffset = dataOffset;
    std::uint64_t written = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (stream.avail_in == 0 && inputLeft > 0) {
            const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(inputLeft, kChunkSize));
            if (!zipInputReadAt(reader.file, inputOffset, input.get(), length)) return false;
            inputOffset += length;
            inputLeft -= length;
            stream.next_in = input.get();
            stream.avail_in = static_cast<uInt>(length);
        }
        stream.next_out = produced.get();
        stream.avail_out = static_cast<uInt>(kChunkSize);
        status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t length = kChunkSize - stream.avail_out;
        // No progress with the entry's data used up: the deflate stream runs past them.
        if (status == Z_BUF_ERROR && length == 0) return false;
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return false;
        // Stop at once when the data claim more than the directory says: no inflating bombs.
        if (length > entry.uncompressedSize - written) return false;
        crc = static_cast<std::uint32_t>(::crc32(crc, produced.get(), static_cast<uInt>(length)));
        if (length > 0 && !zipOutputWrite(output, produced.get(), length)) return false;
        written += length;
    }
    return written == entry.uncompressedSize;
}

}  // namespace

bool zipReaderOpen(ZipReader& reader, const char* utf8Path) {
    reader = ZipReader();
    ZipInputFile* file = zipInputOpen(utf8Path);
    if (file == nullptr) return false;

    const std::uint64_t fileSize = zipInputSize(file);
    ArchiveLayout layout;
    std::vector<unsigned char> directory;
    std::vector<ZipEntryRecord> entries;
    bool ok = readLayout(file, fileSize, layout);
    if (ok) {
        directory.resize(static_cast<std::size_t>(layout.directorySize));
        ok = zipInputReadAt(file, layout.directoryOffset, directory.data(), directory.size()) &&
             readDirectory(directory, layout, entries);
    }
    if (!ok) {
        zipInputClose(file);
        return false;
    }
    reader.file = file;
    reader.fileSize = fileSize;
    reader.centralDirectoryOffset = layout.directoryOffset;
    reader.entries = std::move(entries);
    return true;
}

std::size_t zipReaderEntryCount(const ZipReader& reader) {
    return reader.entries.size();
}

bool zipReaderEntryStat(const ZipReader& reader, std::size_t index, ZipEntryStat& stat) {
    if (index >= reader.entries.size()) return false;
    const ZipEntryRecord& entry = reader.entries[index];
    stat.name = entry.name;
    stat.compressedSize = entry.compressedSize;
    stat.uncompressedSize = entry.uncompressedSize;
    stat.crc32 = entry.crc32;
    stat.method = entry.method;
    stat.encrypted = (entry.flags & kFlagEncrypted) != 0;
    return true;
}

bool zipReaderIsFolder(const ZipReader& reader, std::size_t index) {
    if (index >= reader.entries.size()) return false;
    const ZipEntryRecord& entry = reader.entries[index];
    if (!entry.name.empty() && entry.name.back() == '/') return true;
    return (entry.externalAttributes & kDosDirectoryAttribute) != 0;
}

bool zipReaderExtractToFile(ZipReader& reader, std::size_t index, const char* utf8Path) {
    if (reader.file == nullptr || index >= reader.entries.size()) return false;
    const ZipEntryRecord& entry = reader.entries[index];
    if ((entry.flags & kFlagEncrypted) != 0) return false;
    if (entry.method != kMethodStored && entry.method != kMethodDeflated) return false;
    std::uint64_t dataOffset = 0;
    if (!locateData(reader, entry, dataOffset)) return false;

    OutputOwner output(zipOutputCreate(utf8Path));
    if (!output) return false;
    std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
    const bool unpacked = entry.method == kMethodStored
                              ? copyStored(reader, entry, dataOffset, output.get(), crc)
                              : inflateEntry(reader, entry, dataOffset, output.get(), crc);
    if (!unpacked || crc != entry.crc32) return false;
    zipOutputSetModTime(output.get(), entry.dosDate, entry.dosTime);
    return zipOutputClose(output.release());
}

void zipReaderClose(ZipReader& reader) {
    if (reader.file != nullptr) zipInputClose(reader.file);
    reader = ZipReader();
}
