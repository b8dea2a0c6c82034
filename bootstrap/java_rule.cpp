#include "bootstrap/java_rule.h"

#include <cstddef>

namespace {

template <typename Char>
Char lowerAscii(Char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c;
}

// ASCII only, as the C locale the starter runs in folds case: the wanted names are ASCII.
template <typename Char>
bool equalsIgnoringAsciiCase(const std::basic_string<Char>& a, const std::basic_string<Char>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

template <typename Char>
bool isJavaExecutableIn(const std::basic_string<Char>& folderName, const std::basic_string<Char>& name,
                        const std::basic_string<Char>& wanted) {
    const std::basic_string<Char> bin = {'b', 'i', 'n'};
    return equalsIgnoringAsciiCase(name, wanted) && equalsIgnoringAsciiCase(folderName, bin);
}

}  // namespace

bool isJavaExecutable(const std::string& folderName, const std::string& name, const std::string& wanted) {
    return isJavaExecutableIn(folderName, name, wanted);
}

bool isJavaExecutable(const std::wstring& folderName, const std::wstring& name, const std::wstring& wanted) {
    return isJavaExecutableIn(folderName, name, wanted);
}
