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

struct BcryptHashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type handle) noexcept { ::BCryptDestroyHash(handle); }
};

using UniqueBcryptAlgorithm = UniqueHandle<BcryptAlgorithmTraits>;
using UniqueBcryptKey = UniqueHandle<BcryptKeyTraits>;
using UniqueBcryptHash = UniqueHandle<BcryptHashTraits>;

// A provider of `algorithm` (a BCRYPT_*_ALGORITHM name); empty on failure.
inline UniqueBcryptAlgorithm openBcryptAlgorithm(const wchar_t* algorithm) {
    UniqueBcryptAlgorithm provider;
    if (BCryptOpenAlgorithmProvider(provider.put(), algorithm, nullptr, 0) != 0) provider.reset();
    return provider;
}
