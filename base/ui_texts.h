#pragma once
// Every text the player sees, in one place: a studio shipping its own game changes them here.

inline constexpr const wchar_t* kWindowTitle = L"Morvanta";

// The splash's fixed captions.
inline constexpr const wchar_t* kPleaseWaitText = L"Пожалуйста подождите...";
inline constexpr const wchar_t* kComponentsText =
    L"Загрузка необходимых компонентов\nдля корректной игры";
inline constexpr const wchar_t* kFilesLabelText = L"Загрузка файлов:";

// Status lines of a run that goes well.
inline constexpr const wchar_t* kInitialStatusText = L"Поиск необходимых в обновлении файлов";
inline constexpr const wchar_t* kCheckingFilesText = L"Проверка целостности файлов";
inline constexpr const wchar_t* kLaunchingText = L"Запуск лаунчера";

// The title of the tray balloon that carries a failure.
inline constexpr const wchar_t* kFailureBalloonTitle = L"Ошибка запуска";

// The seven messages with which a run can end.
inline constexpr const wchar_t* kNoServerMessage = L"Нет связи с сервером обновлений";
inline constexpr const wchar_t* kIncompleteManifestMessage = L"Сервер вернул неполный список";
inline constexpr const wchar_t* kLauncherDownloadFailedMessage = L"Не удалось загрузить лаунчер";
inline constexpr const wchar_t* kJavaDownloadFailedMessage = L"Не удалось загрузить Java";
inline constexpr const wchar_t* kJavaUnpackFailedMessage = L"Не удалось распаковать Java";
inline constexpr const wchar_t* kJavaNotFoundMessage = L"Java не найдена";
inline constexpr const wchar_t* kJavaStartFailedMessage = L"Не удалось запустить Java";

inline constexpr const wchar_t* kAllFailureMessages[] = {
    kNoServerMessage,           kIncompleteManifestMessage, kLauncherDownloadFailedMessage,
    kJavaDownloadFailedMessage, kJavaUnpackFailedMessage,   kJavaNotFoundMessage,
    kJavaStartFailedMessage,
};
