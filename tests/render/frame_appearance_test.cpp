// The frame as designed, at 96 and 144 DPI: every colour, size and place below
// is typed in from the design, not taken from the drawing code, and checked
// on flat-colour stand-in artwork so that pixels can be compared exactly.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "render_test_support.h"

namespace {

using namespace render_test;

// ---- design values -------------------------------------------------------

constexpr unsigned kGround = 0xFF0A0808;
constexpr unsigned kTint = 0x2A0A0707;
constexpr unsigned kShadeEdge = 0xB9080606;  // fading to alpha 0 across 0.21 W
constexpr float kShadeWidth = 0.21f;
constexpr unsigned kTrack = 0xCD1C1610;
constexpr unsigned kFillTop = 0xFFFFC446;
constexpr unsigned kFillBottom = 0xFFFA9E00;

// ---- colour arithmetic ---------------------------------------------------

struct Rgb {
    double r, g, b;
};

Rgb rgbOf(unsigned argb) {
    return Rgb{double((argb >> 16) & 0xFF), double((argb >> 8) & 0xFF), double(argb & 0xFF)};
}

Rgb rgbOf(const Rgba& p) { return Rgb{double(p.r), double(p.g), double(p.b)}; }

// Source-over of a colour at an opacity onto an opaque ground.
Rgb over(const Rgb& ground, const Rgb& colour, double alpha) {
    return Rgb{ground.r + (colour.r - ground.r) * alpha, ground.g + (colour.g - ground.g) * alpha,
               ground.b + (colour.b - ground.b) * alpha};
}

Rgb over(const Rgb& ground, unsigned argb) { return over(ground, rgbOf(argb), (argb >> 24) / 255.0); }

::testing::AssertionResult looksLike(const Rgba& actual, const Rgb& expected, double tolerance) {
    if (std::fabs(actual.r - expected.r) > tolerance || std::fabs(actual.g - expected.g) > tolerance ||
        std::fabs(actual.b - expected.b) > tolerance) {
        return ::testing::AssertionFailure() << "got (" << actual.r << ", " << actual.g << ", " << actual.b
                                             << "), expected (" << expected.r << ", " << expected.g << ", "
                                             << expected.b << ") within " << tolerance;
    }
    return ::testing::AssertionSuccess();
}

// ---- stand-in artwork ----------------------------------------------------

std::unique_ptr<Gdiplus::Bitmap> flatPicture(int width, int height, unsigned argb) {
    std::unique_ptr<Gdiplus::Bitmap> picture(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    Gdiplus::Graphics graphics(picture.get());
    graphics.Clear(Gdiplus::Color(argb));
    return picture;
}

// Quarters of the picture in red (columns) and green (rows): red 40, 100, 160,
// 220 from left to right, green the same from top to bottom.
std::unique_ptr<Gdiplus::Bitmap> quarteredPicture(int width, int height) {
    std::unique_ptr<Gdiplus::Bitmap> picture(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int column = 4 * x / width, row = 4 * y / height;
            picture->SetPixel(x, y, Gdiplus::Color(255, 40 + 60 * column, 40 + 60 * row, 0));
        }
    }
    return picture;
}

// Puts a stand-in into an asset slot for the guard's life; the scene is rebuilt with it.
class WithPicture {
public:
    WithPicture(std::unique_ptr<Gdiplus::Bitmap>& slot, std::unique_ptr<Gdiplus::Bitmap> picture)
        : slot_(slot), kept_(std::move(slot)) {
        slot_ = std::move(picture);
        splashViewState.sceneLayer.reset();
    }
    ~WithPicture() {
        slot_ = std::move(kept_);
        splashViewState.sceneLayer.reset();
    }
    WithPicture(const WithPicture&) = delete;
    WithPicture& operator=(const WithPicture&) = delete;

private:
    std::unique_ptr<Gdiplus::Bitmap>& slot_;
    std::unique_ptr<Gdiplus::Bitmap> kept_;
};

// Flat backgrounds are made at the window's size: drawn 1:1, with no picture edge inside the window.

// ---- the fixture: one client size per DPI --------------------------------

class Appearance : public RenderTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        dpi = GetParam();
        W = MulDiv(1066, dpi, 96);
        H = MulDiv(599, dpi, 96);
    }
    std::unique_ptr<Gdiplus::Bitmap> frame() { return composeTestFrame(W, H); }
    Gdiplus::Bitmap& layer() { return *splashViewState.sceneLayer; }
    float w(float fraction) const { return fraction * W; }
    float h(float fraction) const { return fraction * H; }

    int W = kWidth;
    int H = kHeight;
};

