#include "net/download.h"

// Placeholder until verified downloads land: nothing can be made present.
bool downloadFile(const std::string&, const std::wstring&, const std::string&) {
    return false;
}
