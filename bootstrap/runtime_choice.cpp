#include "bootstrap/runtime_choice.h"

#include "net/digest_text.h"
#include "bootstrap/manifest_signature.h"

RuntimeChoice chooseRuntime(bool installedFound, const RuntimeSource& recorded, const std::string& manifestDigest,
                            const std::string& archiveDigest) {
    if (!installedFound) return RuntimeChoice::Install;
    // An unchecked archive could be anything: replacing a working runtime with it gains nothing.
    if (manifestDigest.empty()) return RuntimeChoice::UseInstalled;
    switch (recorded.record) {
        case SourceRecord::Present:
            return sameDigest(recorded.digest, manifestDigest) ? RuntimeChoice::UseInstalled : RuntimeChoice::Update;
        case SourceRecord::Unreadable:
            return RuntimeChoice::UseInstalled;
        case SourceRecord::None:
            break;
    }
    return sameDigest(archiveDigest, manifestDigest) ? RuntimeChoice::AdoptInstalled : RuntimeChoice::Update;
}

RuntimeFetch chooseRuntimeFetch(RuntimeChoice choice, const std::string& recordedDigest,
                                const std::string& manifestDigest, const std::vector<RuntimeDeltaOffer>& offers) {
    if (choice == RuntimeChoice::UseInstalled || choice == RuntimeChoice::AdoptInstalled) return RuntimeFetch{};
    RuntimeFetch fetch{RuntimeFetch::Full, nullptr};
    // Without a checked delta and target, the files it builds would be vouched for by nothing.
    if (choice != RuntimeChoice::Update || !isSha256Hex(recordedDigest) || !isSha256Hex(manifestDigest)) return fetch;
    for (const RuntimeDeltaOffer& offer : offers) {
        if (isSha256Hex(offer.sha256) && sameDigest(offer.fromSha256, recordedDigest)) fetch = {RuntimeFetch::Delta, &offer};
    }
    return fetch;
}

std::string sourceToRecordBeforeUpdate(const RuntimeSource& recorded, const std::string& archiveDigest) {
    if (recorded.record != SourceRecord::None) return std::string();
    return archiveDigest.empty() ? std::string(kUnknownRuntimeSource) : archiveDigest;
}
