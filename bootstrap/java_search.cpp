#include "bootstrap/java_search.h"

// Placeholder until the runtime search lands: nothing is ever found.
std::wstring findJavaExecutable(const std::wstring&, const std::wstring&) {
    return std::wstring();
}