INSTANTIATE_TEST_SUITE_P(Dpi, Appearance, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "at" + std::to_string(info.param);
                         });

// Where a value crosses the midpoint of two levels along a run of pixels,
// in pixel-centre coordinates (pixel i covers [i, i + 1)).
double crossing(const std::vector<double>& values, int first, double low, double high) {
    const double middle = (low + high) / 2.0;
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        const double a = values[i], b = values[i + 1];
        if ((a - middle) * (b - middle) <= 0.0 && a != b) {
            return first + static_cast<double>(i) + 0.5 + (middle - a) / (b - a);
        }
    }
    return -1e9;
}

// ---- background ----------------------------------------------------------

TEST_P(Appearance, BackgroundCoversTheWindowAndIsCentred) {
    struct Case {
        int pictureWidth, pictureHeight;
    };
    // Wider than the window, taller than it, and the artwork's own size.
    for (const Case c : {Case{200, 100}, Case{100, 200}, Case{1336, 768}}) {
        SCOPED_TRACE(::testing::Message() << c.pictureWidth << " x " << c.pictureHeight);
        WithPicture stand(splashAssets.backgroundImage, quarteredPicture(c.pictureWidth, c.pictureHeight));
        ensureSceneLayer(inputs(), W, H);
        // Covering: the larger of the two ratios, centred on both axes.
        const double s = std::max(double(H) / c.pictureHeight, double(W) / c.pictureWidth);
        const double left = (W - c.pictureWidth * s) / 2.0, top = (H - c.pictureHeight * s) / 2.0;
        // Wine's GDI+ samples an enlarged picture up to half a picture pixel off its edges.
        const double slack = 1.0 + s / 2.0;

        // Quarter edges of the picture, wherever they fall clear of the side shades.
        const int row = static_cast<int>(h(0.5f)) + 3;
        std::vector<double> reds;
        for (int x = 0; x < W; ++x) reds.push_back(pixelAt(layer(), x, row).r);
        for (int k = 1; k < 4; ++k) {
            const double edge = left + s * c.pictureWidth * k / 4.0;
            if (edge < w(kShadeWidth) + 4 || edge > W - w(kShadeWidth) - 4) continue;
            const int from = static_cast<int>(edge) - 12;
            const std::vector<double> run(reds.begin() + from, reds.begin() + from + 25);
            EXPECT_NEAR(crossing(run, from, run.front(), run.back()), edge, slack) << "column edge " << k;
        }
        const int column = static_cast<int>(w(0.5f)) + 3;
        std::vector<double> greens;
        for (int y = 0; y < H; ++y) greens.push_back(pixelAt(layer(), column, y).g);
        for (int k = 1; k < 4; ++k) {
            const double edge = top + s * c.pictureHeight * k / 4.0;
            if (edge < 14 || edge > H - 14) continue;
            const int from = static_cast<int>(edge) - 12;
            const std::vector<double> run(greens.begin() + from, greens.begin() + from + 25);
            EXPECT_NEAR(crossing(run, from, run.front(), run.back()), edge, slack) << "row edge " << k;
        }
        // The picture, not the ground (red 10), reaches the top and bottom rows.
        EXPECT_GT(pixelAt(layer(), column, 0).r, 18);
        EXPECT_GT(pixelAt(layer(), column, H - 1).r, 18);
    }
}

// ---- shades and tint -----------------------------------------------------

