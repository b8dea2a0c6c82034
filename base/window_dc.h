#pragma once
// Owner of a device context from GetDC: released to the window it came from.
// A null window means the whole screen. Users link user32.

#include <windows.h>

class UniqueWindowDc {
public:
    explicit UniqueWindowDc(HWND window = nullptr) noexcept : window_(window), dc_(::GetDC(window)) {}
    UniqueWindowDc(const UniqueWindowDc&) = delete;
    UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;
    ~UniqueWindowDc() {
        if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
    }

    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};
