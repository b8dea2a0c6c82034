#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bootstrap/manifest.h"

namespace {

std::vector<unsigned char> bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<ManifestPair> pairsOf(const std::string& text) { return readManifestPairs(bytes(text)); }

ManifestSelection selectionOf(const std::string& text) { return selectManifestEntries(pairsOf(text)); }

void expectPairs(const std::vector<ManifestPair>& actual, const std::vector<ManifestPair>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].key, expected[i].key) << "pair " << i;
        EXPECT_EQ(actual[i].value, expected[i].value) << "pair " << i;
    }
}

const std::string kJarUrl = "https://cdn.example/files/Morvanta.jar";
const std::string kZipUrl = "https://cdn.example/files/java-x64.zip";
const std::string kJarDigest(64, 'a');
const std::string kZipDigest(64, 'B');

TEST(ManifestReader, BodiesWithoutTwoStringsGiveNoPairs) {
    for (const char* body : {"", "{}", " \r\n\t ", "\xEF\xBB\xBF", "{\"lonely\"}", "[1, 2, true, null]"})
        EXPECT_TRUE(pairsOf(body).empty()) << body;
}

TEST(ManifestReader, PairsStringsInOrderAndDropsAnUnpairedLastOne) {
    expectPairs(pairsOf("{\"a\": \"1\", \"b\": \"2\", \"c\"}"), {{"a", "1"}, {"b", "2"}});
}

TEST(ManifestReader, ByteOrderMarkBeforeTheObjectIsSkipped) {
    expectPairs(pairsOf("\xEF\xBB\xBF{\"" + kJarUrl + "\":\"x\"}"), {{kJarUrl, "x"}});
}

TEST(ManifestReader, NumericMemberShiftsThePairing) {
    const std::string body = "{\"version\": 3, \"" + kJarUrl + "\": \"" + kJarDigest + "\", \"" + kZipUrl +
                             "\": \"" + kZipDigest + "\"}";
    const auto pairs = pairsOf(body);
    expectPairs(pairs, {{"version", kJarUrl}, {kJarDigest, kZipUrl}});
    const ManifestSelection selection = selectManifestEntries(pairs);
    EXPECT_TRUE(selection.launcherJarUrl.empty());
    EXPECT_TRUE(selection.javaZipUrl.empty());
}

TEST(ManifestReader, BackslashMakesTheNextByteLiteral) {
    expectPairs(pairsOf(R"({"https:\/\/h\/Morvanta.jar": "say \"hi\" \\ \n \u0041"})"),
                {{"https://h/Morvanta.jar", "say \"hi\" \\ n u0041"}});
}

TEST(ManifestReader, BackslashAsLastByteIsKept) {
    expectPairs(pairsOf("\"k\" \"v\\"), {{"k", "v\\"}});
}

TEST(ManifestReader, UnclosedStringRunsToTheEnd) {
    expectPairs(pairsOf("{\"key\": \"unfinished value"), {{"key", "unfinished value"}});
}

TEST(ManifestReader, EmptyStringsAndZeroBytesAreTokens) {
    const std::string body("\"\" \"a\0b\" \"\" \"\"", 14);
    expectPairs(readManifestPairs(bytes(body)), {{"", std::string("a\0b", 3)}, {"", ""}});
}

TEST(ManifestReader, NestedStringsJoinTheOneSequence) {
    expectPairs(pairsOf("{\"outer\": {\"inner\": \"v\"}, \"list\": [\"x\"]}"), {{"outer", "inner"}, {"v", "list"}});
}

TEST(ManifestSelection, PicksBothEntriesInAnyOrderAmongOtherMembers) {
    const std::string forward = "{\"note\": \"hello\", \"" + kJarUrl + "\": \"" + kJarDigest + "\", \"" + kZipUrl +
                                "\": \"" + kZipDigest + "\", \"extra\": \"x\"}";
    const std::string backward = "{\"" + kZipUrl + "\": \"" + kZipDigest + "\", \"extra\": \"x\", \"" + kJarUrl +
                                 "\": \"" + kJarDigest + "\"}";
    for (const std::string& body : {forward, backward}) {
        const ManifestSelection selection = selectionOf(body);
        EXPECT_EQ(selection.launcherJarUrl, kJarUrl);
        EXPECT_EQ(selection.launcherJarSha256, kJarDigest);
        EXPECT_EQ(selection.javaZipUrl, kZipUrl);
        EXPECT_EQ(selection.javaZipSha256, kZipDigest);
    }
}

