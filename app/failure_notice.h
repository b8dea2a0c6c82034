#pragma once
// Reports the one failure that ends a run: status line, empty bar, tray balloon.

#include <windows.h>
#include <shellapi.h>

// The balloon record for `message`, with the window and icon it belongs to.
NOTIFYICONDATAW buildFailureNoticeRecord(HWND window, HICON icon, const wchar_t* message);

// Called on the worker; the window stays open with the message.
void showFailureNotice(const wchar_t* message);
