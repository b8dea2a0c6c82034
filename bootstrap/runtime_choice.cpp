#include "bootstrap/runtime_choice.h"

#include "net/digest_text.h"

RuntimeChoice chooseRuntime(bool installedFound, const std::string& recordedDigest,
                            const std::string& manifestDigest, const std::string& archiveDigest) {
    if (!installedFound) return RuntimeChoice::Install;
    // An unchecked archive could be anything: replacing a working runtime with it gains nothing.
    if (manifestDigest.empty()) return RuntimeChoice::UseInstalled;
    if (!recordedDigest.empty())
        return sameDigest(recordedDigest, manifestDigest) ? RuntimeChoice::UseInstalled : RuntimeChoice::Update;
    return sameDigest(archiveDigest, manifestDigest) ? RuntimeChoice::AdoptInstalled : RuntimeChoice::Update;
}
