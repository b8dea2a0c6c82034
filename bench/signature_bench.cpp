// What a signing build adds to a start: reading the stored sequence, reading
// the claim and verifying it with CNG against two built-in keys (the signing
// key listed last, the slower case).
//   signature_bench <manifest.json> <sequence file> <rounds>
// The first round in the process is the one a start pays (CNG's providers
// load then); the rest show the warm cost.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bootstrap/manifest_keys.h"
#include "bootstrap/rollback_record.h"
#include "bootstrap/signature_verify.h"

namespace {

double nowMs() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: signature_bench <manifest.json> <sequence file> <rounds>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::wstring sequenceFile = argv[2];
    const int rounds = std::max(1, _wtoi(argv[3]));
    const std::vector<ManifestPublicKey> keys(kManifestPublicKeys, kManifestPublicKeys + kManifestPublicKeyCount);

    std::vector<double> times;
    bool allVerified = true;
    for (int round = 0; round < rounds; ++round) {
        const double start = nowMs();
        const std::uint64_t highest = readRollbackRecord(sequenceFile).value;
        const std::vector<ManifestPair> pairs = readManifestPairs(body);
        const SignedManifestClaim claim = readSignedManifestClaim(pairs, selectManifestEntries(pairs));
        const bool verified = claim.wellFormed && verifyManifestSignature(keys, claim.message, claim.signature);
        allVerified = allVerified && isUsableSignedManifest(claim, verified, highest);
        times.push_back(nowMs() - start);
    }
    const double first = times.front();
    std::vector<double> warm(times.begin() + 1, times.end());
    std::sort(warm.begin(), warm.end());
    std::printf("first round %.3f ms", first);
    if (!warm.empty())
        std::printf("; warm rounds: median %.3f ms, max %.3f ms (%zu rounds)", warm[warm.size() / 2], warm.back(),
                    warm.size());
    std::printf("; %s\n", allVerified ? "verified" : "NOT VERIFIED");
    return allVerified ? 0 : 1;
}
