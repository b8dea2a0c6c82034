#pragma once

#include <string>

// Full path of `fileName` found directly inside a "bin" folder under `root`, or empty.
std::wstring findJavaExecutable(const std::wstring& root, const std::wstring& fileName);
