// The verdicts on folders, from security descriptors written as SDDL: no file system involved.

#include <gtest/gtest.h>

#include <string>

#include "files/folder_trust.h"
#include "files/held_verdict.h"
#include "files/private_file.h"
#include "files/security_description.h"

namespace {

const std::string kUserSid = "S-1-5-21-1111-2222-3333-1001";    // the account the starter runs as
const TrustContext kUser{kUserSid, true};                        // on Windows: descriptors are stored
const TrustContext kWine{"S-1-5-21-0-0-0-1000", false};           // Wine keeps none
const std::wstring kOtherUser = L"S-1-5-21-1111-2222-3333-1002";  // another account on the machine
const std::wstring kWineUser = L"S-1-5-21-0-0-0-1000";

SecurityDescription fromSddl(const std::wstring& sddl) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(sddl.c_str());
    EXPECT_TRUE(descriptor) << std::string(sddl.begin(), sddl.end());
    return describeSecurityDescriptor(descriptor.get());
}

FolderDescription plainFolder(const std::wstring& sddl) {
    FolderDescription folder;
    folder.exists = folder.isDirectory = folder.finalPathMatches = true;
    folder.security = fromSddl(sddl);
    return folder;
}

struct Case {
    const char* what;
    std::wstring sddl;
    TrustContext context;
    bool trustedWorkFolder;
    bool gameDirectoryNeedsRepair;
};

TEST(FolderTrust, DescriptorsAsWorkFolderAndAsGameDirectory) {
    const Case cases[] = {
        {"what a folder made in the root of C: inherits", L"O:" + kOtherUser +
             L"D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
             L"(A;OICIIOID;SDGXGWGR;;;AU)",
         kUser, false, true},
        {"the same, made by the starter itself", L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)"
             L"(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)",
         kUser, false, true},
        {"the work folder's own descriptor", kWorkFolderSddl, kUser, true, false},
        {"the game directory's own descriptor", kGameDirectorySddl, kUser, false, false},
        {"owned by another user", L"O:" + kOtherUser + L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", kUser, false, true},
        {"owned by TrustedInstaller", L"O:S-1-5-80-956008885-3425871386-1370863016-2658566614-1953093919"
             L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
         kUser, true, false},
        {"owned by the account the starter runs as, unelevated it could have made it",
         L"O:S-1-5-21-1111-2222-3333-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-1111-2222-3333-1001)", kUser, false,
         true},
        {"the same where descriptors are not stored", L"O:S-1-5-21-0-0-0-1000D:P(A;OICI;FA;;;SY)"
             L"(A;OICI;FA;;;S-1-5-21-0-0-0-1000)",
         kWine, true, false},
        {"Users may write attributes (make an empty folder a mount point)",
         L"O:BAD:P(A;OICI;FA;;;BA)(A;;0x100;;;BU)", kUser, false, false},
        {"the private files' descriptor", kPrivateFileSddl, kUser, true, false},
        {"Authenticated Users with Modify", L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)", kUser,
         false, true},
        {"Everyone may write", L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;FW;;;WD)", kUser, false, false},
        {"Everyone may change the permissions", L"O:BAD:P(A;OICI;FA;;;BA)(A;;WD;;;WD)", kUser, false, true},
        {"Users may take ownership", L"O:BAD:P(A;OICI;FA;;;BA)(A;;WO;;;BU)", kUser, false, true},
        {"Users may delete children", L"O:BAD:P(A;OICI;FA;;;BA)(A;;0x40;;;BU)", kUser, false, true},
        {"Users may append (make sub-folders)", L"O:BAD:P(A;OICI;FA;;;BA)(A;;0x4;;;BU)", kUser, false, false},
        {"Users may do anything (generic)", L"O:BAD:P(A;OICI;FA;;;BA)(A;;GA;;;BU)", kUser, false, true},
        {"a deny entry takes nothing away from the trusted", L"O:BAD:P(D;OICI;FA;;;WD)(A;OICI;FA;;;SY)"
             L"(A;OICI;FA;;;BA)",
         kUser, true, false},
        {"a deny entry does not excuse an allow", L"O:BAD:P(D;;WD;;;BU)(A;OICI;FA;;;BA)(A;;FA;;;AU)", kUser, false,
         true},
        {"no DACL at all lets everyone do anything", L"O:BA", kUser, false, true},
        {"an empty DACL lets nobody in", L"O:BAD:P", kUser, true, false},
        {"an inherit-only entry makes what is created inside writable",
         L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;FA;;;BU)", kUser, false, false},
        {"creator-owner inherit-only entries are the creator's own", L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
             L"(A;OICIIO;GA;;;CO)",
         kUser, true, false},
        {"Wine's descriptor for mode 0755", L"O:" + kWineUser + L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kWineUser +
             L")(A;OICI;0x1200a9;;;WD)",
         kWine, true, false},
        {"Wine's descriptor for mode 0777", L"O:" + kWineUser + L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kWineUser +
             L")(A;OICI;0x1301ff;;;WD)",
         kWine, false, true},
        {"Wine's 0755 read by another account", L"O:" + kWineUser + L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kWineUser +
             L")(A;OICI;0x1200a9;;;WD)",
         kUser, false, true},
    };
    for (const Case& c : cases) {
        const FolderDescription folder = plainFolder(c.sddl);
        EXPECT_EQ(isTrustedWorkFolder(folder, c.context), c.trustedWorkFolder) << c.what;
        EXPECT_EQ(gameDirectoryNeedsRepair(folder.security, c.context), c.gameDirectoryNeedsRepair) << c.what;
        // The support log names a reason exactly when the folder is refused.
        EXPECT_EQ(distrustReason(folder, true, c.context).empty(), c.trustedWorkFolder) << c.what;
    }
}

