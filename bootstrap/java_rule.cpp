#include "bootstrap/java_rule.h"

#include "base/text.h"

// ASCII only, as the C locale the starter runs in folds case: the wanted names are ASCII.
bool isJavaExecutable(const std::string& folderName, const std::string& name, const std::string& wanted) {
    return equalsIgnoringAsciiCase(name, wanted) && equalsIgnoringAsciiCase(folderName, "bin");
}

bool isJavaExecutable(const std::wstring& folderName, const std::wstring& name, const std::wstring& wanted) {
    return equalsIgnoringAsciiCase(name, wanted) && equalsIgnoringAsciiCase(folderName, L"bin");
}
