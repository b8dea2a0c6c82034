// The publishing tool on Windows: the starter's own HTTP client, digest,
// extraction and Java search.

#include "publish_platform.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "base/bcrypt_handle.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "archive/extract_zip.h"
#include "bootstrap/java_search.h"
#include "bootstrap/signature_verify.h"
#include "files/security_description.h"
#include "mirror_check.h"
#include "net/http_client.h"
#include "net/resume_rules.h"
#include "net/sha256.h"
#include "p256_pem.h"

namespace fs = std::filesystem;

void configurePublishPlatform(const PublishPlatformOptions&) {
    // Windows trusts what its own certificate store trusts, like the starter.
}

bool sha256OfBytes(const void* data, std::size_t size, unsigned char* digest) {
    Sha256Stream hash;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t done = 0; done < size;) {
        const std::size_t chunk = size - done < (std::size_t{1} << 30) ? size - done : (std::size_t{1} << 30);
        if (!hash.update(bytes + done, chunk)) return false;
        done += chunk;
    }
    return decodeHex(hash.finish(), digest, 32);
}

std::string sha256OfFile(const std::string& path) {
    return computeFileSha256(fromUtf8(path));
}

bool fetchManifest(const std::string& url, std::vector<unsigned char>& body) {
    return fetchManifestBody(url, body);
}

void probeResume(const std::string& url, const std::string& digest, ResumeProbe& probe) {
    // Only the headers are wanted: each answer's body is left unread.
    HttpStreamRequest ask;
    ask.url = url;
    ask.clockMs = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
    ask.onHeaders = [&probe](const ResponseHeaders& headers) {
        probe.plain = headers;
        return false;
    };
    ask.onData = [](const unsigned char*, DWORD) { return false; };
    httpStream(ask);
    probe.answered = probe.plain.status == 200;
    if (!probe.answered) return;
    const std::uint64_t half = probe.plain.hasLength && probe.plain.length > 1 ? probe.plain.length / 2 : 1;
    probe.request = resumeRequestFor(probe.plain, half, digest);
    if (probe.request.from == 0) return;
    ask.range = probe.request;
    ask.onHeaders = [&probe](const ResponseHeaders& headers) {
        probe.ranged = headers;
        return false;
    };
    httpStream(ask);
}

bool fetchToFile(const std::string& url, const std::string& path, FetchProgress progress) {
    UniqueFileHandle file(CreateFileW(fromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return httpGet(url, nullptr, file.get(), progress);
}

std::string checkRuntimeArchive(const std::string& zipPath) {
    const std::string scratchFolder = makeScratchFolder();
    if (scratchFolder.empty()) return "cannot make a scratch folder to unpack the runtime into";
    const std::wstring scratch = fromUtf8(scratchFolder);
    std::string problem;
    if (!extractZip(fromUtf8(zipPath), scratch)) {
        problem = "the runtime archive does not unpack (the starter would show its unpack failure)";
    } else if (findJavaExecutable(scratch, L"javaw.exe").empty() && findJavaExecutable(scratch, L"java.exe").empty()) {
        problem = "the runtime archive holds no javaw.exe or java.exe directly inside a \"bin\" folder";
    }
    removeTree(toUtf8(scratch));
    return problem;
}

std::string makeScratchFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = std::wstring(base) + L"morvanta-publish-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) return toUtf8(candidate);
    }
    return std::string();  // never hand out the shared temp folder itself: it would be removed
}

void removeTree(const std::string& path) {
    if (path.empty()) return;
    std::error_code error;
    fs::remove_all(fs::u8path(path), error);
}