TEST(FolderTrust, ReadBackSetAsideNamesAndLoggedReasons) {
    const SecurityDescription set = fromSddl(kPrivateFileSddl);
    EXPECT_TRUE(descriptorsWereStored(set, fromSddl(kPrivateFileSddl)));
    EXPECT_FALSE(descriptorsWereStored(set, fromSddl(L"O:" + kWineUser + L"D:(A;;FA;;;" + kWineUser + L")")));
    EXPECT_FALSE(descriptorsWereStored(set, SecurityDescription())) << "nothing read back";

    // Cleanup finds them by prefix; sixteen digits, so a name cannot be planted ahead.
    EXPECT_EQ(setAsideName(L"C:\\.Morvanta\\loader", L".untrusted-", 0x0123456789abcdefULL),
              L"C:\\.Morvanta\\loader.untrusted-0123456789abcdef");
    EXPECT_EQ(setAsideName(L"java", L".old-", 0xfULL), L"java.old-000000000000000f");

    const FolderDescription rootOfC = plainFolder(L"O:" + kOtherUser + L"D:AI(A;OICIID;FA;;;BA)(A;ID;0x1301bf;;;AU)");
    EXPECT_EQ(distrustReason(rootOfC, true, kUser), "owner S-1-5-21-1111-2222-3333-1002, entry allow S-1-5-11 0x1301bf");
    EXPECT_EQ(distrustReason(plainFolder(L"O:BAD:P(A;;FA;;;BA)(A;OICIIO;FA;;;BU)"), false, kUser), "");
    EXPECT_EQ(distrustReason(plainFolder(L"O:BA"), false, kUser), "owner S-1-5-32-544, no DACL");
}

TEST(FolderTrust, OnlyAPlainFolderAtTheAskedPathCounts) {
    const FolderDescription good = plainFolder(kWorkFolderSddl);
    ASSERT_TRUE(isTrustedWorkFolder(good, kUser));
    ASSERT_TRUE(isUsableGameDirectory(good));

    FolderDescription link = good;
    link.isReparsePoint = true;  // junction, symbolic link or mount point
    FolderDescription elsewhere = good;
    elsewhere.finalPathMatches = false;  // what Wine shows for a host symbolic link
    FolderDescription file = good;
    file.isDirectory = false;
    FolderDescription missing = good;
    missing.exists = false;
    for (const FolderDescription& folder : {link, elsewhere, file, missing}) {
        EXPECT_FALSE(isTrustedWorkFolder(folder, kUser));
        EXPECT_FALSE(isUsableGameDirectory(folder));
    }
}

TEST(FolderTrust, DescriptionKeepsOwnerProtectionAndEntryFlags) {
    const SecurityDescription work = fromSddl(kWorkFolderSddl);
    EXPECT_EQ(work.ownerSid, kAdministratorsSid);
    EXPECT_TRUE(work.hasDacl);
    EXPECT_TRUE(work.daclProtected);
    ASSERT_EQ(work.entries.size(), 3u);
    EXPECT_EQ(work.entries[2].sid, "S-1-5-32-545");
    EXPECT_EQ(work.entries[2].mask, 0x1200a9u);
    EXPECT_TRUE(work.entries[2].inheritedByChildren);
    EXPECT_FALSE(work.entries[2].inheritOnly);

    const SecurityDescription game = fromSddl(kGameDirectorySddl);
    ASSERT_EQ(game.entries.size(), 5u);
    EXPECT_FALSE(game.entries[3].inheritedByChildren);
    EXPECT_TRUE(game.entries[4].inheritOnly);
    EXPECT_FALSE(fromSddl(L"O:BA").hasDacl);
}

