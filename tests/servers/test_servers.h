#pragma once
// What a test program under Wine needs to reach the servers that
// morvanta_use_test_servers() started for it: URLs, and the Unix paths of the
// document root and the logs turned into Windows paths.

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace test_servers {

inline std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// True when the servers' environment is present (the test runs under its fixture).
inline bool available() { return !environment("MORVANTA_TEST_HTTP_PORT").empty(); }

inline std::string httpUrl(const std::string& path) {
    return "http://127.0.0.1:" + environment("MORVANTA_TEST_HTTP_PORT") + path;
}
inline std::string httpsUrl(const std::string& path) {
    return "https://127.0.0.1:" + environment("MORVANTA_TEST_HTTPS_PORT") + path;
}
inline std::string faultUrl(const std::string& path) {
    return "http://127.0.0.1:" + environment("MORVANTA_TEST_FAULT_PORT") + path;
}

// A Unix path as Wine sees it: through wine_get_dos_file_name, else the Z: drive.
inline std::wstring windowsPath(const std::string& unixPath) {
    using ToDos = WCHAR* (CDECL*)(LPCSTR);
    static const ToDos toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (toDos) {
        if (WCHAR* dos = toDos(unixPath.c_str())) {
            std::wstring result(dos);
            HeapFree(GetProcessHeap(), 0, dos);
            return result;
        }
    }
    std::wstring result = L"Z:";
    for (char c : unixPath) result.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return result;
}

// The nginx document root; URL path "/a/b" is file docroot() + L"\\a\\b".
inline std::wstring docroot() { return windowsPath(environment("MORVANTA_TEST_DOCROOT")); }

inline std::string readTextFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// How many requests nginx has logged whose request line holds `urlPath`.
inline int nginxRequestCount(const std::string& urlPath) {
    const std::string log = readTextFile(windowsPath(environment("MORVANTA_TEST_ACCESS_LOG")));
    const std::string needle = " " + urlPath + " HTTP/";
    int count = 0;
    for (std::size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++count;
    return count;
}

}  // namespace test_servers