TEST_P(Appearance, SideShadesAndTintOverAWhiteBackground) {
    WithPicture white(splashAssets.backgroundImage, flatPicture(W, H, 0xFFFFFFFF));
    ensureSceneLayer(inputs(), W, H);
    const Rgb background = rgbOf(0xFFFFFFFF);
    const int y = static_cast<int>(h(0.3f));

    // The centre column: white under the tint alone.
    for (float fx : {0.3f, 0.5f, 0.7f}) {
        EXPECT_TRUE(looksLike(pixelAt(layer(), static_cast<int>(w(fx)), y), over(background, kTint), 1.5))
            << "column " << fx;
    }
    // Each shade fades linearly from its outer edge to nothing at 0.21 W.
    const double edgeAlpha = (kShadeEdge >> 24) / 255.0;
    const double shadeWidth = w(kShadeWidth);
    for (double f : {0.0, 0.02, 0.25, 0.5, 0.75, 0.97}) {
        const int leftX = static_cast<int>(f * shadeWidth);
        const double leftAlpha = edgeAlpha * (1.0 - (leftX + 0.5) / shadeWidth);
        const Rgb leftExpected = over(over(background, rgbOf(kShadeEdge), leftAlpha), kTint);
        EXPECT_TRUE(looksLike(pixelAt(layer(), leftX, y), leftExpected, 3.0)) << "left shade at " << f;

        const int rightX = W - 1 - leftX;
        const double rightAlpha = edgeAlpha * (1.0 - (W - rightX - 0.5) / shadeWidth);
        const Rgb rightExpected = over(over(background, rgbOf(kShadeEdge), rightAlpha), kTint);
        EXPECT_TRUE(looksLike(pixelAt(layer(), rightX, y), rightExpected, 3.0)) << "right shade at " << f;
    }
}

TEST_P(Appearance, GroundColourWithoutBackground) {
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noBackground(splashAssets.backgroundImage);
    ensureSceneLayer(inputs(), W, H);
    EXPECT_TRUE(looksLike(pixelAt(layer(), static_cast<int>(w(0.5f)), static_cast<int>(h(0.3f))),
                     over(rgbOf(kGround), kTint), 1.0));
}

// ---- emblem --------------------------------------------------------------

// Share of a stand-in colour in each pixel against the same scene without it.
struct Coverage {
    double area = 0, sumX = 0, sumY = 0;
    std::vector<double> byColumn, byRow;
};

Coverage coverageOf(Gdiplus::Bitmap& with, Gdiplus::Bitmap& without, int left, int top, int right, int bottom,
                    double (*channel)(const Rgba&), double full) {
    Coverage c;
    c.byColumn.assign(right - left, 0.0);
    c.byRow.assign(bottom - top, 0.0);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const double ground = channel(pixelAt(without, x, y));
            const double share = std::min(1.0, std::max(0.0, (channel(pixelAt(with, x, y)) - ground) / (full - ground)));
            c.area += share;
            c.sumX += share * (x + 0.5);
            c.sumY += share * (y + 0.5);
            c.byColumn[x - left] += share;
            c.byRow[y - top] += share;
        }
    }
    return c;
}

double redOf(const Rgba& p) { return p.r; }
double greenOf(const Rgba& p) { return p.g; }

// Copy of the current scene layer, to compare with a later one.
std::unique_ptr<Gdiplus::Bitmap> copyOfLayer() {
    Gdiplus::Bitmap& source = *splashViewState.sceneLayer;
    std::unique_ptr<Gdiplus::Bitmap> copy(
        new Gdiplus::Bitmap(source.GetWidth(), source.GetHeight(), PixelFormat32bppARGB));
    Gdiplus::Graphics graphics(copy.get());
    graphics.DrawImage(&source, 0, 0, source.GetWidth(), source.GetHeight());
    return copy;
}

