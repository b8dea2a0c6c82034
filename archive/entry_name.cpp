#include "archive/entry_name.h"

#include <cstddef>

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
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
    for (char& c : base) c = upperAscii(c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
        return base[3] >= '1' && base[3] <= '9';
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
        if (!component.empty() && (isDotsAndSpacesOnly(component) || isReservedDeviceName(component))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}
