#pragma once
// Small text conversions shared by every layer.

#include <string>

// The text as UTF-8 (for log lines and file names handed to libraries); empty when it cannot be converted.
std::string toUtf8(const std::wstring& text);
