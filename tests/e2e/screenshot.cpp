#include "screenshot.h"

#include <objidl.h>
#include <gdiplus.h>

#include <vector>

#include "base/gdiplus_session.h"
#include "base/window_dc.h"

namespace {

bool pngEncoder(CLSID& clsid) {
    UINT count = 0;
    UINT size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<unsigned char> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) == L"image/png") {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

bool saveScreenshot(HWND window, const std::wstring& pngPath) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window != nullptr && !GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;

    const GdiplusSession gdiplus;
    if (!gdiplus) return false;
    bool saved = false;
    const UniqueWindowDc screen;
    HDC memory = CreateCompatibleDC(screen.get());
    HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY)) {
        SelectObject(memory, old);
        CLSID clsid;
        Gdiplus::Bitmap* image = Gdiplus::Bitmap::FromHBITMAP(bitmap, nullptr);
        if (image != nullptr && pngEncoder(clsid)) {
            saved = image->Save(pngPath.c_str(), &clsid, nullptr) == Gdiplus::Ok;
        }
        delete image;
    } else {
        SelectObject(memory, old);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    return saved;
}
