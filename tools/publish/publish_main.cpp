// morvanta-publish: writes launcher.json for an update, and checks that the
// three update mirrors serve one consistent, intact update.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "manifest_build.h"
#include "mirror_check.h"
#include "publish_platform.h"
#include "runtime_delta_make.h"

extern const char* const kPublishDefaultServers[3];

namespace {

void printUsage() {
    std::fprintf(stderr,
        "usage:\n"
        "  morvanta-publish keygen --private FILE --public FILE\n"
        "      makes a manifest signing key pair (PEM); keep the private key offline\n"
        "  morvanta-publish build --jar FILE --jar-url URL --runtime FILE --runtime-url URL [--out FILE]\n"
        "                        [--sign-key FILE (--sequence N | --previous FILE)]\n"
        "                        [--starter FILE --starter-url URL] [--runtime-delta FILE URL]...\n"
        "      writes launcher.json (default: ./launcher.json) with the SHA-256 of each file;\n"
        "      with --sign-key, signed, with sequence N or one more than the previous manifest's;\n"
        "      with --starter (signed only), a new starter program that players' starters switch to;\n"
        "      with --runtime-delta, a delta (from `delta`) that builds --runtime from an older archive\n"
        "  morvanta-publish delta --from OLD.zip --to NEW.zip --out DIR [--level N]\n"
        "      writes DIR/java-x64.from-<OLD's sha256>.delta: NEW's files made from OLD's (zstd, default level 19)\n"
        "  morvanta-publish check [--cacert FILE] [--public-key FILE[;FILE...]] [--runtime-base OLD.zip]...\n"
        "                        [BASE_URL BASE_URL BASE_URL]\n"
        "      checks the three mirrors (default: the starter's built-in list); with\n"
        "      --public-key, also each mirror's signatures and sequence; each delta offered is\n"
        "      applied to its --runtime-base and compared with the runtime archive\n"
        "  morvanta-publish check --manifest FILE [--cacert FILE] [--public-key FILE[;FILE...]] [BASE_URL...]\n"
        "      before publishing FILE: fetches every file it names (as named, or through each\n"
        "      BASE_URL: a mirror or CDN) against its digest, and probes resume as a starter would\n");
}

struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> runtimeDeltas;  // --runtime-delta FILE URL
    std::vector<std::string> runtimeBases;                            // --runtime-base FILE
};

bool parseArguments(int argc, char** argv, int first, Arguments& args) {
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runtime-delta") {
            if (i + 2 >= argc) {
                std::fprintf(stderr, "morvanta-publish: --runtime-delta needs a file and a URL\n");
                return false;
            }
            args.runtimeDeltas.emplace_back(argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (arg == "--runtime-base" && i + 1 < argc) {
            args.runtimeBases.push_back(argv[++i]);
        } else if (arg.rfind("--", 0) == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "morvanta-publish: %s needs a value\n", arg.c_str());
                return false;
            }
            args.options[arg] = argv[++i];
        } else {
            args.positional.push_back(arg);
        }
    }
    return true;
}

int refuse(const std::string& why) {
    std::fprintf(stderr, "morvanta-publish: refused: %s\n", why.c_str());
    return 1;
}

const std::string* option(const Arguments& args, const char* name) {
    const auto found = args.options.find(name);
    return found == args.options.end() ? nullptr : &found->second;
}

