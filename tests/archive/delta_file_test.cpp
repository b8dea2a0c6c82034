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

TEST(DeltaFile, RefusesEveryMalformedFile) {
    struct Row {
        const char* what;
        std::function<void(std::vector<DeltaEntry>&, std::size_t& dataBytes)> change;
    };
    const auto rename = [](std::size_t index, std::string name) {
        return [index, name](std::vector<DeltaEntry>& entries, std::size_t&) { entries[index].name = name; };
    };
    const Row rows[] = {
        {"parent folder", rename(3, "../release")},
        {"leading slash", rename(3, "/release")},
        {"backslash", rename(3, "jdk\\release")},
        {"drive or stream", rename(3, "jdk/release:x")},
        {"device name", rename(3, "jdk/NUL")},
        {"empty component", rename(3, "jdk//release")},
        {"trailing slash", rename(0, "jdk/legal/")},
        {"empty name", rename(3, "")},
        {"name too long", rename(3, std::string(kDeltaMaxNameSize + 1, 'a'))},
        {"same name in another case", rename(3, "JDK/BIN/JAVAW.EXE")},
        {"a file that is a parent", rename(3, "jdk/bin")},
        {"unknown kind", [](auto& e, auto&) { e[0].source = static_cast<DeltaSource>(4); }},
        {"unsafe reference", [](auto& e, auto&) { e[1].referenceName = "../../secret"; }},
        {"file too large", [](auto& e, auto&) { e[3].size = kDeltaMaxFileSize + 1; }},
        {"reference too large", [](auto& e, auto&) { e[2].referenceSize = kDeltaMaxFileSize + 1; }},
        {"data beyond the end", [](auto& e, auto&) { e[3].dataSize = 3; }},
        {"bytes after the data", [](auto&, std::size_t& data) { ++data; }},
        {"data cut short", [](auto&, std::size_t& data) { --data; }},
    };
    for (const Row& row : rows) {
        std::vector<DeltaEntry> entries = goodEntries();
        std::size_t dataBytes = 5;
        row.change(entries, dataBytes);
        std::vector<DeltaEntry> read;
        EXPECT_FALSE(readsAll(fileOf(entries, dataBytes), read)) << row.what;
    }
}

TEST(DeltaFile, RefusesABrokenHeadOrTable) {
    const std::vector<unsigned char> good = fileOf(goodEntries(), 5);
    std::vector<DeltaEntry> read;
    std::vector<unsigned char> file = good;
    file[0] = 'X';  // magic
    EXPECT_FALSE(readsAll(file, read));
    file = good;
    file[kDeltaHeaderSize - 1] = 0x7F;  // a table far over the limit
    EXPECT_FALSE(readsAll(file, read));
    file = good;
    file[kDeltaHeaderSize + 3] = 0x7F;  // an entry count far over the limit
    EXPECT_FALSE(readsAll(file, read));
    file = good;
    ++file[kDeltaHeaderSize - 4];  // a table one byte longer than its entries
    EXPECT_FALSE(readsAll(file, read));
    file.assign(good.begin(), good.begin() + kDeltaHeaderSize - 1);
    DeltaHeader header;
    EXPECT_FALSE(readDeltaHeader(file.data(), file.size(), header));
}

}  // namespace
