#include "archive/entry_name.h"

#include <cstddef>

#include "base/text.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// Windows trims trailing dots and spaces, so "..", "... " and ". ." all reach the parent.
bool isDotsAndSpacesOnly(const std::string& component) {
    if (component == ".") return false;
    for (char c : component) {
        if (c != '.' && c != ' ') return false;
    }
    return true;
}

// "NUL", "con.txt", "COM1 .log": Win32 opens the device, whatever folder precedes it.
bool isReservedDeviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = asciiUppered(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    if (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0) return false;
    if (base.size() == 4) return base[3] >= '1' && base[3] <= '9';
    // Superscript one, two and three (two bytes in UTF-8) name the same devices.
    return base.size() == 5 && base[3] == '\xC2' &&
           (base[4] == '\xB9' || base[4] == '\xB2' || base[4] == '\xB3');
}

// Win32 drops a trailing dot or space ("java.exe." opens "java.exe"), and "~" with a
// digit may be a short-name alias of another entry ("JAVAW~1.EXE"): either lets one
// entry reach a file another entry names.
bool isAliasName(const std::string& component) {
    if (component.size() > 1 && (component.back() == '.' || component.back() == ' ')) return true;
    for (std::size_t i = 0; i + 1 < component.size(); ++i) {
        if (component[i] == '~' && component[i + 1] >= '0' && component[i + 1] <= '9') return true;
    }
    return false;
}

}  // namespace

bool isSafeEntryName(const std::string& utf8Name) {
    if (utf8Name.empty() || isSeparator(utf8Name.front())) return false;
    if (utf8Name.find('\0') != std::string::npos || utf8Name.find(':') != std::string::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= utf8Name.size()) {
        std::size_t end = start;
        while (end < utf8Name.size() && !isSeparator(utf8Name[end])) ++end;
        const std::string component = utf8Name.substr(start, end - start);
        if (!component.empty() && (isDotsAndSpacesOnly(component) || isReservedDeviceName(component) ||
                                   isAliasName(component))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}
