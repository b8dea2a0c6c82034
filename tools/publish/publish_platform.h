#pragma once
// What the publishing tool needs from the machine it runs on. On Windows these
// are the starter's own operations; on Linux, libcurl, OpenSSL and the
// starter's own zip reader.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bootstrap/manifest_signature.h"

using FetchProgress = void (*)(std::int64_t received, std::int64_t total);

struct PublishPlatformOptions {
    std::string caFile;  // extra trusted CA (Linux only; Windows uses its own store)
};
void configurePublishPlatform(const PublishPlatformOptions& options);

// 64 lower-case hex digits, or empty when the file cannot be read.
std::string sha256OfFile(const std::string& path);

// SHA-256 of bytes in memory into `digest` (32 bytes); false when hashing fails.
bool sha256OfBytes(const void* data, std::size_t size, unsigned char* digest);

// The manifest fetch, with the same size limit as the starter's.
bool fetchManifest(const std::string& url, std::vector<unsigned char>& body);

// One GET into a new file; true only for status 200 and the whole body.
bool fetchToFile(const std::string& url, const std::string& path, FetchProgress progress);

struct ResumeProbe;
// A plain GET's headers, then, when a starter holding half the file with
// `digest` would resume, its range request (bodies not read).
void probeResume(const std::string& url, const std::string& digest, ResumeProbe& probe);

// Unpacks the archive into a scratch folder and looks for the Java executable
// the way the starter does. Empty when usable, else why not.
std::string checkRuntimeArchive(const std::string& zipPath);

// A scratch folder for downloads, removed by removeTree.
std::string makeScratchFolder();
void removeTree(const std::string& path);

// ECDSA P-256 with SHA-256, with the platform's crypto (OpenSSL on Linux, CNG
// on Windows). Each returns empty on success, else why not.

// A new key pair as PEM: the private key (PKCS#8) readable by its owner only,
// the public key as SubjectPublicKeyInfo. An existing private key file is kept.
std::string generateSigningKeys(const std::string& privatePath, const std::string& publicPath);

std::string signMessage(const std::string& privateKeyPath, const std::string& message,
                        ManifestSignature& signature);

// `valid` tells whether the public key in the file verifies the signature.
std::string verifyMessage(const std::string& publicKeyPath, const std::string& message,
                          const ManifestSignature& signature, bool& valid);