TEST_P(Appearance, EmblemPlaceAndHeight) {
    WithPicture black(splashAssets.backgroundImage, flatPicture(W, H, 0xFF000000));
    std::unique_ptr<Gdiplus::Bitmap> bare;
    {
        WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noLogo(splashAssets.logoImage);
        WithoutAsset<std::unique_ptr<Gdiplus::FontFamily>> noText(splashAssets.uiFontFamily);
        ensureSceneLayer(inputs(), W, H);
        bare = copyOfLayer();
    }
    WithoutAsset<std::unique_ptr<Gdiplus::FontFamily>> noText(splashAssets.uiFontFamily);
    WithPicture emblem(splashAssets.logoImage, flatPicture(190, 203, 0xFFFF00FF));
    ensureSceneLayer(inputs(), W, H);

    // Height 0.043 H, width from the picture's aspect, left 0.0165 W, centred on 0.033 H.
    const double height = h(0.043f), width = 190.0 * height / 203.0;
    const double left = w(0.0165f), top = h(0.033f) - height / 2.0;
    const Coverage c = coverageOf(layer(), *bare, 0, 0, W / 4, H / 8, redOf, 255.0);
    EXPECT_NEAR(c.area, width * height, 0.04 * width * height);
    EXPECT_NEAR(c.sumX / c.area, left + width / 2.0, 0.75);
    EXPECT_NEAR(c.sumY / c.area, top + height / 2.0, 0.75);
    EXPECT_NEAR(*std::max_element(c.byRow.begin(), c.byRow.end()), width, 1.0);
    EXPECT_NEAR(*std::max_element(c.byColumn.begin(), c.byColumn.end()), height, 1.0);
}

// ---- texts ---------------------------------------------------------------

// Pixels whose blue channel is above half the text's own: the text's ink.
std::vector<bool> inkMask(Gdiplus::Bitmap& picture, int left, int top, int right, int bottom, int threshold) {
    std::vector<bool> mask;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) mask.push_back(pixelAt(picture, x, y).b > threshold);
    }
    return mask;
}

struct TextCase {
    const char* name;
    const wchar_t* text;
    int designSize;
    unsigned colour;
    bool centred;            // else near-left in the title box, centred vertically
    float x, y;              // centre, or the title box's left and top
    float boxWidth, boxHeight;
    float regionTop, regionBottom;  // rows (fractions of H) that hold this text and no other
    bool inFrame;            // drawn per frame rather than into the scene layer
};

// What the design fixes for each text: size, colour, anchor.
const TextCase kTexts[] = {
    {"title", L"Morvanta", 14, 0xFFF0F0F0, false, 0.055f, 0.0f, 0.4f, 0.066f, 0.0f, 0.066f, false},
    {"please wait", L"Пожалуйста подождите...", 14, 0xFFEEEEEE, true, 0.5f, 0.516f, 0, 0, 0.49f, 0.536f, false},
    {"components", L"Загрузка необходимых компонентов\nдля корректной игры", 12, 0xFF969CA0, true, 0.5f, 0.567f,
     0, 0, 0.536f, 0.62f, false},
    {"files label", L"Загрузка файлов:", 12, 0xFF969CA0, true, 0.5f, 0.808f, 0, 0, 0.78f, 0.828f, false},
    {"status line", L"Поиск необходимых в обновлении файлов", 12, 0xFFE6E6E6, true, 0.5f, 0.848f, 0, 0, 0.828f,
     0.885f, true},
};