bool readTextFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.assign((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return true;
}

int runKeygen(const Arguments& args) {
    const std::string* privatePath = option(args, "--private");
    const std::string* publicPath = option(args, "--public");
    if (privatePath == nullptr || publicPath == nullptr) {
        printUsage();
        return 2;
    }
    const std::string problem = generateSigningKeys(*privatePath, *publicPath);
    if (!problem.empty()) return refuse(problem);
    std::printf("wrote %s (private: keep it offline, never on a mirror)\n  and %s (build the starter with "
                "-DMANIFEST_PUBLIC_KEY=%s)\n",
                privatePath->c_str(), publicPath->c_str(), publicPath->c_str());
    return 0;
}

// The signature members for the entries, or an error in `problem`.
ManifestSignatureMembers signEntries(const Arguments& args, const ManifestEntry& jar, const ManifestEntry& zip,
                                     const ManifestEntry* starter, const std::vector<ManifestEntry>& deltas,
                                     std::string& problem) {
    ManifestSignatureMembers members;
    std::string previous;
    const std::string* previousPath = option(args, "--previous");
    if (previousPath != nullptr && !readTextFile(*previousPath, previous)) {
        problem = "cannot read the previous manifest " + *previousPath;
        return members;
    }
    const std::uint64_t sequence =
        nextManifestSequence(option(args, "--sequence"), previousPath ? &previous : nullptr, problem);
    if (!problem.empty()) return members;
    members.sequence = std::to_string(sequence);
    ManifestSelection selection;
    selection.launcherJarUrl = jar.url;
    selection.launcherJarSha256 = jar.sha256;
    selection.javaZipUrl = zip.url;
    selection.javaZipSha256 = zip.sha256;
    if (starter != nullptr) {
        selection.starterUrl = starter->url;
        selection.starterSha256 = starter->sha256;
    }
    // Every form up to the one the entries need: older starters check the older forms.
    for (const SignatureForm form : signatureFormsFor(selection)) {
        ManifestSignature signature{};
        problem = signMessage(args.options.at("--sign-key"), manifestSignedMessage(form, members.sequence, selection),
                              signature);
        if (!problem.empty()) return members;
        members.signatures.push_back({kSignatureForms[static_cast<int>(form)].member, toHex(signature)});
    }
    // The general form covers the members exactly as they will be written.
    const std::string unsignedJson = writeManifestJson(jar, zip, &members, starter, deltas);
    const std::vector<ManifestPair> pairs =
        readManifestPairs(std::vector<unsigned char>(unsignedJson.begin(), unsignedJson.end()));
    const std::string general = manifestGeneralSignedMessage(pairs);
    if (general.empty()) {
        problem = "the manifest has no unambiguous general form (a repeated name or a line end)";
        return members;
    }
    ManifestSignature signature{};
    problem = signMessage(args.options.at("--sign-key"), general, signature);
    members.signatures.push_back({kGeneralSignatureMember, toHex(signature)});
    return members;
}

int runBuild(const Arguments& args) {
    for (const char* required : {"--jar", "--jar-url", "--runtime", "--runtime-url"}) {
        if (args.options.count(required) == 0) {
            printUsage();
            return 2;
        }
    }
    const std::string out = args.options.count("--out") ? args.options.at("--out") : "launcher.json";
    const std::string jarUrl = args.options.at("--jar-url");
    const std::string zipUrl = args.options.at("--runtime-url");

    const std::string* starterPath = option(args, "--starter");
    const std::string* starterUrlOption = option(args, "--starter-url");
    if ((starterPath == nullptr) != (starterUrlOption == nullptr))
        return refuse("--starter and --starter-url go together");
    const std::string starterUrl = starterUrlOption ? *starterUrlOption : std::string();
    // Players' starters follow a starter entry only under a signature that covers it.
    if (starterPath != nullptr && option(args, "--sign-key") == nullptr)
        return refuse("--starter needs --sign-key: only a signed manifest can name a starter");

    const std::string urlProblem = checkManifestUrls(jarUrl, zipUrl, starterUrl);
    if (!urlProblem.empty()) return refuse(urlProblem);

    for (const std::string* url : {&jarUrl, &zipUrl, &starterUrl}) {
        if (url->empty()) continue;
        if (url->rfind("https://", 0) != 0)
            std::fprintf(stderr, "morvanta-publish: warning: %s is not https; only its digest protects it\n", url->c_str());
    }
    const ManifestEntry jar{jarUrl, sha256OfFile(args.options.at("--jar"))};
    if (jar.sha256.empty()) return refuse("cannot read the launcher jar " + args.options.at("--jar"));
    const ManifestEntry zip{zipUrl, sha256OfFile(args.options.at("--runtime"))};
    if (zip.sha256.empty()) return refuse("cannot read the runtime archive " + args.options.at("--runtime"));

    const std::string runtimeProblem = checkRuntimeArchive(args.options.at("--runtime"));
    if (!runtimeProblem.empty()) return refuse(runtimeProblem);

    ManifestEntry starter;
    if (starterPath != nullptr) {
        std::string head;
        if (!readTextFile(*starterPath, head)) return refuse("cannot read the starter " + *starterPath);
        const std::string programProblem = checkStarterProgram(head.substr(0, 4096));
        if (!programProblem.empty()) return refuse(programProblem);
        starter = ManifestEntry{starterUrl, sha256OfFile(*starterPath)};
        if (starter.sha256.empty()) return refuse("cannot read the starter " + *starterPath);
    }
    const ManifestEntry* starterEntry = starterPath != nullptr ? &starter : nullptr;

    std::vector<ManifestEntry> deltas;
    for (const auto& [deltaPath, deltaUrl] : args.runtimeDeltas) {
        std::string bytes;
        DeltaHeader header;
        if (!readTextFile(deltaPath, bytes)) return refuse("cannot read the runtime delta " + deltaPath);
        if (!readDeltaHeader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), header))
            return refuse(deltaPath + " is no runtime delta");
        if (lowerHex(header.toArchive.data(), 32) != zip.sha256)
            return refuse(deltaPath + " does not build the runtime archive " + args.options.at("--runtime"));
        const std::string deltaProblem = checkRuntimeDeltaUrl(deltaUrl, lowerHex(header.fromArchive.data(), 32));
        if (!deltaProblem.empty()) return refuse(deltaProblem);
        deltas.push_back(ManifestEntry{deltaUrl, sha256OfFile(deltaPath)});
        if (deltas.back().sha256.empty()) return refuse("cannot read the runtime delta " + deltaPath);
    }

    const bool signing = option(args, "--sign-key") != nullptr;
    if (!signing && (option(args, "--sequence") || option(args, "--previous")))
        return refuse("--sequence and --previous need --sign-key");
    ManifestSignatureMembers members;
    if (signing) {
        std::string problem;
        members = signEntries(args, jar, zip, starterEntry, deltas, problem);
        if (!problem.empty()) return refuse(problem);
    }

    const std::string json = writeManifestJson(jar, zip, signing ? &members : nullptr, starterEntry, deltas);
    {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        file << json;
        if (!file.flush()) return refuse("cannot write " + out);
    }
    // Read back what is on disk, exactly as a mirror will serve it.
    std::ifstream written(out, std::ios::binary);
    const std::string onDisk((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    const std::string roundTrip = verifyManifestRoundTrip(onDisk, jar, zip, starterEntry, deltas);
    if (!roundTrip.empty()) return refuse(roundTrip);
    if (signing) {
        const std::vector<unsigned char> body(onDisk.begin(), onDisk.end());
        const std::vector<ManifestPair> pairs = readManifestPairs(body);
        const ManifestSelection selection = selectManifestEntries(pairs);
        for (const SignatureForm form : signatureFormsFor(selection)) {
            const SignedManifestClaim claim = readSignatureClaim(form, pairs, selection);
            if (!claim.wellFormed || std::to_string(claim.sequence) != members.sequence)
                return refuse("the starter would not read the signature members back");
        }
        std::printf("signed with %s, sequence %s\n", args.options.at("--sign-key").c_str(),
                    members.sequence.c_str());
    }

    std::printf("wrote %s\n  %s  %s\n  %s  %s\n", out.c_str(), jar.sha256.c_str(), jar.url.c_str(),
                zip.sha256.c_str(), zip.url.c_str());
    if (starterEntry != nullptr) std::printf("  %s  %s\n", starter.sha256.c_str(), starter.url.c_str());
    for (const ManifestEntry& delta : deltas) std::printf("  %s  %s\n", delta.sha256.c_str(), delta.url.c_str());
    return 0;
}

int runDelta(const Arguments& args) {
    const std::string* fromPath = option(args, "--from");
    const std::string* toPath = option(args, "--to");
    const std::string* outFolder = option(args, "--out");
    if (fromPath == nullptr || toPath == nullptr || outFolder == nullptr) {
        printUsage();
        return 2;
    }
    std::uint64_t level = 19;
    if (const std::string* text = option(args, "--level"); text != nullptr && (!parseDecimal(*text, level) || level < 1 || level > 22))
        return refuse("--level must be 1 to 22");
    DeltaDigest fromArchive{};
    DeltaDigest toArchive{};
    if (!decodeHex(sha256OfFile(*fromPath), fromArchive.data(), 32)) return refuse("cannot read " + *fromPath);
    if (!decodeHex(sha256OfFile(*toPath), toArchive.data(), 32)) return refuse("cannot read " + *toPath);
    const std::string scratch = makeScratchFolder();
    if (scratch.empty()) return refuse("cannot make a scratch folder");
    RuntimeTree from;
    RuntimeTree to;
    std::string problem = readRuntimeTree(*fromPath, scratch + "/entry", from);
    if (problem.empty()) problem = readRuntimeTree(*toPath, scratch + "/entry", to);
    removeTree(scratch);
    if (problem.empty()) problem = checkRuntimeArchive(*toPath);
    if (!problem.empty()) return refuse(problem);
    std::string delta;
    problem = makeRuntimeDelta(from, to, fromArchive, toArchive, static_cast<int>(level), delta);
    if (!problem.empty()) return refuse(problem);
    // What players' starters will build, checked before anyone is offered it.
    DeltaHeader header;
    RuntimeTree built;
    problem = applyRuntimeDelta(delta, from, header, built);
    if (problem.empty()) problem = compareRuntimeTrees(to, built);
    if (!problem.empty()) return refuse("the delta does not rebuild " + *toPath + ": " + problem);
    const std::string out = *outFolder + "/" + runtimeDeltaFileName(fromArchive);
    {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        file << delta;
        if (!file.flush()) return refuse("cannot write " + out);
    }
    std::uint64_t newBytes = 0;
    {
        std::ifstream archive(*toPath, std::ios::binary | std::ios::ate);
        newBytes = static_cast<std::uint64_t>(archive.tellg());
    }
    std::printf("wrote %s\n  %zu bytes, %.1f %% of %s (%llu bytes)\n", out.c_str(), delta.size(),
                newBytes ? 100.0 * static_cast<double>(delta.size()) / static_cast<double>(newBytes) : 0.0,
                toPath->c_str(), static_cast<unsigned long long>(newBytes));
    return 0;
}

void showProgress(std::int64_t received, std::int64_t total) {
    static std::int64_t lastShown = -1;
    const std::int64_t step = 4 * 1048576;  // a line every 4 MiB keeps logs short
    if (received / step == lastShown / step && received != total) return;
    lastShown = received;
    if (total > 0) {
        std::fprintf(stderr, "\r    %.1f / %.1f MB (%d%%)", received / 1048576.0, total / 1048576.0,
                     static_cast<int>(received * 100 / total));
    } else {
        std::fprintf(stderr, "\r    %.1f MB", received / 1048576.0);
    }
    if (received == total) std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

const char* yesNo(bool value) { return value ? "yes" : "no"; }

// Each delta offered is applied to its base, when given, and must rebuild the
// runtime archive the same manifest names; without its base only its list is read.
bool checkRuntimeDeltas(const Arguments& args, const std::vector<MirrorReport>& reports,
                        const std::map<std::string, std::string>& fetchedFiles, const std::string& scratch) {
    std::map<std::string, std::string> bases;  // digest -> archive
    for (const std::string& base : args.runtimeBases) bases[sha256OfFile(base)] = base;
    std::set<std::string> checked;
    bool good = true;
    for (const MirrorReport& report : reports) {
        for (const RuntimeDeltaOffer& offer : report.complete ? report.selection.runtimeDeltas : std::vector<RuntimeDeltaOffer>()) {
            if (!checked.insert(offer.url + " " + report.selection.javaZipUrl).second) continue;
            const auto deltaFile = fetchedFiles.find(offer.url);
            const auto zipFile = fetchedFiles.find(report.selection.javaZipUrl);
            if (deltaFile == fetchedFiles.end() || zipFile == fetchedFiles.end()) continue;  // reported above
            std::string delta;
            std::string verdict;
            DeltaHeader header;
            if (!readTextFile(deltaFile->second, delta) ||
                !readDeltaHeader(reinterpret_cast<const unsigned char*>(delta.data()), delta.size(), header))
                verdict = "FAILED: no runtime delta";
            else if (lowerHex(header.toArchive.data(), 32) != asciiLowered(report.selection.javaZipSha256) ||
                     lowerHex(header.fromArchive.data(), 32) != offer.fromSha256)
                verdict = "FAILED: it names other archives than its URL and the manifest";
            const auto base = bases.find(offer.fromSha256);
            if (verdict.empty() && base == bases.end()) {
                verdict = "not applied (give its base with --runtime-base)";
            } else if (verdict.empty()) {
                RuntimeTree from;
                RuntimeTree to;
                RuntimeTree built;
                std::string problem = readRuntimeTree(base->second, scratch + "/entry", from);
                if (problem.empty()) problem = readRuntimeTree(zipFile->second, scratch + "/entry", to);
                if (problem.empty()) problem = applyRuntimeDelta(delta, from, header, built);
                if (problem.empty()) problem = compareRuntimeTrees(to, built);
                verdict = problem.empty() ? "ok: rebuilds the runtime archive's files" : "FAILED: " + problem;
            }
            if (verdict.rfind("FAILED", 0) == 0) good = false;
            std::printf("delta %s: %s\n", offer.url.c_str(), verdict.c_str());
        }
    }
    return good;
}

std::vector<std::string> publicKeysOf(const Arguments& args) {
    std::vector<std::string> publicKeys;
    if (const std::string* keys = option(args, "--public-key")) {
        for (std::size_t from = 0; from <= keys->size();) {
            const std::size_t to = std::min(keys->find(';', from), keys->size());
            if (to > from) publicKeys.push_back(keys->substr(from, to - from));
            from = to + 1;
        }
    }
    return publicKeys;
}

struct SignatureCheck {
    bool wellFormed = true;
    bool verified = true;
    std::uint64_t sequence = 0;
    std::string failedMember;  // the first signature member that failed
    std::string problem;       // a key that cannot be used
};

// Every form the manifest needs must verify: starters of each age check their own.
// Deltas are taken only under the general form, so a manifest offering them needs it too.
SignatureCheck checkSignatures(const std::vector<unsigned char>& body, const ManifestSelection& selection,
                               const std::vector<std::string>& publicKeys) {
    SignatureCheck check;
    const std::vector<ManifestPair> pairs = readManifestPairs(body);
    const auto judge = [&](const SignedManifestClaim& claim, const char* member) {
        bool formVerified = false;
        for (const std::string& key : publicKeys) {
            bool valid = false;
            check.problem =
                claim.wellFormed ? verifyMessage(key, claim.message, claim.signature, valid) : std::string();
            if (!check.problem.empty()) return false;
            formVerified = formVerified || valid;
        }
        if ((!claim.wellFormed || !formVerified) && check.failedMember.empty()) check.failedMember = member;
        check.wellFormed = check.wellFormed && claim.wellFormed;
        check.verified = check.verified && formVerified;
        return true;
    };
    for (const SignatureForm form : signatureFormsFor(selection)) {
        const SignedManifestClaim claim = readSignatureClaim(form, pairs, selection);
        if (!judge(claim, kSignatureForms[static_cast<int>(form)].member)) return check;
        check.sequence = claim.sequence;
    }
    if (!selection.runtimeDeltas.empty()) judge(readGeneralSignatureClaim(pairs), kGeneralSignatureMember);
    return check;
}

std::string resumeLine(const std::string& url, const ResumeProbe& probe) {
    const std::string warning = resumeWarning(probe);
    return warning.empty() ? "resume: " + url + " resumes as the starter resumes"
                           : "resume WARNING: " + url + ": " + warning;
}

// Before a manifest is published: every file it names, fetched as named or
// through each given base (mirror or CDN), against its digest, with its size,
// and probed for resume by the starter's own rule.
int runPreflight(const Arguments& args, const std::string& manifestPath) {
    std::string text;
    if (!readTextFile(manifestPath, text)) return refuse("cannot read the manifest " + manifestPath);
    const std::vector<unsigned char> body(text.begin(), text.end());
    const ManifestSelection selection = selectManifestEntries(readManifestPairs(body));
    if (selection.launcherJarUrl.empty() || selection.javaZipUrl.empty())
        return refuse("the manifest does not name both the launcher jar and the runtime");
    PublishPlatformOptions options;
    if (const std::string* caFile = option(args, "--cacert")) options.caFile = *caFile;
    configurePublishPlatform(options);

    bool good = true;
    const std::vector<std::string> publicKeys = publicKeysOf(args);
    if (!publicKeys.empty()) {
        const SignatureCheck signature = checkSignatures(body, selection, publicKeys);
        if (!signature.problem.empty()) {
            std::fprintf(stderr, "morvanta-publish: %s\n", signature.problem.c_str());
            return 2;
        }
        good = signature.wellFormed && signature.verified;
        if (good)
            std::printf("signed: every form verifies, sequence %llu\n",
                        static_cast<unsigned long long>(signature.sequence));
        else
            std::printf("signature FAILED: %s: %s\n", signature.failedMember.c_str(),
                        signature.wellFormed ? "no listed key signed it" : "unsigned or malformed");
    }

    std::vector<std::pair<std::string, std::string>> files = {{selection.launcherJarUrl, selection.launcherJarSha256},
                                                               {selection.javaZipUrl, selection.javaZipSha256}};
    if (!selection.starterUrl.empty()) files.push_back({selection.starterUrl, selection.starterSha256});
    std::vector<std::string> bases = args.positional;
    if (bases.empty()) bases.push_back(std::string());  // as named

    const std::string scratch = makeScratchFolder();
    if (scratch.empty()) return refuse("cannot make a scratch folder for downloads");
    std::vector<std::string> resumeLines;
    std::printf("%-8s %12s %-64s %s\n", "FILE", "BYTES", "SHA-256", "URL");
    for (const std::string& base : bases) {
        for (const auto& [named, digest] : files) {
            const std::string url = base.empty() ? named : urlThrough(base, named);
            const std::string path = scratch + "/file";
            std::fprintf(stderr, "  fetching %s\n", url.c_str());
            const bool fetched = fetchToFile(url, path, showProgress);
            const std::string actual = fetched ? sha256OfFile(path) : std::string();
            std::ifstream file(path, std::ios::binary | std::ios::ate);
            const long long size = fetched && file ? static_cast<long long>(file.tellg()) : -1;
            file.close();
            removeTree(path);
            const char* verdict = !fetched ? "FAILED" : digestsAgree(digest, actual) ? "ok" : "MISMATCH";
            good = good && fetched && digestsAgree(digest, actual);
            std::printf("%-8s %12s %-64s %s\n", verdict, size < 0 ? "-" : std::to_string(size).c_str(),
                        actual.empty() ? "-" : actual.c_str(), url.c_str());
            ResumeProbe probe;
            probeResume(url, digest, probe);
            resumeLines.push_back(resumeLine(url, probe));
        }
    }
    removeTree(scratch);
    for (const std::string& line : resumeLines) std::printf("%s\n", line.c_str());
    std::printf("\n%s\n", good ? "ready: every file is served intact" : "NOT ready: see above");
    return good ? 0 : 1;
}

int runCheck(const Arguments& args) {
    if (const std::string* manifest = option(args, "--manifest")) return runPreflight(args, *manifest);
    std::vector<std::string> servers = args.positional;
    if (servers.empty()) servers.assign(kPublishDefaultServers, kPublishDefaultServers + 3);
    if (servers.size() != 3) {
        std::fprintf(stderr, "morvanta-publish: check takes exactly three base URLs\n");
        return 2;
    }
    PublishPlatformOptions options;
    if (args.options.count("--cacert")) options.caFile = args.options.at("--cacert");
    configurePublishPlatform(options);

    const std::vector<std::string> publicKeys = publicKeysOf(args);
    const bool signedCheck = !publicKeys.empty();

    std::vector<MirrorReport> reports;
    std::map<std::string, std::string> failedMember;  // mirror -> the first signature member that failed
    for (const std::string& server : servers) {
        std::vector<unsigned char> body;
        const bool answered = fetchManifest(server + "/starter/launcher.json", body);
        reports.push_back(judgeMirror(server, answered, body));
        if (!signedCheck || !answered) continue;
        const SignatureCheck signature = checkSignatures(body, reports.back().selection, publicKeys);
        if (!signature.problem.empty()) {
            std::fprintf(stderr, "morvanta-publish: %s\n", signature.problem.c_str());
            return 2;
        }
        if (!signature.failedMember.empty()) failedMember[server] = signature.failedMember;
        recordSignature(reports.back(), signature.wellFormed, signature.verified, signature.sequence);
    }
    const std::vector<std::string> disagreeing = disagreeingMirrors(reports);
    const std::vector<std::string> rollout = signedCheck ? differingSequences(reports) : std::vector<std::string>();
    bool consistent = disagreeing.empty();

    std::printf("%-40s %-8s %-9s %-7s", "MIRROR", "ANSWERS", "COMPLETE", "AGREES");
    if (signedCheck) std::printf(" %-7s %s", "SIGNED", "SEQUENCE");
    std::printf("\n");
    for (const MirrorReport& report : reports) {
        bool agrees = report.complete;
        for (const std::string& other : disagreeing) agrees = agrees && other != report.baseUrl;
        std::printf("%-40s %-8s %-9s %-7s", report.baseUrl.c_str(), yesNo(report.answered),
                    yesNo(report.complete), yesNo(agrees));
        if (signedCheck) {
            std::printf(" %-7s %s", report.signatureValid ? "yes" : "FAILED",
                        report.signatureValid ? std::to_string(report.sequence).c_str() : "-");
            consistent = consistent && report.signatureValid;
        }
        std::printf("\n");
        consistent = consistent && report.answered && report.complete;
    }
    if (signedCheck) {
        for (const MirrorReport& report : reports) {
            if (report.answered && !report.signatureValid)
                std::printf("signature FAILED: %s (%s: %s); starters skip this mirror\n", report.baseUrl.c_str(),
                            failedMember[report.baseUrl].c_str(),
                            report.signatureWellFormed ? "no listed key signed it" : "unsigned or malformed");
        }
        if (!rollout.empty()) {
            std::printf("rollout in progress: validly signed mirrors serve different sequences:");
            for (const std::string& line : rollout) std::printf(" %s", line.c_str());
            std::printf("\n");
        }
    }

    // Each file named by any mirror is fetched once and checked against every
    // mirror's digest for it.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> expected;  // url -> (mirror, digest)
    for (const MirrorReport& report : reports) {
        if (!report.complete) continue;
        expected[report.selection.launcherJarUrl].push_back({report.baseUrl, report.selection.launcherJarSha256});
        expected[report.selection.javaZipUrl].push_back({report.baseUrl, report.selection.javaZipSha256});
        if (!report.selection.starterUrl.empty())
            expected[report.selection.starterUrl].push_back({report.baseUrl, report.selection.starterSha256});
        for (const RuntimeDeltaOffer& delta : report.selection.runtimeDeltas)
            expected[delta.url].push_back({report.baseUrl, delta.sha256});
    }
    const std::string scratch = makeScratchFolder();
    if (scratch.empty()) {
        std::fprintf(stderr, "morvanta-publish: cannot make a scratch folder for downloads\n");
        return 1;
    }
    std::printf("\n%-8s %-64s %s\n", "FILE", "SHA-256", "URL");
    int fileNumber = 0;
    std::map<std::string, std::string> fetchedFiles;  // url -> path in scratch
    for (const auto& [url, digests] : expected) {
        const std::string path = scratch + "/file" + std::to_string(fileNumber++);
        std::fprintf(stderr, "  fetching %s\n", url.c_str());
        const bool fetched = fetchToFile(url, path, showProgress);
        const std::string actual = fetched ? sha256OfFile(path) : std::string();
        if (fetched) fetchedFiles[url] = path;  // kept for the delta checks below
        std::string verdict = fetched ? "ok" : "FAILED";
        for (const auto& [mirror, digest] : digests) {
            if (fetched && !digestsAgree(digest, actual)) {
                verdict = "MISMATCH";
                std::printf("  %s names digest %s\n", mirror.c_str(), digest.empty() ? "(empty)" : digest.c_str());
            }
        }
        if (verdict != "ok") consistent = false;
        std::printf("%-8s %-64s %s\n", verdict.c_str(), actual.empty() ? "-" : actual.c_str(), url.c_str());
    }
    if (!checkRuntimeDeltas(args, reports, fetchedFiles, scratch)) consistent = false;
    removeTree(scratch);

    // Starters resume a cut runtime download only where its server answers ranges as
    // they need; a warning, not a failure.
    std::set<std::string> probed;
    for (const MirrorReport& report : reports) {
        if (!report.complete || !probed.insert(report.selection.javaZipUrl).second) continue;
        ResumeProbe probe;
        probeResume(report.selection.javaZipUrl, report.selection.javaZipSha256, probe);
        std::printf("%s\n", resumeLine(report.selection.javaZipUrl, probe).c_str());
    }

    std::printf("\n%s\n", consistent ? "consistent: every mirror serves the same, intact update"
                                     : "NOT consistent: see above");
    return consistent ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage();
        return 2;
    }
    Arguments args;
    if (!parseArguments(argc, argv, 2, args)) return 2;
    if (std::strcmp(argv[1], "keygen") == 0) return runKeygen(args);
    if (std::strcmp(argv[1], "build") == 0) return runBuild(args);
    if (std::strcmp(argv[1], "check") == 0) return runCheck(args);
    if (std::strcmp(argv[1], "delta") == 0) return runDelta(args);
    printUsage();
    return 2;
}
