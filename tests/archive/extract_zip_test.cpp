// Unpacks archives written at test time by make_test_archives.py into fresh folders.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/extract_zip.h"
#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "archive/zip_stream_beside.h"
#include "base/text.h"

namespace fs = std::filesystem;

namespace {

fs::path fixtureFolder() {
    const char* folder = std::getenv("MORVANTA_ZIP_FIXTURES");
    return fs::path(folder ? folder : "zip-fixtures");
}

std::wstring fixture(const char* name) {
    return (fixtureFolder() / name).wstring();
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

std::string bigPattern() {
    std::string data;
    for (int repeat = 0; repeat < 4096; ++repeat) {
        for (int value = 0; value < 256; ++value) data.push_back(static_cast<char>(value));
    }
    return data + "tail";
}

std::vector<fs::path> filesUnder(const fs::path& root) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) found.push_back(entry.path());
    return found;
}

// Each test gets a case folder with the destination inside it, so anything
// written next to the destination is caught too.
class ExtractZipTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        caseFolder = fs::path(temp) / "morvanta-zip-tests" / info->name();
        fs::remove_all(caseFolder);
        dest = caseFolder / "dest";
        fs::create_directories(dest);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(caseFolder, ignored);
    }
    bool extract(const char* archive) { return extractZip(fixture(archive), dest.wstring()); }

    fs::path caseFolder;
    fs::path dest;
};

TEST_F(ExtractZipTest, ArchiveWithoutEntriesSucceedsAndCreatesNothing) {
    EXPECT_TRUE(extract("empty.zip"));
    EXPECT_TRUE(filesUnder(dest).empty());
}

TEST_F(ExtractZipTest, FileEntriesCreateTheirOwnFolders) {
    ASSERT_TRUE(extract("files_only.zip"));
    EXPECT_EQ(readFile(dest / "runtime" / "bin" / "javaw.exe"), "MZ stand-in");
    EXPECT_EQ(readFile(dest / "runtime" / "lib" / "big.bin"), bigPattern());
}

TEST_F(ExtractZipTest, StoredAndZip64EntriesUnpack) {
    ASSERT_TRUE(extract("stored.zip"));
    EXPECT_EQ(readFile(dest / "plain" / "data.bin"), bigPattern());

    ASSERT_TRUE(extract("zip64.zip"));
    EXPECT_EQ(readFile(dest / "big" / "deflated.bin"), bigPattern());
    EXPECT_EQ(readFile(dest / "big" / "stored.txt"), "stored in zip64\n");
}

TEST_F(ExtractZipTest, FolderEntryCreatesAnEmptyFolder) {
    ASSERT_TRUE(extract("folder_entry.zip"));
    EXPECT_TRUE(fs::is_directory(dest / "runtime" / "lib"));
    EXPECT_TRUE(fs::is_empty(dest / "runtime" / "lib"));
    EXPECT_EQ(readFile(dest / "runtime" / "readme.txt"), "hello");
}

TEST_F(ExtractZipTest, FolderMarkedOnlyByItsAttributeIsAFolder) {
    ASSERT_TRUE(extract("folder_attribute.zip"));
    EXPECT_TRUE(fs::is_directory(dest / "runtime" / "lib"));
    EXPECT_EQ(readFile(dest / "runtime" / "readme.txt"), "hello");
}

TEST_F(ExtractZipTest, EndSignatureInsideTheCommentIsNotTheEnd) {
    ASSERT_TRUE(extract("comment_with_fake_end.zip"));
    EXPECT_EQ(readFile(dest / "a" / "first.txt"), "first");
}

TEST_F(ExtractZipTest, NamesAreDecodedAsUtf8AndEitherSlashSeparates) {
    ASSERT_TRUE(extract("cyrillic.zip"));
    EXPECT_EQ(readFile(dest / L"среда" / L"Файл-ё.txt"), "привет");

    ASSERT_TRUE(extract("backslash_names.zip"));
    EXPECT_EQ(readFile(dest / "win" / "style" / "name.txt"), "backslashes");
}

