#include "net/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include "app/bcrypt_handle.h"

namespace {

struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type handle) noexcept { ::BCryptDestroyHash(handle); }
};

constexpr ULONG kReadChunkSize = 65536;
constexpr ULONG kDigestSize = 32;

std::string toLowerHex(const unsigned char (&digest)[kDigestSize]) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * kDigestSize);
    for (unsigned char byte : digest) {
        text.push_back(kHex[byte >> 4]);
        text.push_back(kHex[byte & 0x0F]);
    }
    return text;
}

}  // namespace

std::string computeFileSha256(const std::wstring& path) {
    // Read sharing only: nobody may change the file while it is hashed.
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    return computeHandleSha256(file.get());
}

std::string computeHandleSha256(HANDLE file) {

    UniqueBcryptAlgorithm provider = openBcryptAlgorithm(BCRYPT_SHA256_ALGORITHM);
    if (!provider) return std::string();

    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (BCryptCreateHash(provider.get(), &rawHash, nullptr, 0, nullptr, 0, 0) != 0) return std::string();
    UniqueHandle<HashTraits> hash(rawHash);

    unsigned char buffer[kReadChunkSize];
    for (;;) {
        DWORD read = 0;
        // A read error is no end of file: a digest of part of the file must never pass for the whole.
        if (!ReadFile(file, buffer, kReadChunkSize, &read, nullptr)) return std::string();
        if (read == 0) break;
        if (BCryptHashData(hash.get(), buffer, read, 0) != 0) return std::string();
    }

    unsigned char digest[kDigestSize];
    if (BCryptFinishHash(hash.get(), digest, kDigestSize, 0) != 0) return std::string();
    return toLowerHex(digest);
}
