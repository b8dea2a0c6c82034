#pragma once
// One starter at a time works on the files of this machine, whatever session it
// runs in: the single-instance mutex only keeps out copies in the same session.

// Before the work folder exists: a mutex in the global namespace, which every
// session sees. Only SYSTEM and Administrators may open it, but any user may create
// an object of that name first, so it serves only until the work folder is trusted.
inline constexpr const wchar_t* kMachineLockName = L"Global\\MorvantaStarterWorkFiles";
inline constexpr const wchar_t* kMachineLockSddl = L"O:BAG:SYD:P(A;;GA;;;SY)(A;;GA;;;BA)";

#include <string>

// Waits for as long as another starter holds the lock, then holds it on the
// calling thread. Once `workFolder` is a trusted work folder the lock is
// `lockFile` in it, a private file held open without sharing, which only
// administrators can make or hold; called again when the work folder has just
// become trusted, the lock moves from the mutex into the file. Before that, the
// mutex: one left by a starter that died is taken over; one that a standard user
// made first is not waited for, and the run goes on without the lock.
void lockWorkFiles(const std::wstring& workFolder, const std::wstring& lockFile);

// Lets the next starter in; nothing when the lock is not held. Same thread as lockWorkFiles.
void unlockWorkFiles();
