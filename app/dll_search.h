#pragma once
// Where the program looks for the DLLs it loads at run time.

// Confines later DLL loads (and those the loaded DLLs make) to System32, so
// nothing is taken from the program's own folder or the current one. Does
// nothing where the system lacks the call (Vista, Windows 7 without KB2533623).
void confineDllSearchToSystem32();