// The same text drawn by the book on black: the design's font size, anchor and alignment.
std::unique_ptr<Gdiplus::Bitmap> referenceText(const TextCase& t, const std::wstring& text, float x, float y,
                                               int width, int height, int dpi) {
    std::unique_ptr<Gdiplus::Bitmap> canvas = flatPicture(width, height, 0xFF000000);
    Gdiplus::Graphics graphics(canvas.get());
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::Font font(splashAssets.uiFontFamily.get(), static_cast<float>(MulDiv(t.designSize, dpi, 96)),
                       Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    Gdiplus::StringFormat format(0, LANG_NEUTRAL);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    Gdiplus::RectF box(x - 2000.0f, y - 200.0f, 4000.0f, 400.0f);
    if (t.centred) {
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
    } else {
        box = Gdiplus::RectF(x, y, t.boxWidth * width, t.boxHeight * height);
    }
    Gdiplus::SolidBrush brush{Gdiplus::Color(t.colour)};
    graphics.DrawString(text.c_str(), static_cast<int>(text.size()), &font, box, &format, &brush);
    return canvas;
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Box boxOf(const std::vector<bool>& mask, int width, int left, int top) {
    Box box;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (!mask[i]) continue;
        const int x = left + static_cast<int>(i % width), y = top + static_cast<int>(i / width);
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
    }
    return box;
}

// Compares a text in the frame with its reference: the same ink in the same place, and its colour.
void expectText(Gdiplus::Bitmap& picture, const TextCase& t, const std::wstring& text, float x, float y,
                int left, int top, int right, int bottom, int dpi, int clientWidth, int clientHeight) {
    SCOPED_TRACE(t.name);
    const auto reference = referenceText(t, text, x, y, clientWidth, clientHeight, dpi);
    const int threshold = static_cast<int>(t.colour & 0xFF) / 2;
    const std::vector<bool> actual = inkMask(picture, left, top, right, bottom, threshold);
    const std::vector<bool> expected = inkMask(*reference, left, top, right, bottom, threshold);
    const int regionWidth = right - left;
    const Box got = boxOf(actual, regionWidth, left, top), want = boxOf(expected, regionWidth, left, top);
    ASSERT_GE(want.right, 0) << "reference drew nothing";
    EXPECT_NEAR(got.left, want.left, 1);
    EXPECT_NEAR(got.right, want.right, 1);
    EXPECT_NEAR(got.top, want.top, 1);
    EXPECT_NEAR(got.bottom, want.bottom, 1);
    int inked = 0, differing = 0;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        inked += expected[i] ? 1 : 0;
        differing += actual[i] != expected[i] ? 1 : 0;
    }
    EXPECT_LE(differing, inked / 10 + 2) << "of " << inked << " ink pixels";

    // The fully covered pixels carry the text's colour itself.
    int r = 0, g = 0, b = 0;
    for (int yy = top; yy < bottom; ++yy) {
        for (int xx = left; xx < right; ++xx) {
            const Rgba p = pixelAt(picture, xx, yy);
            if (p.b > b) { r = p.r; g = p.g; b = p.b; }
        }
    }
    EXPECT_TRUE(looksLike(Rgba{r, g, b, 255}, rgbOf(t.colour), 2.0)) << "brightest pixel";
}

TEST_P(Appearance, TextsSizeColourAndPlace) {
    WithPicture black(splashAssets.backgroundImage, flatPicture(W, H, 0xFF000000));
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noLogo(splashAssets.logoImage);
    auto picture = frame();
    for (const TextCase& t : kTexts) {
        const int left = t.centred ? static_cast<int>(w(0.22f)) : static_cast<int>(w(0.045f));
        const int right = t.centred ? static_cast<int>(w(0.78f)) : static_cast<int>(w(0.5f));
        expectText(*picture, t, t.text, w(t.x), h(t.y), left, static_cast<int>(h(t.regionTop)),
                   right, static_cast<int>(h(t.regionBottom)), dpi, W, H);
    }
}

TEST_P(Appearance, PercentageTextOverTheBar) {
    WithPicture black(splashAssets.backgroundImage, flatPicture(W, H, 0xFF000000));
    const TextCase percentage = {"percentage", L"", 13, 0xFFFFFFFF, true, 0, 0, 0, 0, 0, 0, true};
    struct Case {
        double shown;
        const wchar_t* text;
    };
    // Rounded half up from the clamped fraction.
    for (const Case c : {Case{0.0, L"0%"}, Case{0.002, L"0%"}, Case{0.005, L"1%"}, Case{0.42, L"42%"},
                         Case{0.994, L"99%"}, Case{0.995, L"100%"}, Case{1.7, L"100%"}, Case{-0.3, L"0%"}}) {
        SCOPED_TRACE(::testing::Message() << "shown " << c.shown);
        splashViewState.shownProgress = c.shown;
        auto picture = frame();
        // Centred on the bar's centre: (0.5 W, 0.925 H).
        const int top = static_cast<int>(h(0.925f) - h(0.0547f) / 2) + 1;
        const int bottom = static_cast<int>(h(0.925f) + h(0.0547f) / 2) - 1;
        expectText(*picture, percentage, c.text, w(0.5f), h(0.925f), static_cast<int>(w(0.4f)), top,
                   static_cast<int>(w(0.6f)), bottom, dpi, W, H);
    }
}

// ---- progress bar --------------------------------------------------------

struct BarDesign {
    double x, y, width, height;
};

BarDesign barAt(int W, int H) {
    const double height = 0.0547 * H;
    return BarDesign{0.039 * W, 0.925 * H - height / 2.0, 0.922 * W, height};
}

