#include "app/failure_notice.h"

#include "app/constants.h"
#include "app/launcher_state.h"
#include "app/run_facts.h"
#include "app/support_log_file.h"
#include "base/support_log.h"
#include "base/text.h"
#include "base/ui_texts.h"

NOTIFYICONDATAW buildFailureNoticeRecord(HWND window, HICON icon, const wchar_t* message) {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof(NOTIFYICONDATAW);
    record.hWnd = window;
    record.uID = 1;
    // No NIF_MESSAGE: the icon sends the window nothing.
    record.uFlags = NIF_ICON | NIF_TIP | NIF_INFO;
    record.uCallbackMessage = 0;
    record.hIcon = icon;
    lstrcpynW(record.szTip, kWindowTitle, 64);
    lstrcpynW(record.szInfoTitle, kFailureBalloonTitle, 64);
    lstrcpynW(record.szInfo, message, 256);
    record.dwInfoFlags = NIIF_WARNING;
    return record;
}

void showFailureNotice(const wchar_t* message) {
    logEvent("failure shown: " + toUtf8(message));
    logProgramDigest();
    flushSupportLog();  // before the notice waits for its player, who may close it at once
    publishStatus(message, 0.0);
    if (mainWindow == nullptr) return;  // no tray icon without a window

    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    NOTIFYICONDATAW record = buildFailureNoticeRecord(mainWindow, icon, message);
    Shell_NotifyIconW(NIM_ADD, &record);
    Shell_NotifyIconW(NIM_MODIFY, &record);
}
