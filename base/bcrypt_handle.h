#pragma once
// Owners of CNG handles, for the signature code of the starter and the publishing tool.

#include <windows.h>
#include <bcrypt.h>

#include "base/unique_handle.h"

struct BcryptAlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type handle) noexcept { ::BCryptCloseAlgorithmProvider(handle, 0); }
};

struct BcryptKeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type handle) noexcept { ::BCryptDestroyKey(handle); }
};

using UniqueBcryptAlgorithm = UniqueHandle<BcryptAlgorithmTraits>;
using UniqueBcryptKey = UniqueHandle<BcryptKeyTraits>;

// A provider of `algorithm` (a BCRYPT_*_ALGORITHM name); empty on failure.
inline UniqueBcryptAlgorithm openBcryptAlgorithm(const wchar_t* algorithm) {
    BCRYPT_ALG_HANDLE raw = nullptr;
    if (BCryptOpenAlgorithmProvider(&raw, algorithm, nullptr, 0) != 0) return UniqueBcryptAlgorithm();
    return UniqueBcryptAlgorithm(raw);
}
