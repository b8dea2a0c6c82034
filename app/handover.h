#pragma once
// Handing this run over to a newer copy of the starter: the single-instance
// lock is passed on, the new program started, and this one's window closed as
// the new window appears; this process then waits, windowless, for the new
// one to end. And what this program's exit code tells a starter that handed
// over to it.

#include <windows.h>

#include <string>

#include "bootstrap/sequence_effects.h"

// Keeps the single-instance mutex that start-up created, so a handover can release it.
void keepSingleInstanceMutex(HANDLE mutex);

// The full path of this program's file; empty when it cannot be had.
std::wstring ownProgramPath();

// Starts `program` with no arguments in the same current folder, with the single-
// instance mutex released, and waits while it lives, at most a minute, for its
// visible splash window; one that shows none in that time is ended.
NewStarterWatch startNewerStarter(const std::wstring& program);

// Creates the single-instance mutex again: false when another copy of this session holds it.
bool takeSingleInstanceBack();

// Waits until the program whose window came up has ended.
NewStarterWatch awaitNewerStarterEnd();

// True once a newer starter's window came up: the process then lives on,
// windowless, until the worker has watched it end.
bool watchingNewerStarter();

// The exit code when the window closed before the run started Java, showed a
// failure text or handed over: a starter that handed over to this one then sets it aside.
inline constexpr int kExitClosedBeforeTheEnd = 2;

// Called as the run comes to its end: its close request, a failure notice.
void noteRunEnded();

// 0 once the run came to its end, else kExitClosedBeforeTheEnd.
int exitCodeOfThisRun();
