#pragma once
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

// Status lines of a run that goes well.
inline constexpr const wchar_t* kCheckingFilesText = L"Проверка целостности файлов";
inline constexpr const wchar_t* kLaunchingText = L"Запуск лаунчера";
