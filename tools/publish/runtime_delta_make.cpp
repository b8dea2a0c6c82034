#include "runtime_delta_make.h"

#include <zstd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "archive/entry_name.h"
#include "archive/zip_reader.h"
#include "base/text.h"
#include "bootstrap/manifest.h"
#include "publish_platform.h"

namespace {

struct CompressContextFree {
    void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};
struct DecompressContextFree {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

DeltaDigest digestOf(const std::string& bytes) {
    DeltaDigest digest{};
    sha256OfBytes(bytes.data(), bytes.size(), digest.data());
    return digest;
}

// The smallest power of two, as a log, that spans `bytes` (zstd's limits kept).
int windowLogFor(std::size_t bytes) {
    int log = 10;  // zstd's smallest window
    while (log < 31 && (std::size_t{1} << log) < bytes) ++log;
    return log;
}

// zstd frame of `data`, with `reference` as the content before it when not null.
bool compress(const std::string& data, const std::string* reference, int level, std::string& out) {
    const std::unique_ptr<ZSTD_CCtx, CompressContextFree> context(ZSTD_createCCtx());
    if (!context) return false;
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, level);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_contentSizeFlag, 1);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 0);  // every file's SHA-256 is checked instead
    if (reference != nullptr) {
        // A window over the reference and the file: a match may lie anywhere in the old file.
        ZSTD_CCtx_setParameter(context.get(), ZSTD_c_windowLog, windowLogFor(reference->size() + data.size()));
        ZSTD_CCtx_setParameter(context.get(), ZSTD_c_enableLongDistanceMatching, 1);
        if (ZSTD_isError(ZSTD_CCtx_refPrefix(context.get(), reference->data(), reference->size()))) return false;
    }
    out.resize(ZSTD_compressBound(data.size()));
    const std::size_t size = ZSTD_compress2(context.get(), out.data(), out.size(), data.data(), data.size());
    if (ZSTD_isError(size)) return false;
    out.resize(size);
    return true;
}

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return !file.bad();
}

}  // namespace

std::string runtimeDeltaFileName(const DeltaDigest& fromArchive) {
    return std::string(kJavaDeltaPrefix) + lowerHex(fromArchive.data(), fromArchive.size()) + kJavaDeltaSuffix;
}

std::string readRuntimeTree(const std::string& zipPath, const std::string& scratchFile, RuntimeTree& tree) {
    ZipReader reader;
    if (!zipReaderOpen(reader, zipPath.c_str())) return zipPath + " is no zip archive the starter can read";
    std::string problem;
    for (std::size_t i = 0; i < zipReaderEntryCount(reader) && problem.empty(); ++i) {
        ZipEntryStat stat;
        if (!zipReaderEntryStat(reader, i, stat)) {
            problem = "cannot read an entry of " + zipPath;
            break;
        }
        std::string name = stat.name;
        for (char& c : name) {
            if (c == '\\') c = '/';
        }
        while (!name.empty() && name.back() == '/') name.pop_back();
        if (!isSafeEntryName(name)) {
            problem = "unsafe entry name in " + zipPath + ": " + stat.name;
        } else if (zipReaderIsFolder(reader, i)) {
            tree.folders.insert(name);
        } else if (!zipReaderExtractToFile(reader, i, scratchFile.c_str()) || !readFile(scratchFile, tree.files[name])) {
            problem = "cannot unpack " + stat.name + " from " + zipPath;
        }
    }
    zipReaderClose(reader);
    std::remove(scratchFile.c_str());
    return problem;
}

