#pragma once
// The launcher's process: created without a console, and watched through the
// splash's hold only to tell support whether it ended during it.

#include <string>
#include <vector>

// Creates the process from the writable, NUL-terminated command line in
// `currentDirectory`, without a console window; its handles are let go but the
// process's own, kept for reportJavaEndedEarly.
bool startJavaProcess(std::vector<wchar_t>& commandLine, const std::wstring& currentDirectory);

// Logs the exit code when the process started last has already ended; then lets go of it.
void reportJavaEndedEarly();
