#include "bootstrap/runtime_choice.h"

namespace {

bool sameDigestText(const std::string& a, const std::string& b) {
    if (a.empty() || a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

RuntimeChoice chooseRuntime(bool installedFound, const std::string& recordedDigest,
                            const std::string& manifestDigest, const std::string& archiveDigest) {
    if (!installedFound) return RuntimeChoice::Install;
    // An unchecked archive could be anything: replacing a working runtime with it gains nothing.
    if (manifestDigest.empty()) return RuntimeChoice::UseInstalled;
    if (!recordedDigest.empty())
        return sameDigestText(recordedDigest, manifestDigest) ? RuntimeChoice::UseInstalled : RuntimeChoice::Update;
    return sameDigestText(archiveDigest, manifestDigest) ? RuntimeChoice::AdoptInstalled : RuntimeChoice::Update;
}
