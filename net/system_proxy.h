#pragma once
// The proxy a request should take, from the settings of the user the process runs as.

#include <windows.h>
#include <winhttp.h>

#include <string>

// The proxy for `url` from the user's Internet settings: a named proxy as it is,
// a script or automatic detection through WinHttpGetProxyForUrl (given at most a
// few seconds, and not tried again in this run once it failed). Empty for a
// direct connection; `bypass` receives the list of hosts that go directly.
std::wstring systemProxyFor(const std::wstring& url, std::wstring& bypass);
