#pragma once
// Owner for WinHTTP session, connection and request handles.

#include <windows.h>
#include <winhttp.h>

#include "base/unique_handle.h"

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type handle) noexcept { ::WinHttpCloseHandle(handle); }
};

using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;
