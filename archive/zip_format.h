#pragma once
// The zip format's fixed parts: record signatures and sizes, flags, methods and
// little-endian reads, shared by the whole-file reader and the streaming one.
// Plain C++ with no platform headers, so it also builds natively.

#include <cstddef>
#include <cstdint>

namespace zip_format {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kZip64EndSize = 56;  // without its extensible data
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kMaxCommentSize = 0xFFFF;

inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint32_t kDosDirectoryAttribute = 0x10;

inline std::uint16_t read16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t read64(const unsigned char* p) {
    return static_cast<std::uint64_t>(read32(p)) | (static_cast<std::uint64_t>(read32(p + 4)) << 32);
}

}  // namespace zip_format