TEST_F(ExtractZipTest, ArchivePathWithNonAsciiLettersOpens) {
    const fs::path copy = caseFolder / L"Загрузки" / L"архив.zip";
    fs::create_directories(copy.parent_path());
    fs::copy_file(fixtureFolder() / "files_only.zip", copy);
    EXPECT_TRUE(extractZip(copy.wstring(), dest.wstring()));
    EXPECT_TRUE(fs::exists(dest / "runtime" / "bin" / "javaw.exe"));
}

TEST_F(ExtractZipTest, ReplacesExistingFilesAndLeavesOthersAlone) {
    writeFile(dest / "keep" / "a.txt", "old contents that are longer than the new ones");
    writeFile(dest / "keep" / "b.txt", "untouched");
    ASSERT_TRUE(extract("overwrite.zip"));
    EXPECT_EQ(readFile(dest / "keep" / "a.txt"), "new contents");
    EXPECT_EQ(readFile(dest / "keep" / "b.txt"), "untouched");
}

TEST_F(ExtractZipTest, FilesGetTheEntryModificationTime) {
    ASSERT_TRUE(extract("overwrite.zip"));
    HANDLE file = CreateFileW((dest / "keep" / "a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written{};
    SYSTEMTIME universal{};
    SYSTEMTIME shown{};
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    // The bias of the file's date, not today's, as Explorer shows it.
    FileTimeToSystemTime(&written, &universal);
    SystemTimeToTzSpecificLocalTime(nullptr, &universal, &shown);
    EXPECT_EQ(shown.wYear, 2020);
    EXPECT_EQ(shown.wMonth, 1);
    EXPECT_EQ(shown.wDay, 2);
    EXPECT_EQ(shown.wHour, 3);
    EXPECT_EQ(shown.wMinute, 4);
    EXPECT_EQ(shown.wSecond, 6);
}

TEST_F(ExtractZipTest, FirstFailingEntryStopsTheWork) {
    EXPECT_FALSE(extract("first_failure.zip"));
    std::string first;
    for (int i = 0; i < 100; ++i) first += "first";
    EXPECT_EQ(readFile(dest / "one.txt"), first);
    EXPECT_FALSE(fs::exists(dest / "three.txt"));
}

TEST_F(ExtractZipTest, DamagedArchivesFailBeforeWritingAnything) {
    for (const char* archive :
         {"truncated.zip", "not_a_zip.zip", "directory_out_of_range.zip", "entry_count_lie.zip",
          "entry_size_out_of_range.zip", "no_such_archive.zip", "zip64_count_lie.zip",
          "zip64_two_disks.zip"}) {
        SCOPED_TRACE(archive);
        EXPECT_FALSE(extract(archive));
        EXPECT_TRUE(filesUnder(dest).empty());
    }
}

TEST_F(ExtractZipTest, CorruptDataFailsTheEntry) {
    for (const char* archive : {"corrupt_crc.zip", "stored_corrupt_crc.zip", "deflate_cut_short.zip",
                                "size_understated.zip", "stored_size_mismatch.zip"}) {
        SCOPED_TRACE(archive);
        EXPECT_FALSE(extract(archive));
    }
    // Inflating stops as soon as the data outgrow the stated size: nothing beyond it is written.
    const fs::path understated = dest / "a" / "first.txt";
    if (fs::exists(understated)) {
        EXPECT_LE(fs::file_size(understated), 100u);
    }
}

TEST_F(ExtractZipTest, EncryptedAndUnknownMethodsAreRefusedBeforeTheFileIsCreated) {
    EXPECT_FALSE(extract("encrypted.zip"));
    EXPECT_FALSE(fs::exists(dest / "secret.txt"));
    EXPECT_FALSE(extract("unsupported_method.zip"));
    EXPECT_FALSE(fs::exists(dest / "a" / "first.txt"));
}

TEST_F(ExtractZipTest, NamesLeavingTheDestinationAreRefused) {
    for (const char* form : {"dotdot", "dotdot_inner", "dotdot_backslash", "dotdot_trailing_dot",
                             "dotdot_trailing_space", "leading_slash", "leading_backslash",
                             "drive_letter", "drive_relative", "alternate_stream", "device_name",
                             "unc"}) {
        SCOPED_TRACE(form);
        const std::string archive = std::string("traversal_") + form + ".zip";
        EXPECT_FALSE(extract(archive.c_str()));
        // The entry before it is unpacked; the bad one is written nowhere.
        EXPECT_EQ(readFile(dest / "safe.txt"), "safe");
        for (const fs::path& path : filesUnder(caseFolder)) {
            EXPECT_EQ(path.filename().string().find("evil"), std::string::npos) << path.string();
        }
        EXPECT_FALSE(fs::exists(caseFolder / "evil.txt"));
        EXPECT_FALSE(fs::exists(caseFolder.root_path() / "evil.txt"));
    }
}

TEST_F(ExtractZipTest, OverlongPathFailsCleanly) {
    EXPECT_FALSE(extract("long_path.zip"));
    EXPECT_TRUE(filesUnder(dest).empty());

    // An archive path over the limit fails before anything is opened.
    const std::wstring longArchive = dest.wstring() + L"\\" + std::wstring(600, L'z') + L".zip";
    EXPECT_FALSE(extractZip(longArchive, dest.wstring()));
}

// Output paths of exactly 519 bytes of UTF-8 fit; one byte more fails without writing.
TEST_F(ExtractZipTest, OutputPathLimitIsExact) {
    const std::wstring name = std::wstring(100, L'\u5b57') + L".txt";  // 304 bytes of UTF-8
    auto utf8Size = [](const std::wstring& text) { return static_cast<int>(toUtf8(text).size()); };
    const std::wstring base = caseFolder.wstring() + L"\\";
    const int padBytes = 519 - utf8Size(base) - 1 - utf8Size(name);
    ASSERT_GT(padBytes, 0);
    // Three-byte letters keep the UTF-16 path well under MAX_PATH.
    const std::wstring pad = std::wstring(padBytes / 3, L'\u5b57') + std::wstring(padBytes % 3, L'p');
    const std::wstring fits = base + pad;
    ASSERT_EQ(utf8Size(fits + L"\\" + name), 519);
    fs::create_directories(fits);
    EXPECT_TRUE(extractZip(fixture("limit_path.zip"), fits));
    EXPECT_EQ(readFile(fs::path(fits) / name), "at the limit");

    const std::wstring tooLong = fits + L"p";
    fs::create_directories(tooLong);
    EXPECT_FALSE(extractZip(fixture("limit_path.zip"), tooLong));
    EXPECT_TRUE(fs::is_empty(tooLong));
}

TEST_F(ExtractZipTest, FormsOtherWritersProduceUnpack) {
    const std::string payload = [] {
        std::string text;
        for (int i = 0; i < 200; ++i) text += "The quick brown fox jumps over the lazy dog.\n";
        return text;
    }();
    ASSERT_TRUE(extract("descriptor_signed.zip"));
    EXPECT_EQ(readFile(dest / "jdk" / "lib" / "modules"), payload);
    EXPECT_EQ(readFile(dest / "jdk" / "lib" / "stored.txt"), "stored with a descriptor");
    ASSERT_TRUE(extract("descriptor_unsigned.zip"));
    EXPECT_EQ(readFile(dest / "jdk" / "release"), "JAVA_VERSION=17");

    ASSERT_TRUE(extract("deflated_empty.zip"));
    EXPECT_TRUE(fs::exists(dest / "jdk" / "lib" / "empty.cfg"));
    EXPECT_EQ(fs::file_size(dest / "jdk" / "lib" / "empty.cfg"), 0u);
    EXPECT_EQ(readFile(dest / "jdk" / "lib" / "after.txt"), "after the empty entry");

    ASSERT_TRUE(extract("extra_fields.zip"));
    EXPECT_EQ(readFile(dest / "jdk" / "bad-extra.txt"), payload);
    EXPECT_EQ(readFile(dest / "jdk" / "odd-extra.txt"), "odd");
    EXPECT_EQ(readFile(dest / "jdk" / "spare-zip64.txt"), "spare");

    ASSERT_TRUE(extract("disk_numbers_one.zip"));
    EXPECT_EQ(readFile(dest / "jdk" / "one.txt"), "disk one");
    ASSERT_TRUE(extract("disk_numbers_zero.zip"));
    EXPECT_EQ(readFile(dest / "jdk" / "zero.txt"), "disk zero");

    ASSERT_TRUE(extract("names_without_utf8_flag.zip"));
    EXPECT_EQ(readFile(dest / "plain" / "ascii.txt"), "ascii");
    EXPECT_EQ(readFile(dest / L"данные" / L"файл-ё.txt"), "привет");
}

// Appending writers leave the old entries in place; each copy is flushed at the end.
TEST_F(ExtractZipTest, RepeatedNameEndsWithTheLastEntry) {
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(extract("duplicate_names.zip"));
        EXPECT_EQ(readFile(dest / "jdk" / "lib" / "modules"), "the last one");
    }
}

TEST_F(ExtractZipTest, AttributeOnlyFoldersOfADosArchiveAreFolders) {
    ASSERT_TRUE(extract("dos_folder_attribute.zip"));
    EXPECT_TRUE(fs::is_directory(dest / "jdk" / "legal"));
    EXPECT_TRUE(fs::is_directory(dest / "jdk" / "conf" / "empty"));
    EXPECT_EQ(readFile(dest / "jdk" / "conf" / "net.properties"), "java.net.useSystemProxies=false");
}

enum class PartRestart { none, resumed, emptied };

// Feeds the archive to the unpack that reads it as it arrives, in pieces whose edges fall
// inside headers. Half way, a resumed download feeds its kept bytes again from byte 0;
// one that empties its part starts again from byte 0 with other bytes, as far as the unpack knows.
ZipStreamVerdict unpackAsItArrives(const char* archive, const fs::path& dest,
                                   PartRestart restart = PartRestart::none) {
    const std::string bytes = readFile(fixture(archive));
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    ZipStreamBeside unpack(folderPlaces(dest.wstring()));
    std::uint64_t offset = 0;
    auto feedTo = [&](std::uint64_t end) {
        for (; offset < end; offset += std::min<std::uint64_t>(997, end - offset))
            unpack.partBytes(offset, data + offset, static_cast<std::size_t>(std::min<std::uint64_t>(997, end - offset)));
    };
    if (restart != PartRestart::none) {
        feedTo(bytes.size() / 2);
        offset = 0;
        if (restart == PartRestart::emptied) unpack.partEmptied();
    }
    feedTo(bytes.size());
    return unpack.finish();
}

TEST_F(ExtractZipTest, UnpackAsItArrivesFollowsLeavesToTheWholeFileOrRefuses) {
    using V = ZipStreamVerdict;
    const struct {
        const char* archive;
        ZipStreamVerdict verdict;
    } cases[] = {
        {"empty.zip", V::unpacked}, {"files_only.zip", V::unpacked}, {"stored.zip", V::unpacked},
        {"folder_entry.zip", V::unpacked}, {"zip64.zip", V::unpacked}, {"descriptor_unsigned.zip", V::unpacked},
        {"deflated_empty.zip", V::unpacked}, {"extra_fields.zip", V::unpacked},
        {"comment_with_fake_end.zip", V::unpacked}, {"disk_numbers_one.zip", V::unpacked},
        {"tool_jar.zip", V::unpacked}, {"tool_infozip.zip", V::unpacked}, {"tool_infozip_zip64.zip", V::unpacked},
        // Left to the whole file, which judges them as it always has.
        {"descriptor_signed.zip", V::cannotFollow}, {"dos_folder_attribute.zip", V::cannotFollow},
        {"duplicate_names.zip", V::cannotFollow}, {"encrypted.zip", V::cannotFollow},
        {"unsupported_method.zip", V::cannotFollow}, {"truncated.zip", V::cannotFollow},
        {"not_a_zip.zip", V::cannotFollow}, {"zip64_two_disks.zip", V::cannotFollow},
        {"zip64_needed_short.zip", V::cannotFollow},
        // What the unpack rules refuse, refused at once.
        {"traversal_dotdot.zip", V::refused}, {"traversal_alternate_stream.zip", V::refused},
        {"traversal_device_name.zip", V::refused}, {"long_path.zip", V::refused}, {"corrupt_crc.zip", V::refused},
        {"stored_corrupt_crc.zip", V::refused},
        // The directory must agree with the entries it was unpacked from.
        {"disagree_name.zip", V::disagrees}, {"disagree_crc.zip", V::disagrees},
        {"size_understated.zip", V::disagrees}, {"deflate_cut_short.zip", V::disagrees},
        {"stored_size_mismatch.zip", V::disagrees}, {"trailing_bytes.zip", V::disagrees},
        {"outside_directory.zip", V::disagrees}, {"directory_twice.zip", V::disagrees},
        {"entry_count_lie.zip", V::disagrees}, {"directory_out_of_range.zip", V::disagrees},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        fs::remove_all(dest);
        fs::create_directories(dest);
        EXPECT_EQ(static_cast<int>(unpackAsItArrives(c.archive, dest)), static_cast<int>(c.verdict));
        // Nothing of a refused name is ever written beside the destination.
        EXPECT_FALSE(fs::exists(caseFolder / "evil.txt"));
    }
    fs::remove_all(dest);
    fs::create_directories(dest);
    ASSERT_EQ(unpackAsItArrives("tool_jar.zip", dest), V::unpacked);
    EXPECT_EQ(readFile(dest / "jdk" / "bin" / "javaw.exe"), "MZ" + bigPattern());
}

// A resumed download feeds its kept bytes again before the new ones; a part started
// afresh after bytes were taken may hold other bytes, so the whole file decides.
TEST_F(ExtractZipTest, UnpackAsItArrivesTakesResumedBytesOnce) {
    ASSERT_EQ(unpackAsItArrives("stored.zip", dest, PartRestart::resumed), ZipStreamVerdict::unpacked);
    EXPECT_EQ(readFile(dest / "plain" / "data.bin"), bigPattern());
    EXPECT_EQ(unpackAsItArrives("stored.zip", dest, PartRestart::emptied), ZipStreamVerdict::cannotFollow);
}

TEST_F(ExtractZipTest, NeededZip64FieldThatIsMalformedFailsAtOpening) {
    for (const char* archive : {"zip64_needed_short.zip", "zip64_needed_past_end.zip"}) {
        SCOPED_TRACE(archive);
        EXPECT_FALSE(extract(archive));
        EXPECT_TRUE(filesUnder(dest).empty());
    }
}

// ctest runs this program with TZ=Europe/Berlin, which Wine takes from the host.
TEST_F(ExtractZipTest, SummerAndWinterTimesEachKeepTheirOwnBias) {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    if (zone.Bias != -60 || zone.DaylightBias != -60) GTEST_SKIP() << "needs a Central European zone";
    ASSERT_TRUE(extract("summer_winter.zip"));
    auto utcOf = [](const fs::path& path) {
        SYSTEMTIME universal{};
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        FILETIME written{};
        GetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
        FileTimeToSystemTime(&written, &universal);
        return universal;
    };
    // 13:34:56 on the wall clock: CEST (UTC+2) in July, CET (UTC+1) in January.
    const SYSTEMTIME summer = utcOf(dest / "times" / "summer.txt");
    EXPECT_EQ(summer.wMonth, 7);
    EXPECT_EQ(summer.wHour, 11);
    EXPECT_EQ(summer.wMinute, 34);
    EXPECT_EQ(summer.wSecond, 56);
    const SYSTEMTIME winter = utcOf(dest / "times" / "winter.txt");
    EXPECT_EQ(winter.wMonth, 1);
    EXPECT_EQ(winter.wHour, 12);
    EXPECT_EQ(winter.wMinute, 34);
}

TEST(ZipReaderTest, ReportsEntriesOfAZip64Archive) {
    char path[520];
    WideCharToMultiByte(CP_UTF8, 0, fixture("zip64.zip").c_str(), -1, path, sizeof path, nullptr,
                        nullptr);
    ZipReader reader;
    ASSERT_TRUE(zipReaderOpen(reader, path));
    ASSERT_EQ(zipReaderEntryCount(reader), 2u);
    ZipEntryStat stat;
    ASSERT_TRUE(zipReaderEntryStat(reader, 0, stat));
    EXPECT_EQ(stat.name, "big/deflated.bin");
    EXPECT_EQ(stat.method, zip_format::kMethodDeflated);
    EXPECT_EQ(stat.uncompressedSize, bigPattern().size());
    EXPECT_FALSE(zipReaderIsFolder(reader, 0));
    EXPECT_FALSE(zipReaderEntryStat(reader, 2, stat));
    zipReaderClose(reader);
}

}  // namespace
