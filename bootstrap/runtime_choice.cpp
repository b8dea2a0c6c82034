#include "bootstrap/runtime_choice.h"

#include "net/digest_text.h"

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

std::string sourceToRecordBeforeUpdate(const RuntimeSource& recorded, const std::string& archiveDigest) {
    if (recorded.record != SourceRecord::None) return std::string();
    return archiveDigest.empty() ? std::string(kUnknownRuntimeSource) : archiveDigest;
}
