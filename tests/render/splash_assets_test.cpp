// Artwork and font loaded from resources: the program's own, and a library with holes.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "render_test_support.h"

namespace {

using namespace render_test;

TEST(SplashAssets, EveryPictureAndTheFontLoadFromTheProgram) {
    // The test program carries the same artwork resources as the starter.
    ASSERT_TRUE(splashAssets.backgroundImage);
    EXPECT_EQ(splashAssets.backgroundImage->GetWidth(), 1336u);
    EXPECT_EQ(splashAssets.backgroundImage->GetHeight(), 768u);
    ASSERT_TRUE(splashAssets.logoImage);
    EXPECT_EQ(splashAssets.logoImage->GetWidth(), 190u);
    EXPECT_EQ(splashAssets.logoImage->GetHeight(), 203u);
    for (int i = 0; i < kSpinnerFrameCount; ++i) {
        ASSERT_TRUE(splashAssets.spinnerFrames[i]) << "frame " << i;
        EXPECT_EQ(splashAssets.spinnerFrames[i]->GetWidth(), 256u);
        EXPECT_EQ(splashAssets.spinnerFrames[i]->GetHeight(), 256u);
    }
    ASSERT_TRUE(splashAssets.closeButtonImage);
    ASSERT_TRUE(splashAssets.closeButtonHoverImage);
    EXPECT_EQ(splashAssets.closeButtonImage->GetWidth(), 36u);
    EXPECT_EQ(splashAssets.closeButtonHoverImage->GetHeight(), 36u);
    ASSERT_TRUE(splashAssets.uiFontCollection);
    EXPECT_EQ(splashAssets.uiFontCollection->GetFamilyCount(), 1);
    ASSERT_TRUE(splashAssets.uiFontFamily);
    EXPECT_TRUE(splashAssets.uiFontFamily->IsAvailable());
}

TEST(SplashAssets, PicturesHaveTheirColours) {
    // Grey cross on a transparent ground; its centre is where the strokes cross.
    Gdiplus::Bitmap& close = *splashAssets.closeButtonImage;
    const Rgba crossing = pixelAt(close, 18, 18);
    EXPECT_GE(crossing.a, 240);
    EXPECT_TRUE(closeTo(crossing, 85, 85, 85, 0));
    EXPECT_EQ(pixelAt(close, 2, 18).a, 0);

    // Opaque red square with a white cross.
    Gdiplus::Bitmap& hover = *splashAssets.closeButtonHoverImage;
    const Rgba red = pixelAt(hover, 4, 18);
    EXPECT_EQ(red.a, 255);
    EXPECT_TRUE(closeTo(red, 255, 85, 85, 0));
    EXPECT_TRUE(closeTo(pixelAt(hover, 18, 18), 255, 255, 255, 6));

    // Spinner frames are pure white where they are drawn at all.
    Gdiplus::Bitmap& frame = *splashAssets.spinnerFrames[0];
    int drawn = 0;
    for (int y = 0; y < 256; y += 4) {
        for (int x = 0; x < 256; x += 4) {
            const Rgba p = pixelAt(frame, x, y);
            if (p.a == 0) continue;
            ++drawn;
            EXPECT_TRUE(closeTo(p, 255, 255, 255, 0)) << x << "," << y;
        }
    }
    EXPECT_GT(drawn, 200);

    // The emblem is see-through around its shield.
    EXPECT_EQ(pixelAt(*splashAssets.logoImage, 0, 202).a, 0);
    EXPECT_EQ(pixelAt(*splashAssets.logoImage, 95, 100).a, 255);
}

std::wstring testProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

class ResourceLibrary {
public:
    explicit ResourceLibrary(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

TEST(SplashAssets, MissingResourcesLeaveTheirOwnSlotsEmpty) {
    ResourceLibrary library(testProgramFolder() + L"splash_gap_artwork.dll");
    ASSERT_NE(library.get(), nullptr);
    SplashAssets assets;
    loadSplashAssetsFrom(library.get(), assets);

    EXPECT_FALSE(assets.backgroundImage);
    ASSERT_TRUE(assets.logoImage);
    EXPECT_EQ(assets.logoImage->GetWidth(), 190u);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(assets.spinnerFrames[i]) << "frame " << i;
        EXPECT_EQ(assets.spinnerFrames[i]->GetWidth(), 256u);
    }
    // The gap at 205 stays at index 5; later frames keep their own ids.
    EXPECT_FALSE(assets.spinnerFrames[5]);
    ASSERT_TRUE(assets.spinnerFrames[6]);
    EXPECT_EQ(assets.spinnerFrames[6]->GetWidth(), 36u);
    ASSERT_TRUE(assets.spinnerFrames[7]);
    EXPECT_EQ(assets.spinnerFrames[7]->GetWidth(), 190u);
    ASSERT_TRUE(assets.spinnerFrames[8]);
    EXPECT_EQ(assets.spinnerFrames[8]->GetWidth(), 36u);
    // A resource that is no picture decodes to nothing.
    EXPECT_FALSE(assets.spinnerFrames[9]);
    EXPECT_TRUE(assets.closeButtonImage);
    EXPECT_FALSE(assets.closeButtonHoverImage);
    // A font resource without a font gives a collection with no family, and no family.
    EXPECT_FALSE(assets.uiFontFamily);

    EXPECT_FALSE(loadPngResourceFrom(library.get(), 100));
    EXPECT_FALSE(loadPngResource(4321));
}

}  // namespace