TEST_P(Appearance, TrackColourAndExtent) {
    WithPicture white(splashAssets.backgroundImage, flatPicture(W, H, 0xFFFFFFFF));
    WithoutAsset<std::unique_ptr<Gdiplus::Bitmap>> noLogo(splashAssets.logoImage);
    auto picture = frame();
    const BarDesign bar = barAt(W, H);
    const int middle = static_cast<int>(bar.y + bar.height / 2.0);

    // Away from the percentage, the track over whatever the scene shows there.
    for (double f : {0.05, 0.25, 0.75, 0.95}) {
        const int x = static_cast<int>(bar.x + f * bar.width);
        EXPECT_TRUE(looksLike(pixelAt(*picture, x, middle), over(rgbOf(pixelAt(layer(), x, middle)), kTrack), 2.0))
            << "track at " << f;
    }
    // Its ends and edges: summed coverage against the scene under it.
    const auto share = [&](int x, int y) {
        const double ground = pixelAt(layer(), x, y).r;
        const double full = over(Rgb{ground, ground, ground}, kTrack).r;
        return std::min(1.0, std::max(0.0, (ground - pixelAt(*picture, x, y).r) / (ground - full)));
    };
    const int inLeft = static_cast<int>(bar.x) + 20, inRight = static_cast<int>(bar.x + bar.width) - 20;
    double left = inLeft, right = inRight;
    for (int x = 0; x < inLeft; ++x) left -= share(x, middle);
    for (int x = inRight; x < W; ++x) right += share(x, middle);
    EXPECT_NEAR(left, bar.x, 0.75);
    EXPECT_NEAR(right, bar.x + bar.width, 0.75);
    const int column = static_cast<int>(bar.x + 0.25 * bar.width);
    double top = middle, bottom = middle;
    for (int y = middle - 60; y < middle; ++y) top -= share(column, y);
    for (int y = middle; y < std::min(H, middle + 60); ++y) bottom += share(column, y);
    EXPECT_NEAR(top, bar.y, 0.75);
    EXPECT_NEAR(bottom, bar.y + bar.height, 0.75);
}

TEST_P(Appearance, FillWidthAndThreshold) {
    WithPicture white(splashAssets.backgroundImage, flatPicture(W, H, 0xFFFFFFFF));
    const BarDesign bar = barAt(W, H);
    const int middle = static_cast<int>(bar.y + bar.height / 2.0);
    splashViewState.shownProgress = 0.0;
    const auto empty = frame();  // the track alone, under any fill
    struct Case {
        double shown;
        bool filled;
        double end;  // where the fill ends, as a fraction of the bar's width; 0 for a circle
    };
    // No fill up to 0.001; never shorter than a circle of the bar's height; clamped at 1.
    for (const Case c : {Case{-0.5, false, 0}, Case{0.0, false, 0}, Case{0.001, false, 0}, Case{0.0011, true, 0},
                         Case{0.002, true, 0}, Case{0.3, true, 0.3}, Case{1.7, true, 1.0}}) {
        SCOPED_TRACE(::testing::Message() << "shown " << c.shown);
        splashViewState.shownProgress = c.shown;
        auto picture = frame();
        const int inside = static_cast<int>(bar.x + bar.height / 2.0);
        const Rgba centre = pixelAt(*picture, inside, middle);
        if (!c.filled) {
            EXPECT_TRUE(looksLike(centre, over(rgbOf(pixelAt(layer(), inside, middle)), kTrack), 2.0));
            continue;
        }
        EXPECT_GT(centre.r, 240);
        const double end = bar.x + std::max(bar.height, c.end * bar.width);
        // Green goes from the gold's to the empty bar's across the fill's round end.
        const double gold = pixelAt(*picture, static_cast<int>(end) - 12, middle).g;
        double measured = static_cast<int>(end) - 12;
        for (int x = static_cast<int>(end) - 12; x < std::min(W, static_cast<int>(end) + 12); ++x) {
            const double track = pixelAt(*empty, x, middle).g;
            measured += std::min(1.0, std::max(0.0, (pixelAt(*picture, x, middle).g - track) / (gold - track)));
        }
        EXPECT_NEAR(measured, end, 0.6);
    }
}

