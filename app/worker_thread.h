#pragma once

#include <windows.h>

// The worker's thread procedure: the sequence with the program's constants and real operations.
DWORD WINAPI bootstrapThreadProc(LPVOID);
