#include "p256_pem.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// DER before the key material; after the private scalar come kPublicKeyPrefix, 04, X, Y.
const Bytes kPublicKeyHeader = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01,
                                0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};
const Bytes kPkcs8Header = {0x30, 0x81, 0x87, 0x02, 0x01, 0x00, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                            0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01,
                            0x07, 0x04, 0x6d, 0x30, 0x6b, 0x02, 0x01, 0x01, 0x04, 0x20};
const Bytes kPkcs8PublicPrefix = {0xa1, 0x44, 0x03, 0x42, 0x00};
const Bytes kSec1Header = {0x30, 0x77, 0x02, 0x01, 0x01, 0x04, 0x20};
const Bytes kSec1PublicPrefix = {0xa0, 0x0a, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01,
                                 0x07, 0xa1, 0x44, 0x03, 0x42, 0x00};

bool base64Decode(const std::string& text, Bytes& out) {
    unsigned accumulator = 0;
    int bits = 0;
    bool padding = false;
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
        if (c == '=') {
            padding = true;
            continue;
        }
        const char* at = std::strchr(kAlphabet, c);
        if (at == nullptr || c == '\0' || padding) return false;
        accumulator = (accumulator << 6) | static_cast<unsigned>(at - kAlphabet);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<unsigned char>(accumulator >> bits));
            accumulator &= (1u << bits) - 1;
        }
    }
    return true;
}

std::string base64Encode(const Bytes& data) {
    std::string text;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const unsigned b0 = data[i];
        const unsigned b1 = i + 1 < data.size() ? data[i + 1] : 0;
        const unsigned b2 = i + 2 < data.size() ? data[i + 2] : 0;
        text += kAlphabet[b0 >> 2];
        text += kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        text += i + 1 < data.size() ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        text += i + 2 < data.size() ? kAlphabet[b2 & 63] : '=';
    }
    return text;
}

bool pemBody(const std::string& pem, const std::string& label, Bytes& der) {
    const std::string begin = "-----BEGIN " + label + "-----";
    const std::string end = "-----END " + label + "-----";
    const std::size_t from = pem.find(begin);
    if (from == std::string::npos) return false;
    const std::size_t to = pem.find(end, from);
    if (to == std::string::npos) return false;
    return base64Decode(pem.substr(from + begin.size(), to - from - begin.size()), der);
}

std::string armor(const std::string& label, const Bytes& der) {
    const std::string body = base64Encode(der);
    std::string pem = "-----BEGIN " + label + "-----\n";
    for (std::size_t i = 0; i < body.size(); i += 64) pem += body.substr(i, 64) + "\n";
    return pem + "-----END " + label + "-----\n";
}

// `der` is header, 32 bytes of d, public prefix, 04, X, Y and nothing else.
bool splitPrivate(const Bytes& der, const Bytes& header, const Bytes& publicPrefix, P256PrivateScalar& d,
                  ManifestPublicKey& key) {
    if (der.size() != header.size() + 32 + publicPrefix.size() + 65) return false;
    if (!std::equal(header.begin(), header.end(), der.begin())) return false;
    const auto scalar = der.begin() + static_cast<std::ptrdiff_t>(header.size());
    if (!std::equal(publicPrefix.begin(), publicPrefix.end(), scalar + 32)) return false;
    const auto point = scalar + 32 + static_cast<std::ptrdiff_t>(publicPrefix.size());
    if (*point != 0x04) return false;
    std::copy(scalar, scalar + 32, d.begin());
    std::copy(point + 1, point + 33, key.x.begin());
    std::copy(point + 33, point + 65, key.y.begin());
    return true;
}

void appendPoint(Bytes& der, const ManifestPublicKey& key) {
    der.push_back(0x04);
    der.insert(der.end(), key.x.begin(), key.x.end());
    der.insert(der.end(), key.y.begin(), key.y.end());
}

}  // namespace

bool decodePublicKeyPem(const std::string& pem, ManifestPublicKey& key) {
    Bytes der;
    if (!pemBody(pem, "PUBLIC KEY", der) || der.size() != kPublicKeyHeader.size() + 65) return false;
    if (!std::equal(kPublicKeyHeader.begin(), kPublicKeyHeader.end(), der.begin())) return false;
    const auto point = der.begin() + static_cast<std::ptrdiff_t>(kPublicKeyHeader.size());
    if (*point != 0x04) return false;
    std::copy(point + 1, point + 33, key.x.begin());
    std::copy(point + 33, point + 65, key.y.begin());
    return true;
}

std::string encodePublicKeyPem(const ManifestPublicKey& key) {
    Bytes der = kPublicKeyHeader;
    appendPoint(der, key);
    return armor("PUBLIC KEY", der);
}

bool decodePrivateKeyPem(const std::string& pem, P256PrivateScalar& d, ManifestPublicKey& key) {
    Bytes der;
    if (pemBody(pem, "EC PRIVATE KEY", der)) return splitPrivate(der, kSec1Header, kSec1PublicPrefix, d, key);
    der.clear();
    return pemBody(pem, "PRIVATE KEY", der) && splitPrivate(der, kPkcs8Header, kPkcs8PublicPrefix, d, key);
}

std::string encodePrivateKeyPem(const P256PrivateScalar& d, const ManifestPublicKey& key) {
    Bytes der = kPkcs8Header;
    der.insert(der.end(), d.begin(), d.end());
    der.insert(der.end(), kPkcs8PublicPrefix.begin(), kPkcs8PublicPrefix.end());
    appendPoint(der, key);
    return armor("PRIVATE KEY", der);
}
