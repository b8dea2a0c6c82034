// When a record file from a work folder that was set aside may still be believed.

#include <gtest/gtest.h>

#include "files/record_trust.h"

namespace {

constexpr const char* kUsers = "S-1-5-32-545";
constexpr const char* kPlayer = "S-1-5-21-1-2-3-1001";

FileDescription protectedRecord() {
    FileDescription file;
    file.isPlainFile = true;
    file.finalPathMatches = true;
    file.nameCount = 1;
    file.security.ownerSid = kAdministratorsSid;
    file.security.hasDacl = true;
    file.security.entries = {{true, kSystemSid, 0x1f01ff}, {true, kAdministratorsSid, 0x1f01ff},
                             {true, kUsers, 0x1200a9}};
    return file;
}

TEST(RecordTrust, OneRowPerRule) {
    struct Row {
        const char* name;
        void (*change)(FileDescription&);
        bool trusted;
    };
    const Row rows[] = {
        {"protected, read for Users", [](FileDescription&) {}, true},
        {"owned by a player", [](FileDescription& f) { f.security.ownerSid = kPlayer; }, false},
        {"Users may write", [](FileDescription& f) { f.security.entries[2].mask |= kFileWriteData; }, false},
        {"a player may re-permission", [](FileDescription& f) { f.security.entries.push_back({true, kPlayer, kWriteDac}); }, false},
        {"a player is denied writing", [](FileDescription& f) { f.security.entries.push_back({false, kPlayer, kFileWriteData}); }, true},
        {"an entry only for children", [](FileDescription& f) { f.security.entries.push_back({true, kUsers, kGenericAll, true, true}); }, true},
        {"no DACL", [](FileDescription& f) { f.security.hasDacl = false; }, false},
        {"a second name", [](FileDescription& f) { f.nameCount = 2; }, false},
        {"a link or folder", [](FileDescription& f) { f.isPlainFile = false; }, false},
        {"leads elsewhere", [](FileDescription& f) { f.finalPathMatches = false; }, false},
    };
    for (const Row& row : rows) {
        FileDescription file = protectedRecord();
        row.change(file);
        EXPECT_EQ(isTrustedRecordFile(file, TrustContext()), row.trusted) << row.name;
    }
}

}  // namespace
