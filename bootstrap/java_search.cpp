#include "bootstrap/java_search.h"

#include <windows.h>

#include "base/text.h"
#include "base/unique_handle.h"

namespace {

// The last name of the folder part of `path`: "C:\x\bin\javaw.exe" gives "bin".
std::wstring parentFolderName(const std::wstring& path) {
    const std::size_t fileStart = path.rfind(L'\\');
    if (fileStart == std::wstring::npos) return std::wstring();
    const std::wstring folder = path.substr(0, fileStart);
    const std::size_t nameStart = folder.rfind(L'\\');
    return nameStart == std::wstring::npos ? folder : folder.substr(nameStart + 1);
}

}  // namespace

std::wstring findJavaExecutable(const std::wstring& root, const std::wstring& fileName) {
    WIN32_FIND_DATAW entry;
    UniqueFindHandle listing(FindFirstFileW((root + L"\\*").c_str(), &entry));
    if (!listing) return std::wstring();

    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring entryPath = root + L"\\" + name;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // Junctions and folder links may lead back into the tree: never followed.
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
            std::wstring found = findJavaExecutable(entryPath, fileName);
            if (!found.empty()) return found;
        } else if (equalsIgnoringAsciiCase(name, fileName) &&
                   equalsIgnoringAsciiCase(parentFolderName(entryPath), L"bin")) {
            return entryPath;
        }
    } while (FindNextFileW(listing.get(), &entry));
    return std::wstring();
}
