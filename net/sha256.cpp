#include "net/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include "base/bcrypt_handle.h"
#include "base/text.h"

namespace {

constexpr ULONG kReadChunkSize = 65536;
constexpr ULONG kDigestSize = 32;

}  // namespace

std::string computeFileSha256(const std::wstring& path) {
    // Read sharing only: nobody may change the file while it is hashed.
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    return computeHandleSha256(file.get());
}

std::string computeHandleSha256(HANDLE file) {
    Sha256Stream digest;
    unsigned char buffer[kReadChunkSize];
    for (;;) {
        DWORD read = 0;
        // A read error is no end of file: a digest of part of the file must never pass for the whole.
        if (!ReadFile(file, buffer, kReadChunkSize, &read, nullptr)) return std::string();
        if (read == 0) break;
        if (!digest.update(buffer, read)) return std::string();
    }
    return digest.finish();
}

Sha256Stream::Sha256Stream() {
    // The provider lives for the process: opening one per file costs more than hashing a small file.
    static const UniqueBcryptAlgorithm provider = openBcryptAlgorithm(BCRYPT_SHA256_ALGORITHM);
    if (!provider || BCryptCreateHash(provider.get(), hash_.put(), nullptr, 0, nullptr, 0, 0) != 0) failed_ = true;
}

bool Sha256Stream::update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (!failed_ && size > 0) {
        const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
        if (BCryptHashData(hash_.get(), const_cast<unsigned char*>(bytes), piece, 0) != 0)
            failed_ = true;
        bytes += piece;
        size -= piece;
    }
    return !failed_;
}

std::string Sha256Stream::finish() {
    if (failed_) return std::string();
    failed_ = true;  // a finished hash takes no more data
    unsigned char digest[kDigestSize];
    if (BCryptFinishHash(hash_.get(), digest, kDigestSize, 0) != 0) return std::string();
    return lowerHex(digest, kDigestSize);
}
