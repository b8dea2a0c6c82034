#pragma once
// Which file of an unpacked runtime is its Java program. The folder walks
// (bootstrap/java_search.cpp, the publishing tool's on Linux) check every file
// at any depth under the runtime folder, in the order the folder listings give
// them, never enter a folder that is a link, and take the first file that passes.

#include <string>

// True when the file `name`, directly inside the folder `folderName`, is the
// wanted program: `name` is `wanted` and the folder is "bin", both compared
// without regard to ASCII case. Only the immediate folder counts.
bool isJavaExecutable(const std::string& folderName, const std::string& name, const std::string& wanted);
bool isJavaExecutable(const std::wstring& folderName, const std::wstring& name, const std::wstring& wanted);