std::string makeRuntimeDelta(const RuntimeTree& from, const RuntimeTree& to, const DeltaDigest& fromArchive,
                             const DeltaDigest& toArchive, int level, std::string& delta) {
    std::map<DeltaDigest, std::string> oldByDigest;  // the first name of each old content
    std::map<std::string, DeltaDigest> oldDigests;
    for (const auto& [name, bytes] : from.files) {
        const DeltaDigest digest = digestOf(bytes);
        oldDigests[name] = digest;
        oldByDigest.emplace(digest, name);
    }
    std::vector<DeltaEntry> entries;
    std::vector<std::string> data;
    for (const std::string& folder : to.folders) {
        DeltaEntry entry;
        entry.name = folder;
        entries.push_back(entry);
    }
    for (const auto& [name, bytes] : to.files) {
        DeltaEntry entry;
        entry.name = name;
        entry.size = bytes.size();
        entry.sha256 = digestOf(bytes);
        const auto sameName = oldDigests.find(name);
        const auto sameBytes = oldByDigest.find(entry.sha256);
        std::string reference;
        if (sameName != oldDigests.end() && sameName->second == entry.sha256) {
            entry.source = DeltaSource::Same;
            reference = name;
        } else if (sameBytes != oldByDigest.end()) {
            entry.source = DeltaSource::Same;
            reference = sameBytes->second;
        } else {
            std::string patched;
            if (sameName != oldDigests.end() && !compress(bytes, &from.files.at(name), level, patched))
                return "zstd failed on " + name;
            // A patch far smaller than the file needs no whole frame to compare with (the
            // costliest step on a large file); otherwise the smaller of the two is kept.
            std::string whole;
            const bool patchSuffices = !patched.empty() && patched.size() < bytes.size() / 16;
            if (!patchSuffices && !compress(bytes, nullptr, level, whole)) return "zstd failed on " + name;
            const bool usePatch = !patched.empty() && (patchSuffices || patched.size() < whole.size());
            entry.source = usePatch ? DeltaSource::Patched : DeltaSource::Whole;
            if (usePatch) {
                reference = name;
                whole.swap(patched);
            }
            entry.dataSize = whole.size();
            data.push_back(std::move(whole));
        }
        if (!reference.empty()) {
            entry.referenceName = reference;
            entry.referenceSize = from.files.at(reference).size();
            entry.referenceSha256 = oldDigests.at(reference);
        }
        entries.push_back(entry);
    }
    const std::vector<unsigned char> head = writeDeltaHead(fromArchive, toArchive, entries);
    delta.assign(head.begin(), head.end());
    for (const std::string& part : data) delta += part;
    return std::string();
}

std::string applyRuntimeDelta(const std::string& delta, const RuntimeTree& base, DeltaHeader& header,
                              RuntimeTree& built) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(delta.data());
    std::vector<DeltaEntry> entries;
    if (!readDeltaHeader(bytes, delta.size(), header) || delta.size() - kDeltaHeaderSize < header.tableSize ||
        !readDeltaTable(bytes + kDeltaHeaderSize, header.tableSize, delta.size(), entries))
        return "the delta is malformed";
    const std::unique_ptr<ZSTD_DCtx, DecompressContextFree> context(ZSTD_createDCtx());
    if (!context) return "no memory for zstd";
    for (const DeltaEntry& entry : entries) {
        if (entry.source == DeltaSource::Folder) {
            built.folders.insert(entry.name);
            continue;
        }
        const std::string* reference = nullptr;
        if (entry.source != DeltaSource::Whole) {
            const auto found = base.files.find(entry.referenceName);
            if (found == base.files.end() || found->second.size() != entry.referenceSize ||
                digestOf(found->second) != entry.referenceSha256)
                return "the base has no file " + entry.referenceName + " as the delta expects";
            reference = &found->second;
        }
        std::string& file = built.files[entry.name];
        if (entry.source == DeltaSource::Same) {
            file = *reference;
        } else {
            file.resize(entry.size);
            ZSTD_DCtx_reset(context.get(), ZSTD_reset_session_and_parameters);
            ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, 31);
            if (reference != nullptr) ZSTD_DCtx_refPrefix(context.get(), reference->data(), reference->size());
            const std::size_t made = ZSTD_decompressDCtx(context.get(), file.data(), file.size(),
                                                         delta.data() + entry.dataOffset, entry.dataSize);
            if (ZSTD_isError(made) || made != entry.size) return "the data for " + entry.name + " do not unpack";
        }
        if (file.size() != entry.size || digestOf(file) != entry.sha256)
            return "the file built for " + entry.name + " differs from the delta's list";
    }
    return std::string();
}

std::string compareRuntimeTrees(const RuntimeTree& expected, const RuntimeTree& actual) {
    for (const auto& [name, bytes] : expected.files) {
        const auto found = actual.files.find(name);
        if (found == actual.files.end()) return "missing " + name;
        if (found->second != bytes) return "different " + name;
    }
    for (const auto& [name, bytes] : actual.files) {
        if (expected.files.count(name) == 0) return "extra " + name;
    }
    // Folders that hold a file exist either way; only empty ones must be listed.
    for (const std::string& folder : expected.folders) {
        bool present = actual.folders.count(folder) != 0;
        for (const auto& [name, bytes] : actual.files) present = present || name.rfind(folder + "/", 0) == 0;
        if (!present) return "missing folder " + folder;
    }
    return std::string();
}
