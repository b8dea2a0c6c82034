#pragma once
// A runtime delta: how to build the files of a new runtime archive from the
// unpacked files of an older one. It comes from the network, so the reader
// bounds every count and size and holds names to the rules of zip entries.
// Plain C++ with no platform headers, so it also builds natively.
//
// Layout, little-endian: the magic, the old and the new archive's SHA-256,
// the table's length in bytes (u32); the table: the entry count (u32), then
// per entry its kind (u8), name (u16 length, UTF-8, "/" between folders) and,
// for files, size (u64) and SHA-256; for a file taken from the old tree, the
// reference's name, size and SHA-256; for a file with data, the data's length
// (u64). The data follow the table in entry order and end the file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using DeltaDigest = std::array<unsigned char, 32>;

enum class DeltaSource : std::uint8_t {
    Folder = 0,   // a folder (parents of files need no entry of their own)
    Same = 1,     // a file of the old tree, unchanged (perhaps under another name)
    Patched = 2,  // zstd data with the old tree's file as the reference
    Whole = 3,    // zstd data alone
};

struct DeltaEntry {
    DeltaSource source = DeltaSource::Folder;
    std::string name;
    std::uint64_t size = 0;
    DeltaDigest sha256{};
    std::string referenceName;  // Same and Patched
    std::uint64_t referenceSize = 0;
    DeltaDigest referenceSha256{};
    std::uint64_t dataOffset = 0;  // from the start of the file; Patched and Whole
    std::uint64_t dataSize = 0;
};

struct DeltaHeader {
    DeltaDigest fromArchive{};
    DeltaDigest toArchive{};
    std::uint32_t tableSize = 0;
};

inline constexpr char kDeltaMagic[8] = {'M', 'R', 'V', 'D', 'E', 'L', 'T', '1'};
inline constexpr std::size_t kDeltaHeaderSize = 8 + 32 + 32 + 4;
// Limits far above a real runtime (about 1 000 files, 130 MB the largest),
// low enough that a hostile file cannot make the starter allocate much.
inline constexpr std::uint32_t kDeltaMaxTableSize = 16u << 20;
inline constexpr std::uint32_t kDeltaMaxEntries = 100000;
inline constexpr std::uint64_t kDeltaMaxFileSize = 1ull << 30;
inline constexpr std::size_t kDeltaMaxNameSize = 400;  // the work folder's path must still fit

// False unless `data` starts with the magic and a table no larger than the limit.
bool readDeltaHeader(const unsigned char* data, std::size_t size, DeltaHeader& header);

// The table that follows the header in a delta file of `fileSize` bytes. False
// on anything malformed: a name that is unsafe, repeated (in any letter case)
// or both a file and a folder's parent; a size over the limit; data that do not
// end exactly at the end of the file.
bool readDeltaTable(const unsigned char* table, std::size_t size, std::uint64_t fileSize,
                    std::vector<DeltaEntry>& entries);

// The header and table for `entries` (their data offsets are ignored): what
// the publishing tool writes before the data.
std::vector<unsigned char> writeDeltaHead(const DeltaDigest& fromArchive, const DeltaDigest& toArchive,
                                          const std::vector<DeltaEntry>& entries);
