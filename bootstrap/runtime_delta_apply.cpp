#include "bootstrap/runtime_delta_apply.h"

#include <windows.h>

#include <zstd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <vector>

#include "archive/delta_file.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "files/flush_files.h"
#include "files/plain_file.h"
#include "net/sha256.h"

namespace {

// Bytes held while one file is built; a failed allocation is a failure like any other.
struct Buffer {
    std::unique_ptr<unsigned char[]> data;
    std::uint64_t size = 0;

    bool allocate(std::uint64_t bytes) {
        data.reset(new (std::nothrow) unsigned char[bytes == 0 ? 1 : static_cast<std::size_t>(bytes)]);
        size = bytes;
        return data != nullptr;
    }
};

struct ZstdContextFree {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

std::uint64_t fileSize(HANDLE file) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file, &size) ? static_cast<std::uint64_t>(size.QuadPart) : ~0ull;
}

bool readAt(HANDLE file, std::uint64_t offset, unsigned char* out, std::uint64_t size) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return false;
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < (64u << 20) ? size : (64u << 20));
        DWORD read = 0;
        if (!ReadFile(file, out, chunk, &read, nullptr) || read != chunk) return false;
        out += read;
        size -= read;
    }
    return true;
}

bool hasDigest(const unsigned char* data, std::uint64_t size, const DeltaDigest& expected) {
    Sha256Stream hash;
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t chunk = static_cast<std::size_t>(size - done < (64u << 20) ? size - done : (64u << 20));
        if (!hash.update(data + done, chunk)) return false;
        done += chunk;
    }
    DeltaDigest actual{};
    return decodeHex(hash.finish(), actual.data(), actual.size()) && actual == expected;
}

bool sameAsHex(const DeltaDigest& digest, const std::string& hex) {
    DeltaDigest decoded{};
    return decodeHex(hex, decoded.data(), decoded.size()) && decoded == digest;
}

std::wstring pathIn(const std::wstring& folder, const std::string& name) {
    std::wstring path = folder + L"\\" + fromUtf8(name);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// Staging is new and only administrators can change it: its subfolders are made plainly.
void makeFoldersUpTo(const std::wstring& staging, const std::wstring& path) {
    for (std::size_t slash = path.find(L'\\', staging.size() + 1); slash != std::wstring::npos;
         slash = path.find(L'\\', slash + 1))
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
}

bool writeNewFile(const std::wstring& path, const unsigned char* data, std::uint64_t size) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return false;
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < (64u << 20) ? size : (64u << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), data, chunk, &written, nullptr) || written != chunk) return false;
        data += written;
        size -= written;
    }
    return true;
}

// The reference file of the installed runtime, whole, when it is what the delta expects.
bool readReference(const std::wstring& installedRuntime, const DeltaEntry& entry, Buffer& reference) {
    const UniqueFileHandle file = openPlainFileForReading(pathIn(installedRuntime, entry.referenceName));
    return file && fileSize(file.get()) == entry.referenceSize && reference.allocate(entry.referenceSize) &&
           readAt(file.get(), 0, reference.data.get(), reference.size) &&
           hasDigest(reference.data.get(), reference.size, entry.referenceSha256);
}

// The entries under `folder`, not entering links; -1 when it cannot be listed or holds a link.
long long countTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0));
    if (!search) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    long long count = 0;
    do {
        if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return -1;
        ++count;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const long long inside = countTree(folder + L"\\" + found.cFileName);
            if (inside < 0) return -1;
            count += inside;
        }
    } while (FindNextFileW(search.get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES ? count : -1;
}

// Every path the tree holds: each entry and each folder above one.
std::size_t expectedTreeSize(const std::vector<DeltaEntry>& entries) {
    std::set<std::string> paths;
    for (const DeltaEntry& entry : entries) {
        const std::string name = asciiLowered(entry.name);
        paths.insert(name);
        for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
            paths.insert(name.substr(0, slash));
    }
    return paths.size();
}

}  // namespace

std::string buildStagingFromDelta(const std::wstring& deltaPath, const std::wstring& installedRuntime,
                                  const std::wstring& staging, const std::string& fromSha256,
                                  const std::string& toSha256) {
    const UniqueFileHandle delta = openPlainFileForReading(deltaPath);
    if (!delta) return "the delta cannot be opened";
    const std::uint64_t deltaSize = fileSize(delta.get());
    unsigned char head[kDeltaHeaderSize];
    DeltaHeader header;
    if (deltaSize < sizeof head || !readAt(delta.get(), 0, head, sizeof head) ||
        !readDeltaHeader(head, sizeof head, header))
        return "the delta has no valid header";
    if (!sameAsHex(header.fromArchive, fromSha256) || !sameAsHex(header.toArchive, toSha256))
        return "the delta names other archives than the manifest and the record";
    Buffer table;
    std::vector<DeltaEntry> entries;
    if (!table.allocate(header.tableSize) || !readAt(delta.get(), sizeof head, table.data.get(), table.size) ||
        !readDeltaTable(table.data.get(), static_cast<std::size_t>(table.size), deltaSize, entries))
        return "the delta's list of files is malformed";

    const std::unique_ptr<ZSTD_DCtx, ZstdContextFree> context(ZSTD_createDCtx());
    if (!context || ZSTD_isError(ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, 31)))
        return "no memory for the decompressor";
    std::vector<std::wstring> written;
    for (const DeltaEntry& entry : entries) {
        const std::wstring path = pathIn(staging, entry.name);
        makeFoldersUpTo(staging, path);
        if (entry.source == DeltaSource::Folder) {
            CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        Buffer reference;
        if (entry.source != DeltaSource::Whole && !readReference(installedRuntime, entry, reference))
            return "the installed file " + entry.referenceName + " differs from the delta's reference";
        Buffer built;
        if (entry.source == DeltaSource::Same) {
            built = std::move(reference);
        } else {
            Buffer data;
            if (!data.allocate(entry.dataSize) || !built.allocate(entry.size) ||
                !readAt(delta.get(), entry.dataOffset, data.data.get(), data.size))
                return "no memory or no data for " + entry.name;
            ZSTD_DCtx_reset(context.get(), ZSTD_reset_session_and_parameters);
            ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, 31);
            if (entry.source == DeltaSource::Patched &&
                ZSTD_isError(ZSTD_DCtx_refPrefix(context.get(), reference.data.get(), reference.size)))
                return "the reference for " + entry.name + " cannot be used";
            const std::size_t made = ZSTD_decompressDCtx(context.get(), built.data.get(), built.size,
                                                         data.data.get(), data.size);
            if (ZSTD_isError(made) || made != entry.size) return "the data for " + entry.name + " do not unpack";
        }
        if (built.size != entry.size || !hasDigest(built.data.get(), built.size, entry.sha256))
            return "the file built for " + entry.name + " differs from the delta's list";
        if (!writeNewFile(path, built.data.get(), built.size)) return "cannot write " + entry.name;
        written.push_back(path);
    }
    if (countTree(staging) != static_cast<long long>(expectedTreeSize(entries)))
        return "staging holds other entries than the delta's list";
    if (!flushFilesToDisk(written)) return "the files could not be flushed to disk";
    return std::string();
}
