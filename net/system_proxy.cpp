#include "net/system_proxy.h"

#include <mutex>

#include "base/winhttp_handle.h"
#include "net/user_agent.h"

namespace {

struct GlobalText {
    wchar_t* text = nullptr;
    ~GlobalText() {
        if (text) GlobalFree(text);
    }
};

struct UserProxySettings {
    bool autoDetect = false;
    std::wstring scriptUrl, proxy, bypass;
    bool discoveryFailed = false;
};

// Read once: the settings do not change during a start, and discovery that failed
// once would only make every later request wait again.
UserProxySettings readUserSettings() {
    UserProxySettings settings;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
    GlobalText script{config.lpszAutoConfigUrl}, proxy{config.lpszProxy}, bypass{config.lpszProxyBypass};
    settings.autoDetect = config.fAutoDetect != FALSE;
    if (script.text) settings.scriptUrl = script.text;
    if (proxy.text) settings.proxy = proxy.text;
    if (bypass.text) settings.bypass = bypass.text;
    return settings;
}

UserProxySettings& userSettings() {
    // A function's static is made once even with several threads asking (std::call_once
    // does not link with clang against MinGW's libstdc++).
    static UserProxySettings settings = readUserSettings();
    return settings;
}

std::mutex discoveryLock;

// Discovery downloads a script and may ask the network for it: bounded, so a
// start never waits on it for long.
constexpr int kDiscoveryTimeoutMs = 3000;

}  // namespace

std::wstring systemProxyFor(const std::wstring& url, std::wstring& bypass) {
    UserProxySettings& settings = userSettings();
    std::wstring proxy = settings.proxy;
    bypass = settings.bypass;
    if (settings.autoDetect || !settings.scriptUrl.empty()) {
        std::lock_guard<std::mutex> hold(discoveryLock);
        UniqueInternetHandle session(WinHttpOpen(kUserAgentWide, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                                 WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session) settings.discoveryFailed = true;
        if (!settings.discoveryFailed) {
            WINHTTP_AUTOPROXY_OPTIONS options{};
            if (!settings.scriptUrl.empty()) {
                options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
                options.lpszAutoConfigUrl = settings.scriptUrl.c_str();
            } else {
                options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
                options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
            }
            options.fAutoLogonIfChallenged = TRUE;
            WinHttpSetTimeouts(session.get(), kDiscoveryTimeoutMs, kDiscoveryTimeoutMs, kDiscoveryTimeoutMs,
                               kDiscoveryTimeoutMs);
            WINHTTP_PROXY_INFO found{};
            if (WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &found)) {
                GlobalText foundProxy{found.lpszProxy}, foundBypass{found.lpszProxyBypass};
                if (found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && foundProxy.text) {
                    proxy = foundProxy.text;
                    bypass = foundBypass.text ? foundBypass.text : L"";
                } else {
                    proxy.clear();
                }
            } else {
                settings.discoveryFailed = true;
            }
        }
    }
    return proxy;
}
