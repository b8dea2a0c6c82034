// The publishing tool on Linux: libcurl for HTTP(S), OpenSSL for SHA-256 and
// signatures, and the starter's own zip reader for the runtime check.

#include "publish_platform.h"

#include <curl/curl.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "archive/plain_folder_places.h"
#include "archive/unpack_entries.h"
#include "archive/zip_reader.h"
#include "base/text.h"
#include "bootstrap/java_rule.h"
#include "mirror_check.h"
#include "net/resume_rules.h"
#include "net/user_agent.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kManifestLimit = 1024 * 1024;  // as the starter's manifest fetch
PublishPlatformOptions platformOptions;

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using UniqueCurl = std::unique_ptr<CURL, CurlDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct MemorySink {
    std::vector<unsigned char>* body;
    std::size_t limit;
};

size_t writeToMemory(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<MemorySink*>(user);
    const std::size_t length = size * count;
    if (sink->body->size() + length > sink->limit) return 0;  // aborts the transfer
    sink->body->insert(sink->body->end(), data, data + length);
    return length;
}

size_t writeToFile(char* data, size_t size, size_t count, void* user) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(user)) * size;
}

struct ProgressRelay {
    FetchProgress progress;
};

int relayProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto* relay = static_cast<ProgressRelay*>(user);
    if (relay->progress != nullptr && received > 0) relay->progress(received, total);
    return 0;
}

UniqueCurl newRequest(const std::string& url) {
    UniqueCurl curl(curl_easy_init());
    if (!curl) return curl;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);  // as WinHTTP does for the starter
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    if (!platformOptions.caFile.empty()) curl_easy_setopt(curl.get(), CURLOPT_CAINFO, platformOptions.caFile.c_str());
    return curl;
}

// Status 200 exactly, as the starter accepts nothing else.
bool performOk(CURL* curl) {
    if (curl_easy_perform(curl) != CURLE_OK) return false;
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status == 200;
}

// The walk of the starter's search (bootstrap/java_rule.h) over a Linux folder tree.
std::string findJavaInTree(const fs::path& root, const std::string& fileName) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::none, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_symlink()) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file()) continue;
        const fs::path& path = it->path();
        if (isJavaExecutable(path.parent_path().filename().string(), path.filename().string(), fileName)) {
            return path.string();
        }
    }
    return std::string();
}

}  // namespace

void configurePublishPlatform(const PublishPlatformOptions& options) {
    platformOptions = options;
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

bool sha256OfBytes(const void* data, std::size_t size, unsigned char* digest) {
    unsigned int length = 0;
    return EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr) == 1 && length == 32;
}

std::string sha256OfFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || fs::is_directory(path)) return std::string();
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return std::string();
    std::vector<unsigned char> buffer(1 << 16);
    std::size_t read;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        EVP_DigestUpdate(context.get(), buffer.data(), read);
    }
    if (std::ferror(file.get())) return std::string();
    unsigned char digest[32];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1 || length != 32) return std::string();
    return lowerHex(digest, sizeof digest);
}

bool fetchManifest(const std::string& url, std::vector<unsigned char>& body) {
    UniqueCurl curl = newRequest(url);
    if (!curl) return false;
    MemorySink sink{&body, kManifestLimit};
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, writeToMemory);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &sink);
    return performOk(curl.get());
}

namespace {

// Collects the headers a resume depends on; a redirect's headers are replaced by the next answer's.
std::size_t collectHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* headers = static_cast<ResponseHeaders*>(user);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) *headers = ResponseHeaders();
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
        const std::string name = asciiLowered(line.substr(0, colon));
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        if (name == "etag") headers->etag = value;
        if (name == "last-modified") headers->lastModified = value;
        if (name == "date") headers->date = value;
        if (name == "content-range") headers->contentRange = value;
        if (name == "content-length") headers->hasLength = parseDecimal(value, headers->length);
    }
    return size * count;
}

// Ends the transfer at the first byte of the body: only the headers are wanted.
std::size_t refuseBody(char*, std::size_t, std::size_t, void*) { return 0; }

// One request whose headers are kept and whose body is not read.
void askHeaders(const std::string& url, const ResumeRequest& range, ResponseHeaders& headers) {
    UniqueCurl curl = newRequest(url);
    if (!curl) return;
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, collectHeader);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &headers);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, refuseBody);
    const std::string from = std::to_string(range.from) + "-";  // open-ended, as the starter asks
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> extra(nullptr, curl_slist_free_all);
    if (range.from > 0) {
        curl_easy_setopt(curl.get(), CURLOPT_RANGE, from.c_str());
        extra.reset(curl_slist_append(nullptr, ("If-Range: " + range.ifRange).c_str()));
        curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, extra.get());
    }
    const CURLcode result = curl_easy_perform(curl.get());
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (result == CURLE_OK || result == CURLE_WRITE_ERROR) headers.status = static_cast<unsigned>(status);
}

}  // namespace

void probeResume(const std::string& url, const std::string& digest, ResumeProbe& probe) {
    askHeaders(url, ResumeRequest(), probe.plain);
    probe.answered = probe.plain.status == 200;
    if (!probe.answered) return;
    const std::uint64_t half = probe.plain.hasLength && probe.plain.length > 1 ? probe.plain.length / 2 : 1;
    probe.request = resumeRequestFor(probe.plain, half, digest);
    if (probe.request.from > 0) askHeaders(url, probe.request, probe.ranged);
}

