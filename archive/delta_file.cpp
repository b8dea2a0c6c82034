#include "archive/delta_file.h"

#include <cstring>
#include <set>

#include "archive/entry_name.h"
#include "base/text.h"

namespace {

class Cursor {
public:
    Cursor(const unsigned char* data, std::size_t size) : data_(data), left_(size) {}

    bool bytes(void* out, std::size_t count) {
        if (count > left_) return false;
        if (count != 0) std::memcpy(out, data_, count);
        data_ += count;
        left_ -= count;
        return true;
    }
    template <typename Unsigned>
    bool number(Unsigned& value) {
        unsigned char raw[sizeof(Unsigned)];
        if (!bytes(raw, sizeof raw)) return false;
        value = 0;
        for (std::size_t i = sizeof raw; i-- > 0;) value = static_cast<Unsigned>((value << 8) | raw[i]);
        return true;
    }
    bool name(std::string& text) {
        std::uint16_t length = 0;
        if (!number(length) || length == 0 || length > kDeltaMaxNameSize || length > left_) return false;
        text.assign(reinterpret_cast<const char*>(data_), length);
        data_ += length;
        left_ -= length;
        // The same rules as a zip entry's name; "/" only between components.
        return isSafeEntryName(text) && text.find('\\') == std::string::npos && text.back() != '/' &&
               text.find("//") == std::string::npos;
    }
    bool atEnd() const { return left_ == 0; }

private:
    const unsigned char* data_;
    std::size_t left_;
};

bool hasData(DeltaSource source) { return source == DeltaSource::Patched || source == DeltaSource::Whole; }
bool hasReference(DeltaSource source) { return source == DeltaSource::Same || source == DeltaSource::Patched; }

template <typename Unsigned>
void put(std::vector<unsigned char>& out, Unsigned value) {
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void putName(std::vector<unsigned char>& out, const std::string& name) {
    put(out, static_cast<std::uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

}  // namespace

bool readDeltaHeader(const unsigned char* data, std::size_t size, DeltaHeader& header) {
    Cursor cursor(data, size);
    char magic[sizeof kDeltaMagic];
    return cursor.bytes(magic, sizeof magic) && std::memcmp(magic, kDeltaMagic, sizeof magic) == 0 &&
           cursor.bytes(header.fromArchive.data(), 32) && cursor.bytes(header.toArchive.data(), 32) &&
           cursor.number(header.tableSize) && header.tableSize <= kDeltaMaxTableSize;
}

bool readDeltaTable(const unsigned char* table, std::size_t size, std::uint64_t fileSize,
                    std::vector<DeltaEntry>& entries) {
    entries.clear();
    Cursor cursor(table, size);
    std::uint32_t count = 0;
    if (!cursor.number(count) || count > kDeltaMaxEntries) return false;
    std::uint64_t offset = kDeltaHeaderSize + size;
    if (offset > fileSize) return false;
    std::set<std::string> names;    // lower case: Windows sees "A" and "a" as one
    std::set<std::string> parents;  // every folder a file or folder entry implies
    std::set<std::string> files;
    for (std::uint32_t i = 0; i < count; ++i) {
        DeltaEntry entry;
        std::uint8_t kind = 0;
        if (!cursor.number(kind) || kind > static_cast<std::uint8_t>(DeltaSource::Whole)) return false;
        entry.source = static_cast<DeltaSource>(kind);
        if (!cursor.name(entry.name)) return false;
        const std::string folded = asciiLowered(entry.name);
        if (!names.insert(folded).second) return false;
        for (std::size_t slash = folded.find('/'); slash != std::string::npos; slash = folded.find('/', slash + 1))
            parents.insert(folded.substr(0, slash));
        if (entry.source != DeltaSource::Folder) {
            files.insert(folded);
            if (!cursor.number(entry.size) || entry.size > kDeltaMaxFileSize || !cursor.bytes(entry.sha256.data(), 32))
                return false;
        }
        if (hasReference(entry.source)) {
            if (!cursor.name(entry.referenceName) || !cursor.number(entry.referenceSize) ||
                entry.referenceSize > kDeltaMaxFileSize || !cursor.bytes(entry.referenceSha256.data(), 32))
                return false;
        }
        if (hasData(entry.source)) {
            if (!cursor.number(entry.dataSize) || entry.dataSize > kDeltaMaxFileSize ||
                entry.dataSize > fileSize - offset)
                return false;
            entry.dataOffset = offset;
            offset += entry.dataSize;
        }
        entries.push_back(std::move(entry));
    }
    // A file that is also a parent folder could not be made.
    for (const std::string& parent : parents) {
        if (files.count(parent) != 0) return false;
    }
    return cursor.atEnd() && offset == fileSize;
}

std::vector<unsigned char> writeDeltaHead(const DeltaDigest& fromArchive, const DeltaDigest& toArchive,
                                          const std::vector<DeltaEntry>& entries) {
    std::vector<unsigned char> table;
    put(table, static_cast<std::uint32_t>(entries.size()));
    for (const DeltaEntry& entry : entries) {
        put(table, static_cast<std::uint8_t>(entry.source));
        putName(table, entry.name);
        if (entry.source != DeltaSource::Folder) {
            put(table, entry.size);
            table.insert(table.end(), entry.sha256.begin(), entry.sha256.end());
        }
        if (hasReference(entry.source)) {
            putName(table, entry.referenceName);
            put(table, entry.referenceSize);
            table.insert(table.end(), entry.referenceSha256.begin(), entry.referenceSha256.end());
        }
        if (hasData(entry.source)) put(table, entry.dataSize);
    }
    std::vector<unsigned char> head(kDeltaMagic, kDeltaMagic + sizeof kDeltaMagic);
    head.insert(head.end(), fromArchive.begin(), fromArchive.end());
    head.insert(head.end(), toArchive.begin(), toArchive.end());
    put(head, static_cast<std::uint32_t>(table.size()));
    head.insert(head.end(), table.begin(), table.end());
    return head;
}
