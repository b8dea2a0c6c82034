#include "app/splash_assets.h"

#include <cstring>

SplashAssets& splashAssets = *new SplashAssets();

namespace {

struct ResourceBytes {
    const void* data = nullptr;
    DWORD size = 0;
};

// The bytes of an RT_RCDATA resource, mapped for the life of the module.
ResourceBytes findResourceBytes(HMODULE module, WORD id) {
    ResourceBytes bytes;
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (info == nullptr) return bytes;
    HGLOBAL loaded = LoadResource(module, info);
    if (loaded == nullptr) return bytes;
    const void* data = LockResource(loaded);
    const DWORD size = SizeofResource(module, info);
    if (data == nullptr || size == 0) return bytes;
    bytes.data = data;
    bytes.size = size;
    return bytes;
}

// A moveable global block holding a copy of the bytes; GDI+ streams read from it.
HGLOBAL copyToGlobalBlock(const ResourceBytes& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size);
    if (block == nullptr) return nullptr;
    void* target = GlobalLock(block);
    if (target == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes.data, bytes.size);
    GlobalUnlock(block);
    return block;
}

void loadUiFont(HMODULE module, SplashAssets& assets) {
    const ResourceBytes font = findResourceBytes(module, kUiFontResourceId);
    if (font.data == nullptr) return;

    assets.uiFontCollection.reset(new Gdiplus::PrivateFontCollection());
    if (!assets.uiFontCollection) return;
    // Handed over in place: the resource stays mapped as long as the process runs.
    assets.uiFontCollection->AddMemoryFont(font.data, static_cast<INT>(font.size));
    if (assets.uiFontCollection->GetFamilyCount() < 1) return;

    assets.uiFontFamily.reset(new Gdiplus::FontFamily());
    if (!assets.uiFontFamily) return;
    // Whatever family the font carries is the window's font; its name is never asked for.
    INT found = 0;
    assets.uiFontCollection->GetFamilies(1, assets.uiFontFamily.get(), &found);
}

}  // namespace

std::unique_ptr<Gdiplus::Bitmap> loadPngResourceFrom(HMODULE module, WORD id) {
    const ResourceBytes bytes = findResourceBytes(module, id);
    if (bytes.data == nullptr) return nullptr;

    HGLOBAL block = copyToGlobalBlock(bytes);
    if (block == nullptr) return nullptr;

    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || stream == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    // From here the stream owns the block; the bitmap keeps its own reference.
    std::unique_ptr<Gdiplus::Bitmap> bitmap(new Gdiplus::Bitmap(stream));
    stream->Release();
    if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return bitmap;
}

std::unique_ptr<Gdiplus::Bitmap> loadPngResource(WORD id) {
    return loadPngResourceFrom(nullptr, id);
}

void loadSplashAssetsFrom(HMODULE module, SplashAssets& assets) {
    assets.backgroundImage = loadPngResourceFrom(module, kBackgroundResourceId);
    assets.logoImage = loadPngResourceFrom(module, kLogoResourceId);
    // Strictly by id: a missing frame leaves its own slot empty and shifts nothing.
    for (int i = 0; i < kSpinnerFrameCount; ++i) {
        assets.spinnerFrames[i] =
            loadPngResourceFrom(module, static_cast<WORD>(kFirstSpinnerFrameResourceId + i));
    }
    assets.closeButtonImage = loadPngResourceFrom(module, kCloseButtonResourceId);
    assets.closeButtonHoverImage = loadPngResourceFrom(module, kCloseButtonHoverResourceId);
    loadUiFont(module, assets);
}

void loadSplashAssets() {
    loadSplashAssetsFrom(nullptr, splashAssets);
}
