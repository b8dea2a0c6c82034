#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/failure_notice.h"
#include "app/launcher_state.h"

namespace {

TEST(FailureNotice, RecordCarriesEveryField) {
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    HICON icon = reinterpret_cast<HICON>(static_cast<INT_PTR>(0x5678));
    const NOTIFYICONDATAW record = buildFailureNoticeRecord(window, icon, L"Java не найдена");

    EXPECT_EQ(record.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(record.hWnd, window);
    EXPECT_EQ(record.uID, 1u);
    EXPECT_EQ(record.uFlags, 0x16u);  // icon, tip, info; no callback message
    EXPECT_EQ(record.uCallbackMessage, 0u);
    EXPECT_EQ(record.hIcon, icon);
    EXPECT_STREQ(record.szTip, L"Morvanta");
    EXPECT_STREQ(record.szInfoTitle, L"Ошибка запуска");
    EXPECT_STREQ(record.szInfo, L"Java не найдена");
    EXPECT_EQ(record.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_EQ(record.uTimeout, 0u);
    EXPECT_EQ(record.hBalloonIcon, nullptr);
}

TEST(FailureNotice, LongMessageIsCutTo255InTheBalloonButKeptWholeInTheStatus) {
    const std::wstring longMessage(400, L'ы');
    const NOTIFYICONDATAW record = buildFailureNoticeRecord(nullptr, nullptr, longMessage.c_str());
    EXPECT_EQ(std::wstring(record.szInfo), longMessage.substr(0, 255));

    HWND saved = mainWindow;
    mainWindow = nullptr;
    showFailureNotice(longMessage.c_str());
    mainWindow = saved;
    EXPECT_EQ(readLauncherState().statusText, longMessage);
}

TEST(FailureNotice, WithoutWindowOnlyTheSharedStateChanges) {
    HWND saved = mainWindow;
    mainWindow = nullptr;
    publishStatus(L"Запуск лаунчера", 1.0);
    showFailureNotice(L"Нет связи с сервером обновлений");
    mainWindow = saved;

    const LauncherStateSnapshot state = readLauncherState();
    EXPECT_EQ(state.statusText, L"Нет связи с сервером обновлений");
    EXPECT_EQ(state.progress, 0.0);
    // No icon was added for a null window, so there is none to delete.
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.uID = 1;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &probe));
}

}  // namespace
