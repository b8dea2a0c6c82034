// The runtime delta's reader: it comes from the network, so every row is one
// change a hostile or broken file could make to a good one.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/delta_file.h"

namespace {

DeltaEntry entry(DeltaSource source, const std::string& name, std::uint64_t dataSize = 0) {
    DeltaEntry e;
    e.source = source;
    e.name = name;
    e.size = 10;
    e.sha256.fill(0x11);
    if (source == DeltaSource::Same || source == DeltaSource::Patched) {
        e.referenceName = name;
        e.referenceSize = 9;
        e.referenceSha256.fill(0x22);
    }
    e.dataSize = dataSize;
    return e;
}

std::vector<DeltaEntry> goodEntries() {
    return {entry(DeltaSource::Folder, "jdk/legal"), entry(DeltaSource::Same, "jdk/bin/javaw.exe"),
            entry(DeltaSource::Patched, "jdk/lib/modules", 3), entry(DeltaSource::Whole, "jdk/release", 2)};
}

// The head, then `dataBytes` of data.
std::vector<unsigned char> fileOf(const std::vector<DeltaEntry>& entries, std::size_t dataBytes) {
    DeltaDigest from{};
    DeltaDigest to{};
    from.fill(0xAA);
    to.fill(0xBB);
    std::vector<unsigned char> file = writeDeltaHead(from, to, entries);
    file.resize(file.size() + dataBytes, 0x5A);
    return file;
}

bool readsAll(const std::vector<unsigned char>& file, std::vector<DeltaEntry>& entries) {
    DeltaHeader header;
    if (!readDeltaHeader(file.data(), file.size(), header)) return false;
    if (file.size() - kDeltaHeaderSize < header.tableSize) return false;
    return readDeltaTable(file.data() + kDeltaHeaderSize, header.tableSize, file.size(), entries);
}

TEST(DeltaFile, AWrittenHeadReadsBackWithTheDataPlaced) {
    const std::vector<unsigned char> file = fileOf(goodEntries(), 5);
    DeltaHeader header;
    ASSERT_TRUE(readDeltaHeader(file.data(), file.size(), header));
    EXPECT_EQ(header.fromArchive[0], 0xAA);
    EXPECT_EQ(header.toArchive[31], 0xBB);
    std::vector<DeltaEntry> entries;
    ASSERT_TRUE(readsAll(file, entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].referenceName, "jdk/bin/javaw.exe");
    EXPECT_EQ(entries[1].referenceSize, 9u);
    EXPECT_EQ(entries[2].dataOffset, file.size() - 5);
    EXPECT_EQ(entries[3].dataOffset, file.size() - 2);
    EXPECT_EQ(entries[3].dataSize, 2u);
}

// One row per check of the reader: a change to the entries, to the data's length, or
// to one byte of the written head.
TEST(DeltaFile, RefusesEveryMalformedFile) {
    using Change = std::function<void(std::vector<DeltaEntry>&)>;
    struct Row {
        const char* what;
        Change change;
        std::size_t moreData = 0;
        std::size_t byteAt = 0;  // a byte of the written head, changed by byteAdd
        unsigned char byteAdd = 0;
    };
    const auto rename = [](std::size_t index, std::string name) -> Change {
        return [index, name](std::vector<DeltaEntry>& entries) { entries[index].name = name; };
    };
    const Row rows[] = {
        {"unsafe name", rename(3, "../release")},
        {"backslash", rename(3, "jdk\\release")},
        {"empty component", rename(3, "jdk//release")},
        {"trailing slash", rename(0, "jdk/legal/")},
        {"empty name", rename(3, "")},
        {"name too long", rename(3, std::string(kDeltaMaxNameSize + 1, 'a'))},
        {"same name in another case", rename(3, "JDK/BIN/JAVAW.EXE")},
        {"a file that is a parent", rename(3, "jdk/bin")},
        {"unknown kind", [](auto& e) { e[0].source = static_cast<DeltaSource>(4); }},
        {"unsafe reference", [](auto& e) { e[1].referenceName = "../../secret"; }},
        {"file too large", [](auto& e) { e[3].size = kDeltaMaxFileSize + 1; }},
        {"reference too large", [](auto& e) { e[2].referenceSize = kDeltaMaxFileSize + 1; }},
        {"data beyond the end", [](auto& e) { e[3].dataSize = 3; }},
        {"bytes after the data", nullptr, 1, 0, 0},
        {"magic", nullptr, 0, 0, 1},
        {"a table far over the limit", nullptr, 0, kDeltaHeaderSize - 1, 0x7F},
        {"an entry count far over the limit", nullptr, 0, kDeltaHeaderSize + 3, 0x7F},
        {"a table one byte longer than its entries", nullptr, 0, kDeltaHeaderSize - 4, 1},
    };
    for (const Row& row : rows) {
        std::vector<DeltaEntry> entries = goodEntries();
        if (row.change) row.change(entries);
        std::vector<unsigned char> file = fileOf(entries, 5 + row.moreData);
        file[row.byteAt] = static_cast<unsigned char>(file[row.byteAt] + row.byteAdd);
        std::vector<DeltaEntry> read;
        EXPECT_FALSE(readsAll(file, read)) << row.what;
    }
    std::vector<unsigned char> cut = fileOf(goodEntries(), 5);
    cut.resize(kDeltaHeaderSize - 1);
    DeltaHeader header;
    EXPECT_FALSE(readDeltaHeader(cut.data(), cut.size(), header)) << "a head cut short";
}

}  // namespace
