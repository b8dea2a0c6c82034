// The program's load configuration: the loader resolves the static imports from
// System32 only (Windows 10 1607 and later honour DependentLoadFlags), so a DLL
// planted beside the starter (a Downloads folder) is never loaded by it.
// MSVC's runtime brings its own record: there the linker's /DEPENDENTLOADFLAG sets it.

#include <windows.h>

namespace {

// The x64 layout through the guard fields; MinGW's headers stop before them and
// still call DependentLoadFlags "Reserved1".
struct LoadConfiguration64 {
    DWORD Size;
    DWORD TimeDateStamp;
    WORD MajorVersion;
    WORD MinorVersion;
    DWORD GlobalFlagsClear;
    DWORD GlobalFlagsSet;
    DWORD CriticalSectionDefaultTimeout;
    ULONGLONG DeCommitFreeBlockThreshold;
    ULONGLONG DeCommitTotalFreeThreshold;
    ULONGLONG LockPrefixTable;
    ULONGLONG MaximumAllocationSize;
    ULONGLONG VirtualMemoryThreshold;
    ULONGLONG ProcessAffinityMask;
    DWORD ProcessHeapFlags;
    WORD CSDVersion;
    WORD DependentLoadFlags;
    ULONGLONG EditList;
    ULONGLONG SecurityCookie;
    ULONGLONG SEHandlerTable;
    ULONGLONG SEHandlerCount;
    ULONGLONG GuardCFCheckFunctionPointer;
    ULONGLONG GuardCFDispatchFunctionPointer;
    ULONGLONG GuardCFFunctionTable;
    ULONGLONG GuardCFFunctionCount;
    DWORD GuardFlags;
};

// Through GuardFlags: a size every loader since Windows 8.1 knows.
constexpr DWORD kLoadConfigurationSize = 0x94;
static_assert(sizeof(void*) == 8, "this is the x64 record");
static_assert(sizeof(LoadConfiguration64) >= kLoadConfigurationSize, "layout of the x64 record");

}  // namespace

// Both linkers find the record by this name and copy its Size into the PE header.
extern "C" const LoadConfiguration64 _load_config_used = {
    kLoadConfigurationSize, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    LOAD_LIBRARY_SEARCH_SYSTEM32, 0, 0, 0, 0, 0, 0, 0, 0, 0};