TEST_P(Appearance, FillIsAVerticalGradientFromGoldToAmber) {
    WithPicture white(splashAssets.backgroundImage, flatPicture(W, H, 0xFFFFFFFF));
    splashViewState.shownProgress = 1.0;
    auto picture = frame();
    const BarDesign bar = barAt(W, H);
    // The gradient's box is one pixel taller than the bar above and below.
    const double boxTop = bar.y - 1.0, boxHeight = bar.height + 2.0;
    for (double f : {0.2, 0.35, 0.5, 0.65, 0.8}) {
        const int y = static_cast<int>(bar.y + f * bar.height);
        const double t = (y + 0.5 - boxTop) / boxHeight;
        const Rgb expected = over(rgbOf(kFillTop), rgbOf(kFillBottom), t);
        for (double along : {0.1, 0.3, 0.8}) {
            EXPECT_TRUE(looksLike(pixelAt(*picture, static_cast<int>(bar.x + along * bar.width), y), expected, 2.0))
                << "row " << f << " column " << along;
        }
    }
}

// ---- spinner -------------------------------------------------------------

// A distinct opaque colour for each of the ten frames.
const unsigned kFrameColours[10] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF,
                                    0xFFFF00FF, 0xFF804000, 0xFF008040, 0xFF400080, 0xFFC0C0C0};

class FlatFrames {
public:
    explicit FlatFrames(const unsigned (&colours)[10]) {
        for (int i = 0; i < 10; ++i) {
            kept_.push_back(std::move(splashAssets.spinnerFrames[i]));
            splashAssets.spinnerFrames[i] = flatPicture(256, 256, colours[i]);
        }
        splashViewState.sceneLayer.reset();
    }
    ~FlatFrames() {
        for (int i = 0; i < 10; ++i) splashAssets.spinnerFrames[i] = std::move(kept_[i]);
        splashViewState.sceneLayer.reset();
    }
    FlatFrames(const FlatFrames&) = delete;
    FlatFrames& operator=(const FlatFrames&) = delete;

private:
    std::vector<std::unique_ptr<Gdiplus::Bitmap>> kept_;
};

TEST_P(Appearance, SpinnerSquarePlaceAndSize) {
    WithPicture black(splashAssets.backgroundImage, flatPicture(W, H, 0xFF000000));
    FlatFrames frames(kFrameColours);
    splashViewState.spinnerPhase = 0.0;  // frame 0 alone, fully opaque red
    auto picture = frame();
    // Side 0.11 H, centred on (0.5 W, 0.403 H).
    const double side = h(0.11f);
    const Coverage c = coverageOf(*picture, layer(), W / 3, H / 4, 2 * W / 3, H / 2, redOf, 255.0);
    EXPECT_NEAR(c.sumX / c.area, w(0.5f), 0.6);
    EXPECT_NEAR(c.sumY / c.area, h(0.403f), 0.6);
    EXPECT_NEAR(*std::max_element(c.byRow.begin(), c.byRow.end()), side, 0.6);
    EXPECT_NEAR(*std::max_element(c.byColumn.begin(), c.byColumn.end()), side, 0.6);
}

TEST_P(Appearance, SpinnerCrossFadesFrameIntoTheNext) {
    WithPicture black(splashAssets.backgroundImage, flatPicture(W, H, 0xFF000000));
    FlatFrames frames(kFrameColours);
    struct Case {
        double phase;
        int frame, next;
        double t;
    };
    // Frame k at 1 - t, then frame (k + 1) mod 10 at t over it.
    for (const Case c : {Case{0.0, 0, 1, 0.0}, Case{3.25, 3, 4, 0.25}, Case{9.5, 9, 0, 0.5},
                         Case{0.75, 0, 1, 0.75}, Case{5.9, 5, 6, 0.9}, Case{7.0, 7, 8, 0.0}}) {
        SCOPED_TRACE(::testing::Message() << "phase " << c.phase);
        splashViewState.spinnerPhase = c.phase;
        auto picture = frame();
        const int x = static_cast<int>(w(0.5f)), y = static_cast<int>(h(0.403f));
        const Rgb ground = rgbOf(pixelAt(layer(), x, y));
        const Rgb expected =
            over(over(ground, rgbOf(kFrameColours[c.frame]), 1.0 - c.t), rgbOf(kFrameColours[c.next]), c.t);
        EXPECT_TRUE(looksLike(pixelAt(*picture, x, y), expected, 2.0));
    }
}