// Wine reads the SDDL "D:NO_ACCESS_CONTROL" as an empty DACL, so the NULL DACL is built by hand.
TEST(FolderTrust, ANullDaclLetsEveryoneDoAnything) {
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    LocalSecurityDescriptor admins = securityDescriptorFromSddl(L"O:BA");
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(admins.get(), &owner, &defaulted));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&descriptor, owner, FALSE));

    FolderDescription folder;
    folder.exists = folder.isDirectory = folder.finalPathMatches = true;
    folder.security = describeSecurityDescriptor(&descriptor);
    EXPECT_EQ(folder.security.ownerSid, kAdministratorsSid);
    EXPECT_FALSE(folder.security.hasDacl);
    EXPECT_FALSE(isTrustedWorkFolder(folder, kUser));
    EXPECT_TRUE(gameDirectoryNeedsRepair(folder.security, kUser));
}

// What the launch holds is judged again through the held handles with the checks'
// verdicts; a work folder must be the very object that was checked (under Wine the
// identity is all that tells a planted folder, every owner reading as the running account).
TEST(HeldVerdict, WhatTheLaunchHoldsIsWhatWasChecked) {
    const FileIdentity checked{true, 7, 0, 42};
    const FileIdentity another{true, 7, 0, 43};
    const FileIdentity otherVolume{true, 8, 0, 42};
    const FileIdentity otherHigh{true, 7, 1, 42};
    const std::wstring wine0755 =
        L"O:" + kWineUser + L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kWineUser + L")(A;OICI;0x1200a9;;;WD)";
    const std::wstring program = L"O:BAD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
    struct Row {
        const char* what;
        HeldKind kind;
        std::wstring sddl;
        FileIdentity found;
        FileIdentity recorded;
        TrustContext context;
        bool held;
        unsigned long names = 1;
        bool directory = true;
    };
    const Row rows[] = {
        {"the work folder as checked", HeldKind::WorkFolder, kWorkFolderSddl, checked, checked, kUser, true},
        {"another folder put in its place", HeldKind::WorkFolder, kWorkFolderSddl, another, checked, kUser, false},
        {"the same index on another volume", HeldKind::WorkFolder, kWorkFolderSddl, otherVolume, checked, kUser, false},
        {"the index differs in its high part", HeldKind::WorkFolder, kWorkFolderSddl, otherHigh, checked, kUser, false},
        {"a planted folder under Wine", HeldKind::WorkFolder, wine0755, another, checked, kWine, false},
        {"the checked folder under Wine", HeldKind::WorkFolder, wine0755, checked, checked, kWine, true},
        {"a work folder never checked", HeldKind::WorkFolder, kWorkFolderSddl, checked, FileIdentity{}, kUser, false},
        {"re-permissioned since its check (a kept WRITE_DAC handle)", HeldKind::WorkFolder,
         L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)", checked, checked, kUser, false},
        {"the game directory as repaired", HeldKind::GameDirectory, kGameDirectorySddl, another, FileIdentity{}, kUser,
         true},
        {"the game directory re-permissioned since", HeldKind::GameDirectory,
         L"O:BAD:P(A;OICI;FA;;;BA)(A;;FA;;;AU)", checked, FileIdentity{}, kUser, false},
        {"the runtime's program", HeldKind::Program, program, another, FileIdentity{}, kUser, true, 1, false},
        {"a program with a second name", HeldKind::Program, program, another, FileIdentity{}, kUser, false, 2, false},
        {"a program a player owns", HeldKind::Program, L"O:" + kOtherUser + L"D:(A;;FA;;;BA)", another, FileIdentity{},
         kUser, false, 1, false},
        {"a folder where the program was", HeldKind::Program, program, another, FileIdentity{}, kUser, false, 1, true},
    };
    for (const Row& row : rows) {
        HeldObject held;
        held.kind = row.kind;
        held.found = plainFolder(row.sddl);
        held.found.isDirectory = row.directory;
        held.found.identity = row.found;
        held.checked = row.recorded;
        held.nameCount = row.names;
        EXPECT_EQ(heldObjectRefusal(held, row.context).empty(), row.held) << row.what;
    }
}

}  // namespace
