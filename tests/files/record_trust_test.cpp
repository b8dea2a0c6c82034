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

// Which existing files of the starter's own get the private descriptor written again.
TEST(RecordTrust, PrivateDescriptorOnlyWhereOthersAreGrantedAnything) {
    const TrustContext wine{kPlayer, false};
    struct Row {
        const char* name;
        void (*change)(SecurityDescription&);
        TrustContext context;
        bool rewrite;
    };
    const Row rows[] = {
        {"SYSTEM and Administrators only", [](SecurityDescription&) {}, TrustContext(), false},
        {"read for Users, as an earlier version left it", [](SecurityDescription& s) { s.entries.push_back({true, kUsers, 0x1200a9}); }, TrustContext(), true},
        {"TrustedInstaller may read", [](SecurityDescription& s) { s.entries.push_back({true, kTrustedInstallerSid, 0x1200a9}); }, TrustContext(), true},
        {"owned by a player", [](SecurityDescription& s) { s.ownerSid = kPlayer; }, TrustContext(), true},
        {"no DACL", [](SecurityDescription& s) { s.hasDacl = false; }, TrustContext(), true},
        {"Users denied", [](SecurityDescription& s) { s.entries.push_back({false, kUsers, 0x1f01ff}); }, TrustContext(), false},
        {"an entry only for children", [](SecurityDescription& s) { s.entries.push_back({true, kUsers, 0x1200a9, true, true}); }, TrustContext(), false},
        {"an empty grant", [](SecurityDescription& s) { s.entries.push_back({true, kUsers, 0}); }, TrustContext(), false},
        {"Wine: the account owns it, full control", [](SecurityDescription& s) { s.ownerSid = kPlayer; s.entries = {{true, kPlayer, 0x1f01ff}}; }, wine, false},
        {"Windows: the same account is no administrator", [](SecurityDescription& s) { s.ownerSid = kPlayer; s.entries = {{true, kPlayer, 0x1f01ff}}; }, TrustContext{kPlayer, true}, true},
        {"Wine: mode 0644 lets everyone read", [](SecurityDescription& s) { s.ownerSid = kPlayer; s.entries = {{true, kPlayer, 0x1f01ff}, {true, "S-1-1-0", 0x1200a9}}; }, wine, true},
    };
    for (const Row& row : rows) {
        SecurityDescription security;
        security.ownerSid = kAdministratorsSid;
        security.hasDacl = true;
        security.daclProtected = true;
        security.entries = {{true, kSystemSid, 0x1f01ff}, {true, kAdministratorsSid, 0x1f01ff}};
        row.change(security);
        EXPECT_EQ(needsPrivateDescriptor(security, row.context), row.rewrite) << row.name;
    }
}

}  // namespace