TEST_P(Appearance, SpinnerFrameAboveTheOpacityCutOffStillShows) {
    WithPicture black(splashAssets.backgroundImage, flatPicture(W, H, 0xFF000000));
    unsigned colours[10];
    for (int i = 0; i < 10; ++i) colours[i] = i == 4 ? 0xFFFFFFFF : 0xFF000000;
    FlatFrames frames(colours);
    const int x = static_cast<int>(w(0.5f)), y = static_cast<int>(h(0.403f));
    // Frame 4 (white) at 0.006 over frame 3 (black): a trace of one level
    // (Wine truncates 0.004 x 255 to nothing). Only opacities of 0.001 or less are skipped.
    splashViewState.spinnerPhase = 3.0;
    const int alone = pixelAt(*frame(), x, y).b;
    splashViewState.spinnerPhase = 3.006;
    EXPECT_GT(pixelAt(*frame(), x, y).b, alone);
}

// ---- close button --------------------------------------------------------

TEST_P(Appearance, CloseButtonPictureAndSquare) {
    WithPicture black(splashAssets.backgroundImage, flatPicture(W, H, 0xFF000000));
    WithPicture normal(splashAssets.closeButtonImage, flatPicture(36, 36, 0xFF00FF00));
    WithPicture hover(splashAssets.closeButtonHoverImage, flatPicture(36, 36, 0xFFFF0000));
    // Side 0.045 H, 0.012 W from the right edge, 0.012 H from the top.
    const double side = h(0.045f), left = W - w(0.012f) - side, top = h(0.012f);
    struct Case {
        int hovered;
        double (*channel)(const Rgba&);
        double (*other)(const Rgba&);
    };
    for (const Case c : {Case{0, greenOf, redOf}, Case{1, redOf, greenOf}}) {
        SCOPED_TRACE(::testing::Message() << "hovered " << c.hovered);
        splashViewState.closeHovered = c.hovered;
        auto picture = frame();
        const Coverage shown = coverageOf(*picture, layer(), 3 * W / 4, 0, W, H / 8, c.channel, 255.0);
        const Coverage hidden = coverageOf(*picture, layer(), 3 * W / 4, 0, W, H / 8, c.other, 255.0);
        EXPECT_LT(hidden.area, 1.0);
        // Wine draws the small picture on whole pixels: the side may come out up to a pixel short.
        EXPECT_NEAR(std::sqrt(shown.area), side, 1.0);
        EXPECT_NEAR(shown.sumX / shown.area, left + side / 2.0, 0.5);
        EXPECT_NEAR(shown.sumY / shown.area, top + side / 2.0, 0.5);
    }
}

// The artwork itself: a grey cross on nothing, and a red rounded square with a white cross.
TEST(CloseButtonArtwork, NormalGreyCrossAndRedHoverSquare) {
    Gdiplus::Bitmap* normal = splashAssets.closeButtonImage.get();
    Gdiplus::Bitmap* hover = splashAssets.closeButtonHoverImage.get();
    ASSERT_NE(normal, nullptr);
    ASSERT_NE(hover, nullptr);
    ASSERT_EQ(normal->GetWidth(), 36u);
    ASSERT_EQ(hover->GetWidth(), 36u);
    int grey = 0, otherOpaque = 0;
    for (int y = 0; y < 36; ++y) {
        for (int x = 0; x < 36; ++x) {
            const Rgba p = pixelAt(*normal, x, y);
            if (p.a == 255 && p.r == 85 && p.g == 85 && p.b == 85) ++grey;
            else if (p.a == 255) ++otherOpaque;
        }
    }
    EXPECT_GT(grey, 30);
    EXPECT_EQ(otherOpaque, 0);
    EXPECT_EQ(pixelAt(*normal, 1, 18).a, 0);  // transparent beside the cross
    EXPECT_TRUE(closeTo(pixelAt(*hover, 2, 18), 255, 85, 85, 0));
    EXPECT_EQ(pixelAt(*hover, 2, 18).a, 255);
    EXPECT_TRUE(closeTo(pixelAt(*hover, 18, 18), 255, 255, 255, 6));  // the cross's centre
}

}  // namespace
