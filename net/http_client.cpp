#include "net/http_client.h"

// Placeholder until the HTTP client lands: every request fails.
bool httpGet(const std::string&, std::vector<unsigned char>*, HANDLE, ProgressCallback) {
    return false;
}

bool fetchManifestBody(const std::string&, std::vector<unsigned char>&) {
    return false;
}