bool fetchToFile(const std::string& url, const std::string& path, FetchProgress progress) {
    UniqueCurl curl = newRequest(url);
    if (!curl) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    ProgressRelay relay{progress};
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, file.get());
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, relayProgress);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &relay);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    const bool ok = performOk(curl.get());
    return std::fclose(file.release()) == 0 && ok;
}

std::string checkRuntimeArchive(const std::string& zipPath) {
    ZipReader reader;
    if (!zipReaderOpen(reader, zipPath.c_str())) return "the runtime archive is not a readable zip archive";
    const std::string scratch = makeScratchFolder();
    if (scratch.empty()) {
        zipReaderClose(reader);
        return "cannot make a scratch folder to unpack the runtime into";
    }
    // Names are taken as Linux reads them: a backslash is part of the name.
    const UnpackResult unpacked = unpackEntries(reader, plainFolderPlaces(scratch, false));
    std::string problem;
    if (unpacked.stop == UnpackStop::unreadableEntry)
        problem = "entry " + std::to_string(unpacked.index) + " of the runtime archive cannot be read";
    if (unpacked.stop == UnpackStop::unsafeName)
        problem = "the runtime archive holds an entry the starter refuses: " + unpacked.name;
    if (unpacked.stop == UnpackStop::notUnpacked)
        problem = "the runtime archive does not unpack at entry " + unpacked.name;
    zipReaderClose(reader);
    if (problem.empty() && findJavaInTree(scratch, "javaw.exe").empty() && findJavaInTree(scratch, "java.exe").empty())
        problem = "the runtime archive holds no javaw.exe or java.exe directly inside a \"bin\" folder";
    removeTree(scratch);
    return problem;
}

std::string makeScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "morvanta-publish-XXXXXX").string();
    // Never hand out the shared temp folder itself: it would be removed.
    if (mkdtemp(pattern.data()) == nullptr) return std::string();
    return pattern;
}

void removeTree(const std::string& path) {
    if (path.empty()) return;
    std::error_code error;
    fs::remove_all(path, error);
}

// --- ECDSA P-256 signing keys with OpenSSL ---

namespace {

struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using UniquePkey = std::unique_ptr<EVP_PKEY, PkeyDeleter>;
struct MdContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using UniqueMdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;
struct SigDeleter {
    void operator()(ECDSA_SIG* sig) const { ECDSA_SIG_free(sig); }
};
using UniqueSig = std::unique_ptr<ECDSA_SIG, SigDeleter>;

bool isP256(EVP_PKEY* key) {
    char group[64] = {};
    std::size_t length = 0;
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof(group), &length) &&
           std::string(group) == "prime256v1";
}

template <typename Read>
UniquePkey readPem(const std::string& path, Read read) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return UniquePkey();
    UniquePkey key(read(file.get(), nullptr, nullptr, nullptr));
    if (key && !isP256(key.get())) key.reset();
    return key;
}

}  // namespace

std::string generateSigningKeys(const std::string& privatePath, const std::string& publicPath) {
    UniquePkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    if (!key) return "OpenSSL cannot generate a P-256 key";
    // Created readable by its owner only, and never over an existing key.
    const int descriptor = open(privatePath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (descriptor < 0) return "cannot create " + privatePath + ": " + std::strerror(errno);
    std::unique_ptr<std::FILE, FileCloser> privateFile(fdopen(descriptor, "wb"));
    if (!privateFile) {
        close(descriptor);
        return "cannot write " + privatePath;
    }
    if (PEM_write_PrivateKey(privateFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        std::fflush(privateFile.get()) != 0 || fsync(fileno(privateFile.get())) != 0)
        return "cannot write " + privatePath;
    std::unique_ptr<std::FILE, FileCloser> publicFile(std::fopen(publicPath.c_str(), "wb"));
    if (!publicFile || PEM_write_PUBKEY(publicFile.get(), key.get()) != 1 || std::fflush(publicFile.get()) != 0)
        return "cannot write " + publicPath;
    return std::string();
}

std::string signMessage(const std::string& privateKeyPath, const std::string& message,
                        ManifestSignature& signature) {
    UniquePkey key = readPem(privateKeyPath, PEM_read_PrivateKey);
    if (!key) return privateKeyPath + " is not a readable PEM ECDSA P-256 private key";
    UniqueMdContext context(EVP_MD_CTX_new());
    std::size_t length = 0;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1)
        return "OpenSSL cannot sign";
    std::vector<unsigned char> der(length);
    if (EVP_DigestSign(context.get(), der.data(), &length, reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1)
        return "OpenSSL cannot sign";
    const unsigned char* at = der.data();
    UniqueSig sig(d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(length)));
    if (!sig || BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), signature.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), signature.data() + 32, 32) != 32)
        return "OpenSSL gave a signature that is not P-256";
    return std::string();
}

std::string verifyMessage(const std::string& publicKeyPath, const std::string& message,
                          const ManifestSignature& signature, bool& valid) {
    UniquePkey key = readPem(publicKeyPath, PEM_read_PUBKEY);
    if (!key) return publicKeyPath + " is not a readable PEM ECDSA P-256 public key";
    UniqueSig sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
    if (!sig || r == nullptr || s == nullptr || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return "out of memory";
    }
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(sig.get(), &der);
    if (length <= 0) return "cannot encode the signature";
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(der, [](unsigned char* p) { OPENSSL_free(p); });
    UniqueMdContext context(EVP_MD_CTX_new());
    valid = context && EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
            EVP_DigestVerify(context.get(), der, static_cast<std::size_t>(length),
                             reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
    return std::string();
}