namespace {

bool readWholeFile(const std::string& path, std::string& text) {
    UniqueFileHandle file(CreateFileW(fromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[4096];
    DWORD read = 0;
    text.clear();
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
    return text.size() < (1u << 20);
}

// A new file; with `ownerOnly`, only its owner may open it (Wine keeps no such rights).
bool writeNewFile(const std::string& path, const std::string& text, bool ownerOnly) {
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    LocalSecurityDescriptor descriptor;
    if (ownerOnly) {
        descriptor = securityDescriptorFromSddl(L"D:P(A;;FA;;;OW)");
        if (!descriptor) return false;
        attributes.lpSecurityDescriptor = descriptor.get();
    }
    UniqueFileHandle file(CreateFileW(fromUtf8(path).c_str(), GENERIC_WRITE, 0, ownerOnly ? &attributes : nullptr,
                                      ownerOnly ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(file.get());
}

std::vector<unsigned char> eccBlob(ULONG magic, const ManifestPublicKey& key, const P256PrivateScalar* d) {
    BCRYPT_ECCKEY_BLOB header{magic, 32};
    std::vector<unsigned char> blob(reinterpret_cast<unsigned char*>(&header),
                                    reinterpret_cast<unsigned char*>(&header) + sizeof(header));
    blob.insert(blob.end(), key.x.begin(), key.x.end());
    blob.insert(blob.end(), key.y.begin(), key.y.end());
    if (d != nullptr) blob.insert(blob.end(), d->begin(), d->end());
    return blob;
}

}  // namespace

std::string generateSigningKeys(const std::string& privatePath, const std::string& publicPath) {
    UniqueBcryptAlgorithm provider = openBcryptAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!provider) return "CNG has no ECDSA P-256";
    UniqueBcryptKey key;
    if (BCryptGenerateKeyPair(provider.get(), key.put(), 256, 0) != 0) return "cannot generate a key pair";
    if (BCryptFinalizeKeyPair(key.get(), 0) != 0) return "cannot generate a key pair";
    unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + 96];
    ULONG size = 0;
    if (BCryptExportKey(key.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob, sizeof(blob), &size, 0) != 0 ||
        size != sizeof(blob))
        return "cannot export the new key";
    ManifestPublicKey publicKey;
    P256PrivateScalar d;
    const unsigned char* at = blob + sizeof(BCRYPT_ECCKEY_BLOB);
    std::copy(at, at + 32, publicKey.x.begin());
    std::copy(at + 32, at + 64, publicKey.y.begin());
    std::copy(at + 64, at + 96, d.begin());
    SecureZeroMemory(blob, sizeof(blob));
    const std::string privatePem = encodePrivateKeyPem(d, publicKey);
    SecureZeroMemory(d.data(), d.size());
    if (!writeNewFile(privatePath, privatePem, true)) return "cannot create " + privatePath + " (does it exist?)";
    if (!writeNewFile(publicPath, encodePublicKeyPem(publicKey), false)) return "cannot write " + publicPath;
    return std::string();
}

std::string signMessage(const std::string& privateKeyPath, const std::string& message,
                        ManifestSignature& signature) {
    std::string pem;
    if (!readWholeFile(privateKeyPath, pem)) return "cannot read " + privateKeyPath;
    P256PrivateScalar d;
    ManifestPublicKey publicKey;
    if (!decodePrivateKeyPem(pem, d, publicKey)) return privateKeyPath + " is not a PEM ECDSA P-256 private key";
    std::vector<unsigned char> blob = eccBlob(BCRYPT_ECDSA_PRIVATE_P256_MAGIC, publicKey, &d);
    SecureZeroMemory(d.data(), d.size());
    UniqueBcryptAlgorithm provider = openBcryptAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    UniqueBcryptKey key;
    const bool imported = provider && BCryptImportKeyPair(provider.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, key.put(),
                                                          blob.data(), static_cast<ULONG>(blob.size()), 0) == 0;
    SecureZeroMemory(blob.data(), blob.size());
    if (!imported) return "CNG refused the private key in " + privateKeyPath;
    unsigned char digest[32];
    if (!sha256OfMessage(message, digest)) return "cannot hash the message";
    ULONG size = 0;
    if (BCryptSignHash(key.get(), nullptr, digest, sizeof(digest), signature.data(),
                       static_cast<ULONG>(signature.size()), &size, 0) != 0 ||
        size != signature.size())
        return "cannot sign";
    return std::string();
}

std::string verifyMessage(const std::string& publicKeyPath, const std::string& message,
                          const ManifestSignature& signature, bool& valid) {
    std::string pem;
    if (!readWholeFile(publicKeyPath, pem)) return "cannot read " + publicKeyPath;
    ManifestPublicKey key;
    if (!decodePublicKeyPem(pem, key)) return publicKeyPath + " is not a PEM ECDSA P-256 public key";
    valid = verifyManifestSignature({key}, message, signature);
    return std::string();
}
