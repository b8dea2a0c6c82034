#pragma once
// Whether a folder or the game directory may be trusted by an elevated process:
// plain decisions over a description of the folder, free of platform calls.

#include <cstdint>
#include <string>
#include <vector>

// Well-known SIDs in their string form.
inline constexpr const char* kSystemSid = "S-1-5-18";
inline constexpr const char* kAdministratorsSid = "S-1-5-32-544";
inline constexpr const char* kTrustedInstallerSid =
    "S-1-5-80-956008885-3425871386-1370863016-2658566614-1953093919";
inline constexpr const char* kCreatorOwnerSid = "S-1-3-0";

struct AccessEntry {
    bool allows = true;          // an allow entry; false for a deny entry
    std::string sid;
    std::uint32_t mask = 0;
    bool inheritOnly = false;    // applies to children only, not to the folder itself
    bool inheritedByChildren = false;  // object or container inherit
};

struct SecurityDescription {
    std::string ownerSid;
    bool hasDacl = false;  // false: no DACL or a NULL DACL, which lets everyone do anything
    bool daclProtected = false;
    std::vector<AccessEntry> entries;
};

// Which object a path led to: the volume and the file's number on it. A folder
// renamed keeps it; another folder put in its place has another.
struct FileIdentity {
    bool known = false;
    std::uint64_t volume = 0;
    std::uint64_t fileHigh = 0;
    std::uint64_t fileLow = 0;
};

inline bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.known == b.known && a.volume == b.volume && a.fileHigh == b.fileHigh && a.fileLow == b.fileLow;
}
inline bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }

struct FolderDescription {
    bool exists = false;
    bool isDirectory = false;
    bool isReparsePoint = false;    // junction, symbolic link or mount point
    bool finalPathMatches = false;  // the handle leads to the path we asked for
    bool securityUnreadable = false;  // present, but its DACL refuses us even READ_CONTROL
    SecurityDescription security;
    FileIdentity identity;          // read through the same handle
};

// What the verdicts take from the running process, decided once per start.
struct TrustContext {
    std::string accountSid;  // the account the process runs as
    // False where the platform keeps no descriptors (Wine, file systems without ACLs):
    // every folder then reads as owned by the running account.
    bool descriptorsStored = true;
};

// Rights that let a holder change what an elevated process would later read or run.
inline constexpr std::uint32_t kFileWriteData = 0x0002;       // also: add a file
inline constexpr std::uint32_t kFileAppendData = 0x0004;      // also: add a folder
inline constexpr std::uint32_t kFileDeleteChild = 0x0040;
inline constexpr std::uint32_t kFileWriteAttributes = 0x0100;  // also: make an empty folder a mount point
inline constexpr std::uint32_t kDelete = 0x00010000;
inline constexpr std::uint32_t kWriteDac = 0x00040000;
inline constexpr std::uint32_t kWriteOwner = 0x00080000;
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kMaximumAllowed = 0x02000000;
inline constexpr std::uint32_t kTamperRights = kFileWriteData | kFileAppendData | kFileDeleteChild |
                                               kFileWriteAttributes | kDelete |
                                               kWriteDac | kWriteOwner | kGenericAll | kGenericWrite |
                                               kMaximumAllowed;
// The game directory must stay writable for the game; only these rights are refused to others.
inline constexpr std::uint32_t kReplaceRights = kFileDeleteChild | kDelete | kWriteDac | kWriteOwner | kGenericAll;

// SYSTEM, Administrators, TrustedInstaller; the account the process runs as only
// where descriptors are not stored. On Windows an unelevated process of that same
// account could otherwise prepare a folder the elevated starter would accept.
bool isTrustedPrincipal(const std::string& sid, const TrustContext& context);

// Whether the platform kept a descriptor the starter just set: false when the owner
// read back is not the one it set (Wine reports the running account for everything).
bool descriptorsWereStored(const SecurityDescription& set, const SecurityDescription& readBack);

// A work folder the starter may read from, write into and run from.
bool isTrustedWorkFolder(const FolderDescription& folder, const TrustContext& context);

// A game directory that others can rename, delete, re-permission or take over, or
// that is owned by someone else, needs its owner and descriptor set again.
bool gameDirectoryNeedsRepair(const SecurityDescription& security, const TrustContext& context);

// `path` + `suffix` + the 16 hex digits of `random`: a name for a folder set aside
// that nobody can have made ready in advance.
std::wstring setAsideName(const std::wstring& path, const wchar_t* suffix, std::uint64_t random);

// For the support log: why a folder fails the work folder check (`asWorkFolder`) or
// needs a repair as the game directory, e.g. "owner S-1-5-21-..., entry allow
// S-1-5-11 0x1301bf"; empty when it does not.
std::string distrustReason(const FolderDescription& folder, bool asWorkFolder, const TrustContext& context);

// The game directory is used only when it is a plain folder at the path asked for.
bool isUsableGameDirectory(const FolderDescription& folder);
