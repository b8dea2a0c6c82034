#include "net/system_proxy.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

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
    std::atomic<bool> discoveryFailed{false};
};

// Read once: the settings do not change during a start, and discovery that failed
// once would only make every later request wait again.
void readUserSettings(UserProxySettings& settings) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return;
    GlobalText script{config.lpszAutoConfigUrl}, proxy{config.lpszProxy}, bypass{config.lpszProxyBypass};
    settings.autoDetect = config.fAutoDetect != FALSE;
    if (script.text) settings.scriptUrl = script.text;
    if (proxy.text) settings.proxy = proxy.text;
    if (bypass.text) settings.bypass = bypass.text;
}

UserProxySettings& userSettings() {
    // A function's static is made once even with several threads asking (std::call_once
    // does not link with clang against MinGW's libstdc++).
    static UserProxySettings settings;
    static const bool read = (readUserSettings(settings), true);
    (void)read;
    return settings;
}

// Discovery downloads a script and may ask the network for it: one call given this
// long as a whole, so a start never waits on it for long.
constexpr DWORD kDiscoveryTimeoutMs = 3000;

// What one discovery call found, shared with the thread that makes it: a late call
// is left behind and writes only here.
struct Discovery {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false, found = false, named = false;
    std::wstring proxy, bypass;
};

void discover(const std::shared_ptr<Discovery>& discovery, const std::wstring& url, const std::wstring& scriptUrl) {
    UniqueInternetHandle session(
        WinHttpOpen(kUserAgentWide, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    bool found = false, named = false;
    std::wstring proxy, bypass;
    if (session) {
        WINHTTP_AUTOPROXY_OPTIONS options{};
        if (!scriptUrl.empty()) {
            options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
            options.lpszAutoConfigUrl = scriptUrl.c_str();
        } else {
            options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        }
        // The script runs in the system's proxy service, never inside this elevated process,
        // and whoever answers for WPAD gets no logon of ours.
        options.dwFlags |= WINHTTP_AUTOPROXY_RUN_OUTPROCESS_ONLY;
        options.fAutoLogonIfChallenged = FALSE;
        WinHttpSetTimeouts(session.get(), kDiscoveryTimeoutMs, kDiscoveryTimeoutMs, kDiscoveryTimeoutMs,
                           kDiscoveryTimeoutMs);
        WINHTTP_PROXY_INFO info{};
        if (WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info)) {
            GlobalText foundProxy{info.lpszProxy}, foundBypass{info.lpszProxyBypass};
            found = true;
            named = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && foundProxy.text;
            if (named) {
                proxy = foundProxy.text;
                bypass = foundBypass.text ? foundBypass.text : L"";
            }
        }
    }
    std::lock_guard<std::mutex> hold(discovery->lock);
    discovery->found = found;
    discovery->named = named;
    discovery->proxy = proxy;
    discovery->bypass = bypass;
    discovery->done = true;
    discovery->ended.notify_all();
}

}  // namespace

std::wstring systemProxyFor(const std::wstring& url, std::wstring& bypass) {
    UserProxySettings& settings = userSettings();
    std::wstring proxy = settings.proxy;
    bypass = settings.bypass;
    if ((!settings.autoDetect && settings.scriptUrl.empty()) || settings.discoveryFailed.load()) return proxy;
    // No lock is held while discovery runs: a request that waits for it waits only for its own call.
    std::shared_ptr<Discovery> discovery = std::make_shared<Discovery>();
    std::thread([discovery, url, script = settings.scriptUrl] { discover(discovery, url, script); }).detach();
    std::unique_lock<std::mutex> hold(discovery->lock);
    if (!discovery->ended.wait_for(hold, std::chrono::milliseconds(kDiscoveryTimeoutMs), [&] { return discovery->done; }) ||
        !discovery->found) {
        settings.discoveryFailed = true;
        return proxy;
    }
    if (!discovery->named) return std::wstring();
    bypass = discovery->bypass;
    return discovery->proxy;
}
