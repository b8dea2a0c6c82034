#pragma once
// Handing this run over to a newer copy of the starter: the single-instance
// lock is passed on, the new program started, and this one's window closed as
// the new window appears.

#include <windows.h>

#include <string>

// Keeps the single-instance mutex that start-up created, so a handover can release it.
void keepSingleInstanceMutex(HANDLE mutex);

// The full path of this program's file; empty when it cannot be had.
std::wstring ownProgramPath();

// Starts `program` with no arguments in the same current folder, with the single-
// instance mutex released, and waits up to 15 s for its visible splash window.
// Empty once that window is up (this program is then to close its own).
// Otherwise the reason: the new program is ended and renamed to
// `failedPath`, and this program takes the mutex back and goes on.
std::string handOverToStarter(const std::wstring& program, const std::wstring& failedPath);