TEST(ManifestSelection, LastMatchWins) {
    const ManifestSelection selection =
        selectionOf("{\"https://old/Morvanta.jar\": \"1\", \"https://new/Morvanta.jar\": \"2\"}");
    EXPECT_EQ(selection.launcherJarUrl, "https://new/Morvanta.jar");
    EXPECT_EQ(selection.launcherJarSha256, "2");
}

TEST(ManifestSelection, NamesAreCaseSensitive) {
    const ManifestSelection selection =
        selectionOf("{\"https://h/MORVANTA.JAR\": \"1\", \"https://h/Java-X64.zip\": \"2\"}");
    EXPECT_TRUE(selection.launcherJarUrl.empty());
    EXPECT_TRUE(selection.javaZipUrl.empty());
}

TEST(ManifestSelection, KeyWithBothNamesIsTheLauncherJarOnly) {
    const ManifestSelection selection = selectionOf("{\"https://h/java-x64.zip?for=Morvanta.jar\": \"1\"}");
    EXPECT_EQ(selection.launcherJarUrl, "https://h/java-x64.zip?for=Morvanta.jar");
    EXPECT_TRUE(selection.javaZipUrl.empty());
}

TEST(ManifestSelection, TheStarterEntryNeverTakesTheOtherTwo) {
    const ManifestSelection selection = selectionOf(
        "{\"https://h/MorvantaStarter.exe/Morvanta.jar\": \"1\", \"https://h/java-x64.zip?MorvantaStarter.exe\": \"2\","
        " \"https://h/a/MorvantaStarter.exe\": \"3\", \"https://h/b/MorvantaStarter.exe\": \"4\"}");
    EXPECT_EQ(selection.launcherJarUrl, "https://h/MorvantaStarter.exe/Morvanta.jar");
    EXPECT_EQ(selection.javaZipSha256, "2");
    EXPECT_EQ(selection.starterUrl, "https://h/b/MorvantaStarter.exe");
    EXPECT_EQ(selection.starterSha256, "4");
}

TEST(ManifestSelection, NameAnywhereInTheUrlCounts) {
    const ManifestSelection selection = selectionOf("{\"https://h/get?file=Morvanta.jar&v=2\": \"1\"}");
    EXPECT_EQ(selection.launcherJarUrl, "https://h/get?file=Morvanta.jar&v=2");
}

TEST(ManifestSelection, EmptyDigestIsSelectedAsEmpty) {
    const ManifestSelection selection = selectionOf("{\"" + kJarUrl + "\": \"\", \"" + kZipUrl + "\": \"\"}");
    EXPECT_EQ(selection.launcherJarUrl, kJarUrl);
    EXPECT_EQ(selection.launcherJarSha256, "");
    EXPECT_EQ(selection.javaZipUrl, kZipUrl);
    EXPECT_EQ(selection.javaZipSha256, "");
}

TEST(ManifestSelection, ValuesPlayNoPartInMatching) {
    const ManifestSelection selection = selectionOf("{\"https://h/file\": \"Morvanta.jar\"}");
    EXPECT_TRUE(selection.launcherJarUrl.empty());
}

}  // namespace

TEST(ManifestSelection, RuntimeDeltasAreKeysEndingInADeltaFileName) {
    const std::string base(64, 'C');
    const std::string name = "java-x64.from-" + base + ".delta";
    struct Row {
        std::string key;
        bool offered;
    };
    const Row rows[] = {
        {"https://h/files/d1/" + name, true},
        {"https://h/" + name + "?v=2", false},  // the file name must end the URL
        {"https://h/java-x64.from-" + base.substr(1) + ".delta", false},
        {"https://h/java-x64.from-" + std::string(63, 'c') + "g.delta", false},
        {"https://h/java-x64.from-" + base + ".deltas", false},
        {"https://h/Java-x64.from-" + base + ".delta", false},
        {"https://h/java-x64.zip/" + name, false},  // the runtime's own entry
    };
    for (const Row& row : rows) {
        const ManifestSelection selection = selectionOf("{\"" + kZipUrl + "\": \"z\", \"" + row.key + "\": \"d\"}");
        ASSERT_EQ(selection.runtimeDeltas.size(), row.offered ? 1u : 0u) << row.key;
        if (!row.offered) continue;
        EXPECT_EQ(selection.runtimeDeltas[0].url, row.key);
        EXPECT_EQ(selection.runtimeDeltas[0].sha256, "d");
        EXPECT_EQ(selection.runtimeDeltas[0].fromSha256, std::string(64, 'c'));
        EXPECT_EQ(selection.javaZipUrl, kZipUrl);
    }
}
