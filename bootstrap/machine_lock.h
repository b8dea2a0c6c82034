#pragma once
// One starter at a time works on the files of this machine, whatever session it
// runs in: the single-instance mutex only keeps out copies in the same session.

// A mutex in the global namespace, which every session sees. Only SYSTEM and
// Administrators may open it, so a standard user can neither hold nor release it.
inline constexpr const wchar_t* kMachineLockName = L"Global\\MorvantaStarterWorkFiles";
inline constexpr const wchar_t* kMachineLockSddl = L"O:BAG:SYD:P(A;;GA;;;SY)(A;;GA;;;BA)";

// Waits for as long as another starter holds the lock, then holds it on the
// calling thread. A lock left by a starter that died is taken over. A mutex of
// that name that a standard user made first is not waited for: the run goes on
// without the lock rather than stall on someone else's object.
void lockWorkFiles();

// Lets the next starter in; nothing when the lock is not held. Same thread as lockWorkFiles.
void unlockWorkFiles();
