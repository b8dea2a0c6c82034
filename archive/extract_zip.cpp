#include "archive/extract_zip.h"

// Placeholder until extraction lands: no archive can be unpacked.
bool extractZip(const std::wstring&, const std::wstring&) {
    return false;
}
