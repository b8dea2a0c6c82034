#pragma once
// A small zip reader of our own, on zlib: the six operations extraction needs.
// It reads the central directory (ZIP64 too), checks every offset and size
// against the file, and unpacks stored and deflated entries straight into
// files, checking size and CRC-32. Paths are UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ZipInputFile;

// One central-directory record, as read and checked at opening.
struct ZipEntryRecord {
    std::string name;  // raw bytes of the entry name (UTF-8 by convention)
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t externalAttributes = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
};

struct ZipReader {
    ZipInputFile* file = nullptr;
    std::uint64_t fileSize = 0;
    std::uint64_t centralDirectoryOffset = 0;  // entry data must lie before it
    std::vector<ZipEntryRecord> entries;
};

struct ZipEntryStat {
    std::string name;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t method = 0;
    bool encrypted = false;
};

// Opens the archive and reads its central directory. On failure the reader is
// left closed and needs no zipReaderClose.
bool zipReaderOpen(ZipReader& reader, const char* utf8Path);
std::size_t zipReaderEntryCount(const ZipReader& reader);
bool zipReaderEntryStat(const ZipReader& reader, std::size_t index, ZipEntryStat& stat);
// A folder: its name ends in "/" or its MS-DOS attributes carry the directory bit.
bool zipReaderIsFolder(const ZipReader& reader, std::size_t index);
// Creates or truncates the file and unpacks the entry into it, then sets its
// modification time. Encrypted entries and other methods are refused before
// the file is created; a size or CRC-32 mismatch fails after writing.
bool zipReaderExtractToFile(ZipReader& reader, std::size_t index, const char* utf8Path);
void zipReaderClose(ZipReader& reader);
