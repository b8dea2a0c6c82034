#pragma once
// GDI+ started for as long as the owner lives. Every GDI+ object must be gone
// before it ends. Users link gdiplus.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

class GdiplusSession {
public:
    GdiplusSession() noexcept {
        Gdiplus::GdiplusStartupInput input;
        status_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    // Only a start that succeeded has a token to shut down.
    ~GdiplusSession() {
        if (status_ == Gdiplus::Ok) Gdiplus::GdiplusShutdown(token_);
    }

    explicit operator bool() const noexcept { return status_ == Gdiplus::Ok; }

private:
    ULONG_PTR token_ = 0;
    Gdiplus::Status status_ = Gdiplus::GenericError;
};
