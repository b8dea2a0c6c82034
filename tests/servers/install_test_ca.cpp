// Adds a test certificate authority to the Root certificate store of the Wine
// prefix (or Windows machine) it runs in, or removes it again:
//
//   install_test_ca add    <ca.pem|ca.der> [--current-user]
//   install_test_ca remove <ca.pem|ca.der> [--current-user]
//   install_test_ca check  <ca.pem|ca.der> [--current-user]   (exit 0 when present)
//
// Meant only for test prefixes: it trusts whatever certificate it is given.

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct CertStoreCloser {
    HCERTSTORE store;
    ~CertStoreCloser() {
        if (store) CertCloseStore(store, 0);
    }
};

struct CertContextCloser {
    PCCERT_CONTEXT context;
    ~CertContextCloser() {
        if (context) CertFreeCertificateContext(context);
    }
};

bool readWholeFile(const char* path, std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    unsigned char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + count);
    std::fclose(file);
    return !bytes.empty();
}

// PEM files are decoded to DER; anything else is taken as DER already.
bool toDer(const std::vector<unsigned char>& file, std::vector<unsigned char>& der) {
    static const char kPemMarker[] = "-----BEGIN";
    if (file.size() < sizeof kPemMarker - 1 ||
        std::memcmp(file.data(), kPemMarker, sizeof kPemMarker - 1) != 0) {
        der = file;
        return true;
    }
    DWORD size = 0;
    const char* text = reinterpret_cast<const char*>(file.data());
    const DWORD length = static_cast<DWORD>(file.size());
    if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return false;
    der.resize(size);
    return CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                                nullptr) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: install_test_ca add|remove|check <certificate> [--current-user]\n");
        return 2;
    }
    const std::string action = argv[1];
    const bool currentUser = argc > 3 && std::strcmp(argv[3], "--current-user") == 0;

    std::vector<unsigned char> file, der;
    if (!readWholeFile(argv[2], file) || !toDer(file, der)) {
        std::fprintf(stderr, "install_test_ca: cannot read a certificate from %s\n", argv[2]);
        return 1;
    }
    CertContextCloser certificate{CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()))};
    if (!certificate.context) {
        std::fprintf(stderr, "install_test_ca: %s is not an X.509 certificate\n", argv[2]);
        return 1;
    }

    // The registry store itself: through the Root collection, Wine forgets deletions.
    const DWORD location = currentUser ? CERT_SYSTEM_STORE_CURRENT_USER : CERT_SYSTEM_STORE_LOCAL_MACHINE;
    CertStoreCloser root{CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, location, L"Root")};
    if (!root.store) {
        std::fprintf(stderr, "install_test_ca: cannot open the Root store (error %lu)\n", GetLastError());
        return 1;
    }

    CertContextCloser present{CertFindCertificateInStore(root.store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                         0, CERT_FIND_EXISTING, certificate.context, nullptr)};
    if (action == "check") return present.context ? 0 : 1;
    if (action == "add") {
        if (!CertAddEncodedCertificateToStore(root.store, X509_ASN_ENCODING, der.data(),
                                              static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                              nullptr)) {
            std::fprintf(stderr, "install_test_ca: adding failed (error %lu)\n", GetLastError());
            return 1;
        }
        std::printf("install_test_ca: added %s\n", argv[2]);
        return 0;
    }
    if (action == "remove") {
        // The Root collection may hold more than one copy (machine and user stores).
        for (int copies = 0; present.context && copies < 16; ++copies) {
            // CertDeleteCertificateFromStore frees the context it is given, even on failure.
            const BOOL deleted = CertDeleteCertificateFromStore(present.context);
            present.context = nullptr;
            if (!deleted) {
                std::fprintf(stderr, "install_test_ca: removing failed (error %lu)\n", GetLastError());
                return 1;
            }
            present.context = CertFindCertificateInStore(root.store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                                         CERT_FIND_EXISTING, certificate.context, nullptr);
        }
        if (present.context) {
            std::fprintf(stderr, "install_test_ca: %s is still trusted\n", argv[2]);
            return 1;
        }
        std::printf("install_test_ca: removed %s\n", argv[2]);
        return 0;
    }
    std::fprintf(stderr, "install_test_ca: unknown action %s\n", action.c_str());
    return 2;
}
