#include "mirror_check.h"

#include "base/text.h"

MirrorReport judgeMirror(const std::string& baseUrl, bool answered, const std::vector<unsigned char>& body) {
    MirrorReport report;
    report.baseUrl = baseUrl;
    report.answered = answered;
    if (!answered) return report;
    const std::vector<ManifestPair> pairs = readManifestPairs(body);
    report.hasPairs = !pairs.empty();
    report.selection = selectManifestEntries(pairs);
    report.complete = !report.selection.launcherJarUrl.empty() && !report.selection.javaZipUrl.empty();
    return report;
}

// Unlike the starter's sameDigest, empty agrees with empty: that is a mirror pair naming no starter.
bool digestsAgree(const std::string& a, const std::string& b) { return equalsIgnoringAsciiCase(a, b); }

const MirrorReport* referenceMirror(const std::vector<MirrorReport>& reports) {
    for (const MirrorReport& report : reports) {
        if (report.complete) return &report;
    }
    return nullptr;
}

std::vector<std::string> disagreeingMirrors(const std::vector<MirrorReport>& reports) {
    std::vector<std::string> disagreeing;
    const MirrorReport* reference = referenceMirror(reports);
    if (reference == nullptr) return disagreeing;
    for (const MirrorReport& report : reports) {
        if (!report.complete) continue;
        const ManifestSelection& a = report.selection;
        const ManifestSelection& b = reference->selection;
        if (a.launcherJarUrl != b.launcherJarUrl || a.javaZipUrl != b.javaZipUrl || a.starterUrl != b.starterUrl ||
            !digestsAgree(a.launcherJarSha256, b.launcherJarSha256) || !digestsAgree(a.javaZipSha256, b.javaZipSha256) ||
            !digestsAgree(a.starterSha256, b.starterSha256)) {
            disagreeing.push_back(report.baseUrl);
        }
    }
    return disagreeing;
}

void recordSignature(MirrorReport& report, bool wellFormed, bool verified, std::uint64_t sequence) {
    report.signatureWellFormed = wellFormed;
    report.signatureValid = wellFormed && verified;
    report.sequence = report.signatureValid ? sequence : 0;
}

std::vector<std::string> differingSequences(const std::vector<MirrorReport>& reports) {
    std::vector<std::string> lines;
    bool differ = false;
    const MirrorReport* first = nullptr;
    for (const MirrorReport& report : reports) {
        if (!report.signatureValid) continue;
        if (first == nullptr) first = &report;
        differ = differ || report.sequence != first->sequence;
        lines.push_back(report.baseUrl + "=" + std::to_string(report.sequence));
    }
    if (!differ) lines.clear();
    return lines;
}

ResumeRequest resumeRequestFor(const ResponseHeaders& plain, std::uint64_t partLength, const std::string& digest) {
    ResumeRecord record;
    record.digest = digest;
    record.length = partLength;
    record.validator = strongValidator(plain);
    return planResumeRequest(record, partLength, digest);
}

std::string resumeWarning(const ResumeProbe& probe) {
    if (!probe.answered) return "did not answer a plain request with status 200";
    if (!probe.plain.hasLength)
        return "no Content-Length on status 200: a cut download looks complete until its digest fails";
    if (probe.request.from == 0)
        return "no strong ETag or Last-Modified (or no digest): a cut download starts again from zero";
    if (judgeResponse(probe.request, probe.ranged) == BodyVerdict::Append) return std::string();
    if (probe.ranged.status == 200) return "ranges are ignored (status 200): a cut download starts again from zero";
    return "the answer to a range request (status " + std::to_string(probe.ranged.status) + ", Content-Range \"" +
           probe.ranged.contentRange + "\", validator " + strongValidator(probe.ranged) +
           ") is not one the starter resumes with: a cut download starts again from zero";
}

std::string urlThrough(const std::string& base, const std::string& url) {
    const std::size_t scheme = url.find("://");
    const std::size_t path = scheme == std::string::npos ? std::string::npos : url.find('/', scheme + 3);
    std::string through = base;
    while (!through.empty() && through.back() == '/') through.pop_back();
    return through + (path == std::string::npos ? std::string("/") : url.substr(path));
}
